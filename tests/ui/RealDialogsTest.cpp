// The main window with the real Qt dialogs and message boxes, driven the way a
// user meets them: what stands above what, where the focus is, what a dialog
// opens on and what Enter does.
#include "EditProbe.h"
#include "ScriptedDialogs.h"
#include "TestStrings.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"
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
#include <QSpinBox>
#include <QToolButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace kelvra;
using namespace kelvra::test;

namespace {

QString U(const char *s) { return QString::fromUtf8(s); }

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

void PressEnter(QWidget *w) { QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_Return); }

bool WriteFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct Harness {
    QTemporaryDir dir;
    QtDialogs dialogs;
    ScriptedDesktop desktop;
    std::unique_ptr<TfrmEdit> window;

    bool Start(const QStringList &args = {}, const QByteArray &ini = {}) {
        if (!ini.isEmpty() && !WriteFile(dir.filePath("Kelvra.ini"), ini)) return false;
        const std::filesystem::path folder = dir.path().toStdString();
        window = std::make_unique<TfrmEdit>(dialogs, desktop, args, folder, folder);
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
        EditProbe(h.window).rchOut()->setPlainText(text);
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
        EditProbe(h.window).SetEditorFont({before, EditProbe(h.window).EditorFont().color});
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
    void fixedPitchFontListOffersMonospacedJapaneseFonts() {
        const QString cjkMono = "Noto Sans Mono CJK JP";
        if (!QFontDatabase::families().contains(cjkMono)) QSKIP("Noto Sans Mono CJK JP is not installed");
        Harness h;
        QVERIFY(h.Start());
        QStringList offered;
        WhenModalUp(
            [&](QWidget *w) {
                for (QAbstractItemView *view : w->findChildren<QAbstractItemView *>())
                    for (int row = 0; row < view->model()->rowCount(); ++row)
                        offered << view->model()->index(row, 0).data().toString();
            },
            [](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
        h.window->mnuFormatFontClick();
        QVERIFY(offered.contains(cjkMono));
        QVERIFY(offered.contains("DejaVu Sans Mono") || !QFontDatabase::families().contains("DejaVu Sans Mono"));
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
            QVERIFY(WriteFile(h.dir.filePath(file), "select 1"));
            if (!args.isEmpty()) all << h.dir.filePath(file);
        }
        QVERIFY(h.Start(all, "[Setting]\r\nFilePath=" + QDir::tempPath().toUtf8() + "\r\n"));
        if (!file.isEmpty() && args.isEmpty()) h.window->OpenPath(h.dir.filePath(file));
        const QString folder = file.isEmpty() ? QDir::tempPath() : QFileInfo(h.dir.filePath(file)).absolutePath();
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
        QTest::newRow("a missing folder stored") << QByteArray("gone/away") << ""
                                                 << ".";
    }
    void fileDialogsOpenOnAnExistingFolder() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, opened);
        QFETCH(QString, expected);
        Harness h;
        QVERIFY(WriteFile(h.dir.filePath("data/q.sql"), "select 1"));
        QVERIFY(h.Start({}, "[Setting]\r\nFilePath=" +
                                (stored.isEmpty() ? QByteArray() : h.dir.filePath(stored).toUtf8()) + "\r\n"));
        if (!opened.isEmpty()) h.window->OpenPath(h.dir.filePath(opened));
        const QString folder = QDir(h.dir.filePath(expected)).absolutePath();
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
        QFile ini(h.dir.filePath("Kelvra.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("FilePath=" + folder.toUtf8() + "\r\n"));
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
        QVERIFY(EditProbe(h.window).rchOut()->toPlainText().isEmpty()); // Esc is No
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
