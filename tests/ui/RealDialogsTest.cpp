// The main window with the real Qt dialogs and message boxes, driven the way a
// user meets them: what stands above what, where the focus is, what a dialog
// opens on and what Enter does.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/UiTexts.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"
#include "ui/FontChooser.h"
#include "ui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QToolButton>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QHeaderView>
#include <QTreeView>
#include <QLocale>
#include <QLibraryInfo>
#include <QTranslator>
#include <functional>

using namespace kelvra;
using namespace kelvra::test;

namespace {

using texts::U;

// Runs `look` on the first modal window that comes up, then closes it with `close`.
void WhenModalUp(std::function<void(QWidget *)> look, std::function<void(QWidget *)> close) {
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, look, close] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        look(w);
        close(w);
    });
    poll->start(10);
}

QStringList ListItems(QListWidget *list) {
    QStringList out;
    for (int row = 0; row < list->count(); ++row) out << list->item(row)->text();
    return out;
}

void PressEnter(QWidget *w) { QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return); }

// The window with the real dialogs, shown, on the settings file `ini` (none when empty).
struct Harness : EditHarnessOf<QtDialogs> {
    bool Start(const QStringList &args = {}, const QByteArray &ini = {}) {
        if (!ini.isEmpty() && !WriteIni(ini)) return false;
        Build(args);
        dialogs.SetParent(window.get());
        if (!window->Initialise()) return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
};

} // namespace

class RealDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // The boxes a format run shows while its always-on-top progress dialog is up.
    void messagesOfARunStandAboveTheProgressDialogWithFocus_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("caption");
        QTest::newRow("unmatched quote") << "select 'abc from t" << false << U("エラー");
        QTest::newRow("timing summary") << "select a from t" << true << U("Untitled");
    }
    void messagesOfARunStandAboveTheProgressDialogWithFocus() {
        QFETCH(QString, text);
        QFETCH(bool, shift);
        QFETCH(QString, caption);
        Harness h;
        QVERIFY(h.Start());
        EditProbe(h.window).SetPlainText(text);
        h.desktop.shift = shift;
        bool seen = false, progressUp = false, onTop = false, ownedByProgress = false, active = false,
             wideEnough = false;
        QString title;
        WhenModalUp(
            [&](QWidget *w) {
                seen = qobject_cast<QMessageBox *>(w) != nullptr;
                progressUp = EditProbe(h.window).dlgCancel()->isVisible();
                onTop = w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                ownedByProgress = w->parentWidget() == EditProbe(h.window).dlgCancel();
                active = QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 2000) &&
                         QApplication::focusWidget() && QApplication::focusWidget()->window() == w;
                title = w->windowTitle();
                int widest = w->fontMetrics().horizontalAdvance(w->windowTitle());
                for (QLabel *label : w->findChildren<QLabel *>())
                    for (const QString &line : label->text().split('\n'))
                        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
                wideEnough = w->width() > widest;
            },
            [](QWidget *w) { PressEnter(w); });
        h.window->mnuExeRunClick();
        QVERIFY(seen);
        QVERIFY(progressUp);
        QVERIFY(onTop);
        QVERIFY(ownedByProgress);
        QVERIFY(active);
        QVERIFY(wideEnough);
        QCOMPARE(title, caption);
        QVERIFY(!EditProbe(h.window).dlgCancel()->isVisible()); // the run ended once the box was closed
    }

    // The font command with the real dialog: it opens on the editor's font in its
    // own style, and Enter anywhere confirms the whole dialog, leaving the font as it was.
    void fontDialogOpensOnTheEditorFontAndEnterKeepsIt() {
        Harness h;
        QVERIFY(h.Start());
        QFont before = EditProbe(h.window).EditorFont().font;
        before.setPointSize(13);
        before.setBold(false);
        before.setItalic(false);
        EditProbe(h.window).SetEditorFont({before, EditProbe(h.window).EditorFont().colour});
        QString family, style;
        WhenModalUp(
            [&](QWidget *w) {
                if (auto *list = w->findChild<QListWidget *>("families"); list && list->currentItem())
                    family = list->currentItem()->text();
                if (auto *list = w->findChild<QListWidget *>("styles"); list && list->currentItem())
                    style = list->currentItem()->text();
            },
            [](QWidget *w) {
                PressEnter(w);
                // A dialog that Enter did not close is cancelled, so the test ends.
                QTimer::singleShot(500, [dialog = QPointer<QWidget>(w)] {
                    if (dialog && dialog->isVisible()) QTest::keyClick(dialog, Qt::Key_Escape);
                });
            });
        h.window->mnuFormatFontClick();
        QCOMPARE(family, QFontInfo(before).family());
        QVERIFY(!style.contains("Italic") && !style.contains("Oblique"));
        const QFont after = EditProbe(h.window).EditorFont().font;
        QCOMPARE(after.family(), before.family());
        QCOMPARE(after.pointSize(), 13);
        QVERIFY(!after.italic());
        QCOMPARE(after.weight(), before.weight());
    }

    // Monospaced Japanese fonts are fixed-pitch for the list, also those that
    // fontconfig calls dual-width.
    // The fixed-pitch list holds every monospaced family the machine has, the
    // Latin-only ones (DejaVu Sans Mono) and the dual-width Japanese ones
    // (Noto Sans Mono CJK JP) alike, and no proportional one besides the
    // editor's own font. Checked against whatever fonts are installed.
    void fixedPitchFontListOffersMonospacedJapaneseFonts() {
        Harness h;
        QVERIFY(h.Start());
        QStringList offered;
        WhenModalUp([&](QWidget *w) { offered = ListItems(Part<QListWidget>(w, "families")); },
                    [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFormatFontClick();
        QVERIFY(!offered.isEmpty());
        for (const QString &family : QFontDatabase::families())
            if (QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family))
                QVERIFY2(offered.contains(family), qPrintable(family));
        for (const char *family : {"Noto Sans Mono CJK JP", "DejaVu Sans Mono"})
            if (QFontDatabase::families().contains(family)) QVERIFY2(offered.contains(family), family);
        const QString own = QFontInfo(EditProbe(h.window).EditorFont().font).family();
        for (const QString &family : offered)
            if (family != own)
                QVERIFY2(HasUniformLatinWidth(family) || QFontDatabase::isFixedPitch(family), qPrintable(family));
        QVERIFY(!offered.contains("DejaVu Sans")); // proportional fonts stay out
    }

    // Save As proposes the document's own folder, name and extension, with the
    // filter of its kind selected, so that Enter saves it where it came from.
    void saveAsProposesTheDocumentsOwnPath_data() {
        QTest::addColumn<QString>("file");     // the document, under the test folder; empty: none
        QTest::addColumn<QStringList>("args"); // before the file
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("nameFilter");
        QTest::addColumn<QString>("saved"); // what Enter would save, in the proposed folder
        QTest::newRow("log file opened from the history") << "work/spool.log" << QStringList{} << "spool.log"
                                                          << "Log File (*.log)"
                                                          << "spool.log";
        QTest::newRow("rich text in -X1") << "Report.RTF" << QStringList{"-X1"} << "Report.RTF"
                                          << "All (*.*)"
                                          << "Report.RTF";
        QTest::newRow("-X1 without a file") << "" << QStringList{"-X1"} << "Untitled.rtf"
                                            << "All (*.*)"
                                            << "Untitled.rtf";
        QTest::newRow("untitled") << "" << QStringList{} << "Untitled"
                                  << "Sql File (*.sql)"
                                  << "Untitled.sql";
    }
    void saveAsProposesTheDocumentsOwnPath() {
        QFETCH(QString, file);
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QFETCH(QString, nameFilter);
        QFETCH(QString, saved);
        Harness h;
        QStringList all = args;
        if (!file.isEmpty()) {
            QVERIFY(WriteFile(h.Path(file), "select 1"));
            if (!args.isEmpty()) all << h.Path(file);
        }
        QVERIFY(h.Start(all, "[Setting]\r\nFilePath=" + QDir::tempPath().toUtf8() + "\r\n"));
        if (!file.isEmpty() && args.isEmpty()) h.window->OpenPath(h.Path(file));
        const QString folder = file.isEmpty() ? QDir::tempPath() : QFileInfo(h.Path(file)).absolutePath();
        QString shownFolder, shownName, shownFilter, wouldSave;
        WhenModalUp(
            [&](QWidget *w) {
                auto *dialog = qobject_cast<QFileDialog *>(w);
                QVERIFY(dialog);
                shownFolder = dialog->directory().absolutePath();
                if (auto *edit = dialog->findChild<QLineEdit *>("fileNameEdit")) shownName = edit->text();
                shownFilter = dialog->selectedNameFilter();
                wouldSave = dialog->selectedFiles().value(0);
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFileSaveAsClick();
        QCOMPARE(shownFolder, folder);
        QCOMPARE(shownName, name);
        QCOMPARE(shownFilter, nameFilter);
        QCOMPARE(wouldSave, folder + "/" + saved);
    }

    // The dialogs open on an existing folder whatever was stored or opened last.
    void fileDialogsOpenOnAnExistingFolder_data() {
        QTest::addColumn<QByteArray>("stored"); // FilePath, under the test folder unless absolute
        QTest::addColumn<QString>("opened");    // opened from the history first
        QTest::addColumn<QString>("expected");  // the folder shown, under the test folder
        QTest::newRow("after opening from the history") << QByteArray("") << "data/q.sql"
                                                        << "data";
        QTest::newRow("a file path stored") << QByteArray("data/q.sql") << ""
                                            << "data";
        // The user's own folder (the home folder here, which has no documents folder), not the program's.
        QTest::newRow("a missing folder stored") << QByteArray("gone/away") << ""
                                                 << "home";
    }
    void fileDialogsOpenOnAnExistingFolder() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, opened);
        QFETCH(QString, expected);
        Harness h;
        QVERIFY(WriteFile(h.Path("data/q.sql"), "select 1"));
        QVERIFY(QDir(h.Folder()).mkdir("home"));
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", h.Path("home").toUtf8());
        auto restoreHome = qScopeGuard([&] { qputenv("HOME", oldHome); });
        QVERIFY(h.Start({}, "[Setting]\r\nFilePath=" + (stored.isEmpty() ? QByteArray() : h.Path(stored).toUtf8()) +
                                "\r\n"));
        if (!opened.isEmpty()) h.window->OpenPath(h.Path(opened));
        const QString folder = QDir(h.Path(expected)).absolutePath();
        for (auto command : {&TfrmEdit::mnuFileOpenClick, &TfrmEdit::mnuFileNewClick, &TfrmEdit::mnuFileSaveAsClick}) {
            if (command == &TfrmEdit::mnuFileNewClick) {
                EditProbe(h.window).Editor().SetModified(false);
                (h.window.get()->*command)();
                continue;
            }
            QString shown;
            WhenModalUp([&](QWidget *w) { shown = qobject_cast<QFileDialog *>(w)->directory().absolutePath(); },
                        [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
            (h.window.get()->*command)();
            QCOMPARE(shown, folder);
        }
        // And the folder stored at the end is a folder.
        QVERIFY(h.window->close());
        QFile ini(h.Path("Kelvra.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("FilePath=" + folder.toUtf8() + "\r\n"));
    }

    // In Japanese the file dialog's columns (サイズ, 種類, 更新日時) once cut
    // their titles and texts ("4…ト", "SQ…ード").
    void fileDialogColumnsShowTheirJapaneseTextsWhole() {
        QTranslator japanese;
        QVERIFY(japanese.load(QLocale(QLocale::Japanese), "qtbase", "_",
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QCoreApplication::installTranslator(&japanese);
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); // sizes and file types in Japanese too
        auto uninstall = qScopeGuard([&] {
            QCoreApplication::removeTranslator(&japanese);
            QLocale::setDefault(QLocale::c());
        });
        Harness h;
        QVERIFY(WriteFile(h.Path("data/query.sql"), "select 1"));
        QVERIFY(h.Start({}, "[Setting]\r\nFilePath=" + h.Path("data").toUtf8() + "\r\n"));
        QStringList cut;
        int rows = 0;
        WhenModalUp(
            [&](QWidget *w) {
                auto *view = w->findChild<QTreeView *>();
                QVERIFY(view);
                QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) > 0);
                QTest::qWait(50); // the sizes follow the rows' texts
                rows = view->model()->rowCount(view->rootIndex());
                QHeaderView *header = view->header();
                for (int column = 1; column < header->count(); ++column) {
                    const QString title = header->model()->headerData(column, Qt::Horizontal).toString();
                    const QModelIndex cell = view->model()->index(0, column, view->rootIndex());
                    const QString text = cell.data().toString();
                    const int needed = std::max(header->sectionSizeHint(column),
                                                static_cast<QAbstractItemView *>(view)->sizeHintForIndex(cell).width());
                    if (!header->isSectionHidden(column) && header->sectionSize(column) < needed)
                        cut << title + ": " + text;
                }
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFileOpenClick();
        QCOMPARE(rows, 1);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(", ")));
    }

    // The print dialog grows downwards when its options open; it stays on the
    // screen all the same, also over a window low on a small screen.
    void printDialogWithItsOptionsFitsTheScreen() {
        Harness h;
        QVERIFY(h.Start());
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        h.window->move(area.left(), area.bottom() - 250);
        QRect frame;
        WhenModalUp(
            [&](QWidget *w) {
                for (QPushButton *b : w->findChildren<QPushButton *>())
                    if (b->text().contains(">>")) b->click();
                QTest::qWait(100);
                frame = w->frameGeometry();
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFilePrintClick();
        QVERIFY2(
            area.contains(frame),
            qPrintable(QString("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
        QVERIFY(frame.height() > 300); // the options did open
    }

    void revertQuestionOffersYesAndNoOnly() {
        Harness h;
        QVERIFY(h.Start());
        EditProbe(h.window).SetRevertText("select 1");
        QStringList buttons;
        WhenModalUp(
            [&](QWidget *w) {
                for (QAbstractButton *b : w->findChildren<QAbstractButton *>())
                    if (b->isVisible()) buttons << b->text();
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuEditRichUndoClick();
        buttons.sort();
        QCOMPARE(buttons, (QStringList{U("いいえ(&N)"), U("はい(&Y)")}));
        QVERIFY(EditProbe(h.window).rchOut()->Model().Text().isEmpty()); // Esc is No
    }

    // The background colour dialog offers swatches only: nothing opens a colour editor.
    void colourDialogHasNoColourEditor() {
        Harness h;
        QVERIFY(h.Start());
        bool editor = true, swatches = false;
        WhenModalUp(
            [&](QWidget *w) {
                editor = !w->findChildren<QSpinBox *>().isEmpty() || !w->findChildren<QLineEdit *>().isEmpty();
                swatches = w->findChildren<QToolButton *>().size() >= 48;
                for (QPushButton *b : w->findChildren<QPushButton *>())
                    if (b->isVisible() && b->text().contains("Pick Screen")) editor = true;
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFormatColorClick();
        QVERIFY(!editor);
        QVERIFY(swatches);
    }
};

QTEST_MAIN(RealDialogsTest)
#include "RealDialogsTest.moc"
