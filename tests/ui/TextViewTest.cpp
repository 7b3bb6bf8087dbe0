// The editor's text view driven as a user drives it: keys, the mouse, input
// methods and the clipboard on a real widget, with the caret, the selection,
// the text and the pixels checked against hand-worked expectations.
#include "ui/TextView.h"
#include "ui/TextViewAccessible.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace kelvra;

namespace {

const QString kFace = QStringLiteral("\U0001F600"); // outside the BMP: two positions
const QString kJapanese = QStringLiteral("表示する列を選ぶ");

// A shown view of `text`, plain, in the test platform's default font.
struct Shown {
    QWidget window;
    TextView *view = new TextView(&window);

    explicit Shown(const QString &text, QSize size = {400, 200}) {
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(view);
        Load(text);
        window.resize(size);
        window.show();
    }
    void Load(const QString &text) {
        TextContent content;
        content.Append(text, {});
        view->Model().Reset(std::move(content));
    }
    bool Focus() {
        window.activateWindow();
        view->setFocus();
        return QTest::qWaitForWindowActive(&window) && view->hasFocus();
    }
    // Presses keys given as comma-separated key sequences ("Shift+Right, Return").
    void Keys(const QString &keys) {
        for (const QString &key : keys.split(',', Qt::SkipEmptyParts)) {
            const QKeyCombination combination = QKeySequence::fromString(key.trimmed())[0];
            QTest::keyClick(view, combination.key(), combination.keyboardModifiers());
        }
    }
    void Type(const QString &text) { QTest::keyClicks(view, text); }
    QString Text() const { return view->Model().Text(); }
    // Where the caret of `position` stands (the caret and selection are kept).
    QPoint PointOf(int position) {
        const int anchor = view->Anchor();
        const int kept = view->Position();
        view->SetCaret(position);
        const QPoint point = view->CaretRect().center();
        view->SetSelection(anchor, kept);
        return point;
    }
};

QString Lines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i) lines << QString("line %1").arg(i);
    return lines.join('\n');
}

bool CaretOnScreen(const TextView &view) {
    const int line = view.Model().LineOf(view.Position());
    return view.FirstVisibleLine() <= line && line <= view.LastVisibleLine() &&
           view.viewport()->rect().contains(view.CaretRect());
}

void SendPreedit(QWidget *view, const QString &text) {
    QInputMethodEvent event(text, {{QInputMethodEvent::Cursor, int(text.size()), 1, {}}});
    QCoreApplication::sendEvent(view, &event);
}

void SendCommit(QWidget *view, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(view, &event);
}

// Asks the widget as the platform's input method does.
QVariant Query(QWidget *view, Qt::InputMethodQuery query) {
    QInputMethodQueryEvent event(query);
    QCoreApplication::sendEvent(view, &event);
    return event.value(query);
}

// Pixels in `band` (rows of `image`) that differ from `base`, and the rightmost such column.
struct Ink {
    int pixels = 0;
    int right = -1;
    int darkness = 0; // summed distance from the base colour
};

Ink InkIn(const QImage &image, int top, int bottom, QRgb base) {
    Ink ink;
    for (int y = top; y < bottom && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == base) continue;
            ++ink.pixels;
            ink.right = std::max(ink.right, x);
            ink.darkness += qGray(base) - qGray(p);
        }
    return ink;
}

// The ink on the first line of the view, against its background.
Ink LineInk(TextView &view) {
    const QImage image = view.viewport()->grab().toImage();
    const QRgb base = image.pixel(image.width() - 1, image.height() - 1);
    return InkIn(image, 0, QFontMetrics(view.DefaultFont()).lineSpacing(), base);
}

int CountColour(const QImage &image, int top, int bottom, QColor colour) {
    int count = 0;
    for (int y = top; y < bottom && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour;
    return count;
}

// A window that takes dropped files, as the editor's window does.
struct FileDropWindow : QWidget {
    int filesEntered = 0;
    FileDropWindow() { setAcceptDrops(true); }
    void dragEnterEvent(QDragEnterEvent *event) override {
        if (!event->mimeData()->hasUrls()) return;
        ++filesEntered;
        event->acceptProposedAction();
    }
};

// Sends a drag of `data` entering the viewport at `point`, then its drop; whether each was accepted.
std::pair<bool, bool> DragAndDrop(QWidget *port, const QPoint &point, const QMimeData &data,
                                  Qt::KeyboardModifiers modifiers = {}) {
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(point, actions, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(port, &enter);
    QDropEvent drop(point, actions, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(port, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

// What assistive technologies heard, one line per event.
QStringList heard;
void Hear(QAccessibleEvent *event) {
    switch (event->type()) {
    case QAccessible::TextInserted: {
        auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        heard << QString("insert %1 %2").arg(e->changePosition()).arg(e->textInserted());
        break;
    }
    case QAccessible::TextRemoved: {
        auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        heard << QString("remove %1 %2").arg(e->changePosition()).arg(e->textRemoved().size());
        break;
    }
    case QAccessible::TextUpdated: {
        auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        heard
            << QString("update %1 %2 %3").arg(e->changePosition()).arg(e->textRemoved().size()).arg(e->textInserted());
        break;
    }
    case QAccessible::TextCaretMoved:
        heard << QString("caret %1").arg(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
        break;
    case QAccessible::TextSelectionChanged: {
        auto *e = static_cast<QAccessibleTextSelectionEvent *>(event);
        heard << QString("selection %1 %2").arg(e->selectionStart()).arg(e->selectionEnd());
        break;
    }
    case QAccessible::StateChanged: {
        const QAccessible::State changed = static_cast<QAccessibleStateChangeEvent *>(event)->changedStates();
        heard << QString("state%1%2").arg(changed.readOnly ? " readOnly" : "").arg(changed.editable ? " editable" : "");
        break;
    }
    default: break;
    }
}

} // namespace

class TextViewTest : public QObject {
    Q_OBJECT
private slots:
    void editingKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("expectedCaret");
        QTest::newRow("typing inside a word") << "ad" << 1 << 1 << "bc"
                                              << ""
                                              << "abcd" << 3;
        QTest::newRow("typing replaces the selection") << "abcd" << 1 << 3 << "x"
                                                       << ""
                                                       << "axd" << 2;
        QTest::newRow("backspace joins lines") << "ab\ncd" << 3 << 3 << ""
                                               << "Backspace"
                                               << "abcd" << 2;
        QTest::newRow("delete joins lines") << "ab\ncd" << 2 << 2 << ""
                                            << "Del"
                                            << "abcd" << 2;
        QTest::newRow("backspace removes the selection") << "abcd" << 3 << 1 << ""
                                                         << "Backspace"
                                                         << "ad" << 1;
        QTest::newRow("enter splits the line") << "abcd" << 2 << 2 << ""
                                               << "Return"
                                               << "ab\ncd" << 3;
        QTest::newRow("tab types a tab") << "ab" << 1 << 1 << ""
                                         << "Tab"
                                         << "a\tb" << 2;
        QTest::newRow("backspace takes a surrogate pair whole") << "a" + kFace + "b" << 3 << 3 << ""
                                                                << "Backspace"
                                                                << "ab" << 1;
        QTest::newRow("delete takes a combining sequence whole") << "e\u0301x" << 0 << 0 << ""
                                                                 << "Del"
                                                                 << "x" << 0;
        QTest::newRow("ctrl+backspace takes a word") << "select name" << 11 << 11 << ""
                                                     << "Ctrl+Backspace"
                                                     << "select " << 7;
        QTest::newRow("ctrl+delete takes a word") << "select name" << 0 << 0 << ""
                                                  << "Ctrl+Del"
                                                  << "name" << 0;
        QTest::newRow("backspace at the start does nothing") << "ab" << 0 << 0 << ""
                                                             << "Backspace"
                                                             << "ab" << 0;
        QTest::newRow("delete at the end does nothing") << "ab" << 2 << 2 << ""
                                                        << "Del"
                                                        << "ab" << 2;
    }
    void editingKeys() {
        QFETCH(QString, text);
        QFETCH(int, anchor);
        QFETCH(int, caret);
        QFETCH(QString, typed);
        QFETCH(QString, keys);
        QFETCH(QString, expected);
        QFETCH(int, expectedCaret);
        Shown s(text);
        QVERIFY(s.Focus());
        s.view->SetSelection(anchor, caret);
        s.Type(typed);
        s.Keys(keys);
        QCOMPARE(s.Text(), expected);
        QCOMPARE(s.view->Position(), expectedCaret);
        QVERIFY(!s.view->HasSelection());
    }

    // Insert switches overwrite mode: typed characters replace the one after
    // the caret, but never a line break nor more than a selection; line breaks
    // and input method commits still insert.
    void insertKeyTogglesOverwrite() {
        Shown s("select a\nWb");
        QVERIFY(s.Focus());
        s.view->SetCaret(7);
        s.Keys("Insert");
        QVERIFY(s.view->OverwriteMode());
        s.Type("xyz");
        QCOMPARE(s.Text(), QString("select xyz\nWb"));
        s.Keys("Right");
        const int wide = QFontMetrics(s.view->DefaultFont()).horizontalAdvance('W');
        QVERIFY2(qAbs(s.view->CaretRect().width() - wide) <= 1, "the caret covers the W");
        s.Type("Q");
        QCOMPARE(s.Text(), QString("select xyz\nQb"));
        s.view->SetCaret(0);
        s.Keys("Return");
        QCOMPARE(s.Text(), QString("\nselect xyz\nQb"));
        SendCommit(s.view, QStringLiteral("表"));
        QCOMPARE(s.Text(), QString("\n表select xyz\nQb"));
        s.view->SetSelection(2, 4);
        s.Type("S");
        QCOMPARE(s.Text(), QString("\n表Slect xyz\nQb"));
        s.Keys("Insert");
        QVERIFY(!s.view->OverwriteMode());
        QCOMPARE(s.view->CaretRect().width(), s.view->CursorRect(s.view->Position()).width());
        s.Type("e");
        QCOMPARE(s.Text(), QString("\n表Select xyz\nQb"));
        s.view->SetReadOnly(true);
        s.Keys("Insert");
        QVERIFY(!s.view->OverwriteMode());
    }

    void undoAndRedoOfTypedEdits() {
        Shown s("");
        QVERIFY(s.Focus());
        s.Type("ab");
        s.Keys("Return");
        s.Type("cd");
        s.Keys("Backspace");
        QCOMPARE(s.Text(), QString("ab\nc"));
        QStringList undone;
        while (s.view->Model().CanUndo()) {
            s.Keys("Ctrl+Z");
            undone << s.Text();
            // The caret stands at the end of what the step gave back, nothing selected.
            QVERIFY(!s.view->HasSelection());
            QVERIFY(s.view->Position() <= s.view->Model().Length());
        }
        QCOMPARE(undone.last(), QString());
        while (s.view->Model().CanRedo()) s.Keys("Ctrl+Y");
        QCOMPARE(s.Text(), QString("ab\nc"));
        QCOMPARE(s.view->Position(), 4);
        s.Keys("Ctrl+Z, Ctrl+Shift+Z");
        QCOMPARE(s.Text(), QString("ab\nc"));
    }

    void navigation_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("expected");
        // Lines of "abcdef" (0..6), "ab" (7..9), "abcdef" (10..16): equal letters line up.
        const QString three = "abcdef\nab\nabcdef";
        QTest::newRow("down to a short line stops at its end") << three << 5 << "Down" << 9;
        QTest::newRow("down again comes back to the column") << three << 5 << "Down, Down" << 15;
        QTest::newRow("up keeps the column too") << three << 15 << "Up, Up" << 5;
        QTest::newRow("up on the first line stays") << three << 3 << "Up" << 3;
        QTest::newRow("a move along the line sets a new column") << three << 5 << "Down, Left, Down" << 11;
        QTest::newRow("right at a line end goes to the next line") << three << 6 << "Right" << 7;
        QTest::newRow("left at a line start goes to the previous end") << three << 7 << "Left" << 6;
        QTest::newRow("home and end of a line") << three << 8 << "End" << 9;
        QTest::newRow("home") << three << 8 << "Home" << 7;
        QTest::newRow("ctrl+end") << three << 2 << "Ctrl+End" << 16;
        QTest::newRow("ctrl+home") << three << 12 << "Ctrl+Home" << 0;
        QTest::newRow("right steps over a surrogate pair") << "a" + kFace + "b" << 1 << "Right" << 3;
        QTest::newRow("ctrl+right to the next word") << "select name from t" << 0 << "Ctrl+Right" << 7;
        QTest::newRow("ctrl+left to the word start") << "select name from t" << 9 << "Ctrl+Left" << 7;
        QTest::newRow("left collapses a selection to its start")
            << "abcdef" << 4 << "Shift+Left, Shift+Left, Left" << 2;
        QTest::newRow("right collapses a selection to its end")
            << "abcdef" << 4 << "Shift+Left, Shift+Left, Right" << 4;
    }
    void navigation() {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(QString, keys);
        QFETCH(int, expected);
        Shown s(text);
        QVERIFY(s.Focus());
        s.view->SetCaret(start);
        s.Keys(keys);
        QCOMPARE(s.view->Position(), expected);
        QVERIFY(!s.view->HasSelection());
    }

    // The caret is drawn while the view has the focus and may be edited, and not when read-only.
    void caretIsDrawnOnlyWhereTypingGoes() {
        Shown s("\n");
        QVERIFY(s.Focus());
        const auto caretInk = [&] {
            s.view->SetCaret(0); // a move shows the caret at once, whatever the blink
            const QImage image = s.view->viewport()->grab().toImage();
            const QRect rect = s.view->CaretRect();
            return CountColour(image, rect.top(), rect.bottom() + 1, s.view->palette().color(QPalette::Text));
        };
        QVERIFY(caretInk() > 0);
        s.view->SetReadOnly(true);
        QCOMPARE(caretInk(), 0);
    }

    void shiftSelects() {
        Shown s("select a,\n  b\nfrom t");
        QVERIFY(s.Focus());
        QSignalSpy selection(s.view, &TextView::SelectionChanged);
        s.Keys("Shift+Right, Shift+Right, Shift+Right");
        QCOMPARE(s.view->SelectedText(), QString("sel"));
        QCOMPARE(selection.count(), 3);
        s.Keys("Shift+End, Shift+Down");
        QCOMPARE(s.view->SelectedText(), QString("select a,\n  b"));
        QCOMPARE(s.view->Anchor(), 0);
        s.Keys("Shift+Ctrl+Home");
        QVERIFY(!s.view->HasSelection());
        s.Keys("Ctrl+A");
        QCOMPARE(s.view->SelectedText(), s.Text());
    }

    void pageDownMovesByAScreen() {
        Shown s(Lines(100));
        QVERIFY(s.Focus());
        const int screen = s.view->LastVisibleLine() - s.view->FirstVisibleLine() + 1;
        QVERIFY(screen > 2);
        s.Keys("PgDown");
        QCOMPARE(s.view->Model().LineOf(s.view->Position()), screen);
        QCOMPARE(s.view->FirstVisibleLine(), screen);
        QVERIFY(CaretOnScreen(*s.view));
        QCOMPARE(s.view->verticalScrollBar()->pageStep(), screen); // a click in the bar's track pages alike
        s.Keys("PgUp");
        QCOMPARE(s.view->Position(), 0);
        QCOMPARE(s.view->FirstVisibleLine(), 0);
    }

    void caretStaysOnScreen() {
        Shown s(Lines(60) + "\n" + QString(300, 'x'));
        QVERIFY(s.Focus());
        for (int i = 0; i < 60; ++i) {
            s.Keys("Down");
            QVERIFY2(CaretOnScreen(*s.view), qPrintable(QString("after %1 downs").arg(i + 1)));
        }
        s.Keys("End");
        QVERIFY(s.view->horizontalScrollBar()->value() > 0);
        QVERIFY(CaretOnScreen(*s.view));
        s.Keys("Home");
        QCOMPARE(s.view->horizontalScrollBar()->value(), 0);
        s.Keys("Ctrl+Home");
        QCOMPARE(s.view->FirstVisibleLine(), 0);
        s.view->SetCaret(s.view->Model().LineStart(40));
        QVERIFY(CaretOnScreen(*s.view));
    }

    void pointsAndPositionsAgree() {
        // Every caret place maps back to itself, whatever the font's widths.
        Shown s("select name\t, 1 from t\n" + kJapanese + "\n" + kJapanese + " a" + kFace + "b");
        const QString text = s.Text();
        for (int position = 0; position <= s.view->Model().Length(); ++position) {
            if (position > 0 && text[position - 1].isHighSurrogate()) continue; // no caret place
            s.view->SetCaret(position);
            QCOMPARE(s.view->PositionAt(s.view->CaretRect().center()), position);
        }
    }

    void mouseClicksAndDrags() {
        Shown s("select name from t\nwhere x = 1");
        QVERIFY(s.Focus());
        QWidget *port = s.view->viewport();
        QTest::mouseClick(port, Qt::LeftButton, {}, s.PointOf(9));
        QCOMPARE(s.view->Position(), 9);
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, s.PointOf(23));
        QCOMPARE(s.view->SelectedText(), QString("me from t\nwher"));

        const QPoint from = s.PointOf(7), to = s.PointOf(16);
        QTest::mousePress(port, Qt::LeftButton, {}, from);
        QTest::mouseMove(port, to);
        QTest::mouseRelease(port, Qt::LeftButton, {}, to);
        QCOMPARE(s.view->SelectedText(), QString("name from"));

        QTest::mouseDClick(port, Qt::LeftButton, {}, s.PointOf(13));
        QCOMPARE(s.view->SelectedText(), QString("from"));
    }

    // A click right after a double click selects the line with its break; a
    // drag goes on by lines after it and by words after a double click.
    void tripleClickAndDragsByUnit() {
        Shown s("select name\nfrom t\nwhere x = 1");
        QVERIFY(s.Focus());
        QWidget *port = s.view->viewport();
        const QPoint onFrom = s.PointOf(14);
        QTest::mouseDClick(port, Qt::LeftButton, {}, onFrom);
        QTest::mouseClick(port, Qt::LeftButton, {}, onFrom);
        QCOMPARE(s.view->SelectedText(), QString("from t\n"));
        QTest::mouseDClick(port, Qt::LeftButton, {}, s.PointOf(21));
        QTest::mousePress(port, Qt::LeftButton, {}, s.PointOf(21));
        QCOMPARE(s.view->SelectedText(), QString("where x = 1")); // the last line has no break
        QTest::mouseMove(port, s.PointOf(3));
        QCOMPARE(s.view->SelectedText(), s.Text());
        QTest::mouseRelease(port, Qt::LeftButton, {}, s.PointOf(3));

        QTest::mouseDClick(port, Qt::LeftButton, {}, s.PointOf(2));
        QCOMPARE(s.view->SelectedText(), QString("select"));
        QTest::mouseMove(port, s.PointOf(9));
        QCOMPARE(s.view->SelectedText(), QString("select name"));
        QTest::mouseRelease(port, Qt::LeftButton, {}, s.PointOf(9));
        // Backwards from a double-clicked word keeps that word whole.
        QTest::mouseDClick(port, Qt::LeftButton, {}, s.PointOf(9));
        QTest::mouseMove(port, s.PointOf(2));
        QCOMPARE(s.view->SelectedText(), QString("select name"));
        QCOMPARE(s.view->Position(), 0);
        QTest::mouseRelease(port, Qt::LeftButton, {}, s.PointOf(2));
        // A click elsewhere, or later, is a plain click again.
        QTest::mouseDClick(port, Qt::LeftButton, {}, s.PointOf(2));
        QTest::mouseClick(port, Qt::LeftButton, {}, s.PointOf(16));
        QVERIFY(!s.view->HasSelection());
    }

    // Where the platform has a primary selection, what the mouse or Shift+keys
    // select is offered there and a middle click pastes it where it clicks;
    // elsewhere a middle click does nothing. The clipboard is never touched.
    void primarySelectionAndMiddleClick() {
        Shown s("select name from t");
        QVERIFY(s.Focus());
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText("kept");
        QWidget *port = s.view->viewport();
        const QPoint end = s.PointOf(18);
        QTest::mouseDClick(port, Qt::LeftButton, {}, s.PointOf(9));
        QTest::mouseRelease(port, Qt::LeftButton, {}, s.PointOf(9));
        QTest::mouseClick(port, Qt::MiddleButton, {}, end);
        if (!clipboard->supportsSelection()) {
            QCOMPARE(s.Text(), QString("select name from t"));
            QCOMPARE(clipboard->text(), QString("kept"));
            QSKIP("no primary selection on this platform");
        }
        QCOMPARE(clipboard->text(QClipboard::Selection), QString("name"));
        QCOMPARE(s.Text(), QString("select name from tname"));
        s.view->SetCaret(0);
        s.Keys("Shift+Right, Shift+Right");
        QTest::mouseClick(port, Qt::MiddleButton, {}, s.PointOf(6));
        QCOMPARE(s.Text(), QString("selectse name from tname"));
        QCOMPARE(s.view->Position(), 8);
        s.view->SetReadOnly(true);
        QTest::mouseClick(port, Qt::MiddleButton, {}, s.PointOf(0));
        QCOMPARE(s.Text(), QString("selectse name from tname"));
        QCOMPARE(clipboard->text(), QString("kept"));
    }

    // Text dragged in from elsewhere goes where it is dropped, one undo step,
    // and ends selected; files are not the view's to take but the window's.
    void dropsOfTextAndOfFiles() {
        FileDropWindow window;
        auto *view = new TextView(&window);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(view);
        TextContent content;
        content.Append(u"select  from t", {});
        view->Model().Reset(std::move(content));
        window.resize(400, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget *port = view->viewport();
        const QPoint gap = view->CursorRect(7).center();

        QMimeData text;
        text.setText("name,\r\nid");
        QCOMPARE(DragAndDrop(port, gap, text), std::make_pair(true, true));
        QCOMPARE(view->Model().Text(), QString("select name,\nid from t"));
        QCOMPARE(view->SelectedText(), QString("name,\nid"));
        view->Undo();
        QCOMPARE(view->Model().Text(), QString("select  from t"));

        QMimeData files;
        files.setUrls({QUrl::fromLocalFile("/tmp/a.sql")});
        files.setText("/tmp/a.sql");
        QCOMPARE(DragAndDrop(port, gap, files), std::make_pair(true, false));
        QCOMPARE(window.filesEntered, 1); // the window, not the view, took the drag
        QCOMPARE(view->Model().Text(), QString("select  from t"));

        view->SetReadOnly(true);
        QCOMPARE(DragAndDrop(port, gap, text), std::make_pair(false, false));
        QCOMPARE(view->Model().Text(), QString("select  from t"));
    }

    // A press on the selection may start a drag of it, so it leaves the
    // selection as it is; released without a drag, it is a click.
    void pressOnTheSelectionKeepsItForADrag() {
        Shown s("select name from t");
        QVERIFY(s.Focus());
        QWidget *port = s.view->viewport();
        s.view->SetSelection(7, 11);
        QTest::mousePress(port, Qt::LeftButton, {}, s.PointOf(9));
        QCOMPARE(s.view->SelectedText(), QString("name"));
        QTest::mouseRelease(port, Qt::LeftButton, {}, s.PointOf(9));
        QVERIFY(!s.view->HasSelection());
        QCOMPARE(s.view->Position(), 9);
    }

    // Ctrl+wheel zooms the text, its own font sizes too, and zooms back to
    // the very same size; the font the view was given stays as it was.
    void ctrlWheelZoomsWhatIsShown() {
        Shown s("");
        QFont font = s.view->DefaultFont();
        font.setPointSize(10);
        s.view->SetDefaultFont(font);
        QTextCharFormat sized;
        sized.setFontPointSize(10);
        TextContent content;
        content.Append(u"select name\nfrom t", sized);
        s.view->Model().Reset(std::move(content));
        const auto wheel = [&](int angle, Qt::KeyboardModifiers modifiers) {
            const QPointF at(10, 10);
            QWheelEvent event(at, s.view->viewport()->mapToGlobal(at), {}, {0, angle}, Qt::NoButton, modifiers,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(s.view->viewport(), &event);
        };
        const QRect lineEnd = s.view->CursorRect(11);
        for (int i = 0; i < 3; ++i) wheel(120, Qt::ControlModifier);
        QVERIFY(s.view->CursorRect(11).height() > lineEnd.height());
        QVERIFY(s.view->CursorRect(11).x() > lineEnd.x());
        QCOMPARE(s.view->DefaultFont(), font);
        wheel(-120, Qt::ControlModifier);
        wheel(-240, Qt::ControlModifier);
        QCOMPARE(s.view->CursorRect(11), lineEnd);
        for (int i = 0; i < 30; ++i) wheel(-120, Qt::ControlModifier); // stops at the smallest size
        QVERIFY(s.view->CursorRect(11).height() > 0);
        QVERIFY(s.view->CursorRect(11).x() < lineEnd.x());
        for (int i = 0; i < 30; ++i) wheel(120, Qt::ControlModifier);
        QCOMPARE(s.view->DefaultFont(), font);
        // Without Ctrl the wheel scrolls and leaves the size alone.
        const QRect zoomed = s.view->CursorRect(11);
        wheel(-120, {});
        QCOMPARE(s.view->CursorRect(11).height(), zoomed.height());
    }

    // What an assistive technology reads of the view and does through it.
    void accessibleTextAndEdits() {
        Shown s("select name\nfrom t");
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(s.view);
        QVERIFY(view);
        QCOMPARE(view->role(), QAccessible::EditableText);
        QVERIFY(view->state().multiLine && view->state().editable && !view->state().readOnly);
        QAccessibleTextInterface *text = view->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 18);
        QCOMPARE(text->text(7, 14), QString("name\nfr"));

        s.view->SetSelection(7, 11);
        QCOMPARE(text->cursorPosition(), 11);
        QCOMPARE(text->selectionCount(), 1);
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(std::make_pair(start, end), std::make_pair(7, 11));

        struct Item {
            int offset;
            QAccessible::TextBoundaryType boundary;
            QString at, before, after;
        };
        const Item items[] = {
            {8, QAccessible::WordBoundary, "name", " ", "\n"},
            {3, QAccessible::CharBoundary, "e", "l", "c"},
            {11, QAccessible::CharBoundary, "\n", "e", "f"},
            {14, QAccessible::LineBoundary, "from t", "select name\n", ""},
            {0, QAccessible::LineBoundary, "select name\n", "", "from t"},
            {5, QAccessible::NoBoundary, "select name\nfrom t", "", ""},
        };
        for (const Item &item : items) {
            const QString name = QString("offset %1 by %2").arg(item.offset).arg(int(item.boundary));
            QCOMPARE(text->textAtOffset(item.offset, item.boundary, &start, &end), item.at);
            QCOMPARE(text->text(start, end), item.at);
            QVERIFY2(start <= item.offset && item.offset < std::max(end, item.offset + 1), qPrintable(name));
            QCOMPARE(text->textBeforeOffset(item.offset, item.boundary, &start, &end), item.before);
            QCOMPARE(text->textAfterOffset(item.offset, item.boundary, &start, &end), item.after);
        }

        // Character rectangles and points on the screen agree with each other.
        for (int offset : {0, 3, 8, 12, 17}) {
            const QRect rect = text->characterRect(offset);
            QVERIFY(rect.width() > 0 && rect.height() > 0);
            QCOMPARE(text->offsetAtPoint(rect.center() - QPoint(rect.width() / 4, 0)), offset);
        }
        QVERIFY(text->characterRect(8).left() > text->characterRect(7).left());

        text->setSelection(0, 0, 6);
        QCOMPARE(s.view->SelectedText(), QString("select"));
        text->setCursorPosition(3);
        QCOMPARE(s.view->Position(), 3);
        QVERIFY(!s.view->HasSelection());

        QAccessibleEditableTextInterface *editable = view->editableTextInterface();
        QVERIFY(editable);
        editable->replaceText(7, 11, "id");
        editable->insertText(0, "-- x\n");
        editable->deleteText(5, 12);
        QCOMPARE(s.Text(), QString("-- x\nid\nfrom t"));
        s.view->SetReadOnly(true);
        QVERIFY(view->state().readOnly && !view->state().editable);
        editable->deleteText(0, 5);
        QCOMPARE(s.Text(), QString("-- x\nid\nfrom t"));
    }

    // Listeners hear of edits, caret moves and selections as they happen.
    void accessibleListenersHearChanges() {
        Shown s("select name");
        QVERIFY(s.Focus());
        s.view->SetCaret(6);
        heard.clear();
        accessible::SetEventSink(&Hear);
        s.Type("x");
        s.Keys("Backspace, Shift+Left");
        s.view->SetSelection(7, 11);
        s.Keys("Ctrl+X");
        s.Load("from t");
        s.view->SetReadOnly(true);
        s.view->SetReadOnly(true); // no change, nothing told
        accessible::SetEventSink(nullptr);
        s.Type("y"); // no assistive technology here: nothing is told
        const QStringList expected = {
            "insert 6 x",    "caret 7",
            "remove 6 1",    "caret 6",
            "caret 5",       "selection 5 6",
            "caret 11",      "selection 7 11",
            "remove 7 4",    "caret 7",
            "selection 7 7", "update 0 7 from t",
            "caret 6",       "state readOnly editable",
        };
        QCOMPARE(heard.join(" / "), expected.join(" / "));
    }

    void dragBelowTheViewScrolls() {
        Shown s(Lines(100));
        QWidget *port = s.view->viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, s.PointOf(0));
        QTest::mouseMove(port, QPoint(10, port->height() + 20));
        QTRY_VERIFY(s.view->FirstVisibleLine() > 2);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(10, port->height() + 20));
        QCOMPARE(s.view->Anchor(), 0);
        QVERIFY(s.view->Model().LineOf(s.view->Position()) > s.view->LastVisibleLine());
    }

    void rightClickAsksForTheContextMenu() {
        Shown s("select name from t");
        s.view->setContextMenuPolicy(Qt::CustomContextMenu);
        QVERIFY(s.Focus());
        const QPoint point = s.PointOf(9);
        s.view->SetSelection(0, 6);
        QSignalSpy menu(s.view, &TextView::customContextMenuRequested);
        QTest::mouseClick(s.window.windowHandle(), Qt::RightButton, {}, s.view->viewport()->mapTo(&s.window, point));
        QTRY_COMPARE(menu.count(), 1);
        QCOMPARE(s.view->SelectedText(), QString("select"));
    }

    void inputMethodComposesThenCommits() {
        Shown s("select  from t");
        QVERIFY(s.Focus());
        s.view->SetCaret(7);
        const Ink before = LineInk(*s.view);
        SendPreedit(s.view, QStringLiteral("ひょう"));
        QCOMPARE(s.Text(), QString("select  from t"));         // composing text stays out of the model
        QVERIFY(LineInk(*s.view).pixels > before.pixels + 50); // but it is drawn
        QCOMPARE(Query(s.view, Qt::ImSurroundingText).toString(), QString("select  from t"));
        QCOMPARE(Query(s.view, Qt::ImCursorPosition).toInt(), 7);

        SendCommit(s.view, QStringLiteral("表"));
        QCOMPARE(s.Text(), QString("select 表 from t"));
        QCOMPARE(s.view->Position(), 8);
        s.view->Undo();
        QCOMPARE(s.Text(), QString("select  from t"));

        s.view->SetSelection(0, 6);
        SendCommit(s.view, QStringLiteral("選択"));
        QCOMPARE(s.Text(), QString("選択  from t"));
        QCOMPARE(Query(s.view, Qt::ImHints).toInt() & Qt::ImhMultiLine, int(Qt::ImhMultiLine));
        QVERIFY(Query(s.view, Qt::ImEnabled).toBool());

        // The input method hears of caret moves, so that its window follows the caret.
        QSignalSpy followed(QGuiApplication::inputMethod(), &QInputMethod::cursorRectangleChanged);
        s.Keys("End");
        QVERIFY(followed.count() > 0);
        QCOMPARE(QGuiApplication::inputMethod()->cursorRectangle().toRect(),
                 s.view->CaretRect().translated(s.view->viewport()->mapTo(&s.window, QPoint())));
    }

    // A preedit pushes the formats after it along: the bold word is drawn
    // where it would stand if the composed text were already in the line.
    void preeditPushesTheFormatsAfterIt() {
        const auto loadBold = [](Shown &s, const QString &text, int start, int length) {
            TextContent content;
            content.Append(text, {});
            content.SetBold({{start, length}});
            s.view->Model().Reset(std::move(content));
        };
        Shown composing("");
        loadBold(composing, "ab SELECT x", 3, 6);
        QVERIFY(composing.Focus());
        composing.view->SetCaret(1);
        SendPreedit(composing.view, "ww");
        Shown typed("");
        loadBold(typed, "awwb SELECT x", 5, 6);
        const int left = typed.PointOf(5).x() + 2, right = typed.PointOf(11).x() - 2;
        const QImage drawn = composing.view->viewport()->grab().toImage();
        const QImage expected = typed.view->viewport()->grab().toImage();
        const int height = QFontMetrics(typed.view->DefaultFont()).lineSpacing();
        int differing = 0;
        for (int y = 0; y < height; ++y)
            for (int x = left; x < right; ++x) differing += drawn.pixel(x, y) != expected.pixel(x, y);
        QCOMPARE(differing, 0);
    }

    void readOnlyMovesAndCopiesOnly() {
        Shown s("select name");
        s.view->SetReadOnly(true);
        QVERIFY(s.Focus());
        s.Type("x");
        s.Keys("Return, Backspace, Del, Tab");
        s.view->SetCaret(0);
        s.Keys("Shift+End, Ctrl+C, Ctrl+X, Ctrl+V");
        QCOMPARE(s.Text(), QString("select name"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("select name"));
        SendCommit(s.view, "x");
        QCOMPARE(s.Text(), QString("select name"));
        QVERIFY(!Query(s.view, Qt::ImEnabled).toBool());
    }

    void cutThenPaste() {
        Shown s("select name from t");
        QVERIFY(s.Focus());
        s.view->SetSelection(7, 12);
        s.Keys("Ctrl+X");
        QCOMPARE(s.Text(), QString("select from t"));
        s.Keys("End, Ctrl+V");
        QCOMPARE(s.Text(), QString("select from tname "));
        QCOMPARE(s.view->Position(), 18);
        QGuiApplication::clipboard()->setText("a\r\nb\rc");
        s.Keys("Ctrl+V");
        QCOMPARE(s.Text(), QString("select from tname a\nb\nc"));
    }

    void windowShortcutsDoNotStealTyping() {
        Shown s("abc");
        auto *copy = new QAction(&s.window);
        copy->setShortcuts({QKeySequence::Copy, QKeySequence("X"), QKeySequence(Qt::Key_Right)});
        s.window.addAction(copy);
        QSignalSpy triggered(copy, &QAction::triggered);
        QVERIFY(s.Focus());
        s.view->SetSelection(0, 2);
        s.Keys("Ctrl+C");
        s.Type("x");
        s.Keys("Right");
        QCOMPARE(triggered.count(), 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("ab"));
        QCOMPARE(s.Text(), QString("xc"));
        QCOMPARE(s.view->Position(), 2);
    }

    void caretFollowsModelEdits_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("added");
        QTest::addColumn<int>("expected");
        // The caret stands at 5 in "abcdefgh".
        QTest::newRow("insert before") << 0 << 0 << "XY" << 7;
        QTest::newRow("insert lines before") << 0 << 0 << "a\nb\n" << 9;
        QTest::newRow("insert after") << 6 << 0 << "zz" << 5;
        QTest::newRow("insert at the caret pushes it") << 5 << 0 << "!" << 6;
        QTest::newRow("remove before") << 1 << 2 << "" << 3;
        QTest::newRow("remove up to the caret") << 3 << 2 << "" << 3;
        QTest::newRow("remove from the caret") << 5 << 2 << "" << 5;
        QTest::newRow("remove around") << 4 << 3 << "" << 4;
        QTest::newRow("replace around") << 4 << 3 << "QRS" << 7;
    }
    void caretFollowsModelEdits() {
        QFETCH(int, from);
        QFETCH(int, removed);
        QFETCH(QString, added);
        QFETCH(int, expected);
        Shown s("abcdefgh");
        s.view->SetCaret(5);
        QSignalSpy moved(s.view, &TextView::CaretMoved);
        s.view->Model().Replace(from, removed, added, {});
        QCOMPARE(s.view->Position(), expected);
        QCOMPARE(s.view->Anchor(), expected);
        QCOMPARE(moved.count(), expected == 5 ? 0 : 1);
    }

    // A new text clamps the caret and says it moved, even where its position
    // stays: "ab\ncd" and "abcd\n" put position 4 on different lines.
    void newTextClampsTheCaret() {
        Shown s(Lines(50));
        s.view->SetCaret(s.view->Model().Length());
        s.Load("ab");
        QCOMPARE(s.view->Position(), 2);
        QCOMPARE(s.view->FirstVisibleLine(), 0);
        s.Load("ab\ncd");
        s.view->SetCaret(4);
        QSignalSpy moved(s.view, &TextView::CaretMoved);
        TextContent other;
        other.Append(u"abcd\n", {});
        s.view->Model().ReplaceAll(std::move(other));
        QCOMPARE(s.view->Position(), 4);
        QCOMPARE(moved.count(), 1);
    }

    void boldDrawsHeavierAndSelectionUsesHighlight() {
        Shown s("");
        s.view->SetReadOnly(true); // no caret in the pictures
        QPalette palette = s.view->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, QColor(200, 0, 0));
        palette.setColor(QPalette::Highlight, QColor(0, 0, 255));
        palette.setColor(QPalette::HighlightedText, Qt::white);
        palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0, 160, 0));
        s.view->setPalette(palette);
        TextContent content;
        content.Append(u"SELECT name\nSELECT name\nplain", {});
        content.SetBold({EditorRange{12, 6}});
        s.view->Model().Reset(std::move(content));
        const int height = QFontMetrics(s.view->DefaultFont()).lineSpacing();

        const QImage plain = s.view->viewport()->grab().toImage();
        const Ink normal = InkIn(plain, 0, height, qRgb(255, 255, 255));
        const Ink bold = InkIn(plain, height, 2 * height, qRgb(255, 255, 255));
        QVERIFY(normal.pixels > 0);
        QVERIFY2(bold.darkness > normal.darkness,
                 qPrintable(QString("%1 vs %2").arg(bold.darkness).arg(normal.darkness)));
        QVERIFY(bold.right >= normal.right);
        // Text without a colour of its own takes the palette's text colour.
        QVERIFY(CountColour(plain, 0, height, QColor(200, 0, 0)) > 0);

        s.view->SetSelection(0, 6);
        QVERIFY(s.Focus());
        const QImage selected = s.view->viewport()->grab().toImage();
        QVERIFY(CountColour(selected, 0, height, QColor(0, 0, 255)) > 0);
        QCOMPARE(CountColour(selected, height, 3 * height, QColor(0, 0, 255)), 0);
        // Without the focus the selection takes the palette's inactive colour.
        s.view->clearFocus();
        const QImage unfocused = s.view->viewport()->grab().toImage();
        QCOMPARE(CountColour(unfocused, 0, height, QColor(0, 0, 255)), 0);
        QVERIFY(CountColour(unfocused, 0, height, QColor(0, 160, 0)) > 0);
    }
};

QTEST_MAIN(TextViewTest)
#include "TextViewTest.moc"
