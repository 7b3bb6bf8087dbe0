// The main window and its dialogs as a new user meets them: what the revert
// command acts on, what the status bar and the search say, where new windows
// and file dialogs open, how the progress bars move, what the keyboard
// reaches, UTF-16 files and the help document.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/UiTexts.h"
#include "ui/Cancel.h"
#include "ui/ChangeKakunin.h"
#include "ui/ColourSwatch.h"
#include "ui/Edit.h"
#include "ui/Key.h"
#include "ui/Search.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace kelvra;
using namespace kelvra::test;
using Result = TdlgChangeKakunin::Result;

namespace {

using texts::U;

// UTF-16 bytes of an ASCII or BMP text, written out by hand for the tests.
QByteArray Utf16(const QString &text, bool bigEndian) {
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
    for (QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8), low = static_cast<char>(c.unicode() & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

struct Harness : EditHarness {
    QAction *Revert() { return Probe().Action("mnuEditRichUndo"); }
    QString Notice() { return window->StatusText(2); }
};

} // namespace

class EditWindowTest : public QObject {
    Q_OBJECT
private slots:
    // The revert command acts only on the text from before a run of the
    // document shown: another document has none, and the command is off.
    void revertBelongsToTheDocumentThatWasFormatted_data() {
        QTest::addColumn<QString>("replacedBy");
        for (const char *how : {"open", "new", "history", "drop"}) QTest::newRow(how) << how;
    }
    void revertBelongsToTheDocumentThatWasFormatted() {
        QFETCH(QString, replacedBy);
        Harness h;
        QVERIFY(WriteFile(h.Path("a.sql"), "select a from t"));
        QVERIFY(WriteFile(h.Path("b.sql"), "select b from u"));
        QVERIFY(h.Start({h.Path("a.sql")}));
        QVERIFY(!h.Revert()->isEnabled()); // nothing formatted yet
        h.window->mnuExeRunClick();
        QVERIFY(h.Text() != "select a from t");
        QVERIFY(h.Revert()->isEnabled());

        h.dialogs.answers = {Answer::No}; // not saving a.sql's result
        if (replacedBy == "open") {
            h.dialogs.files = {h.Path("b.sql")};
            h.window->mnuFileOpenClick();
        } else if (replacedBy == "new") {
            h.window->mnuFileNewClick();
        } else if (replacedBy == "history") {
            h.window->OpenPath(h.Path("b.sql"));
        } else {
            h.Probe().Editor().SetModified(false);
            h.window->WMDropFiles({h.Path("b.sql")});
        }
        const std::string shown = replacedBy == "new" ? "" : "select b from u";
        QCOMPARE(h.Text(), shown);
        QVERIFY(!h.Revert()->isEnabled());
        const auto asked = h.dialogs.asked.size();
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick(); // Ctrl+B reaches the slot only through the action; called anyway
        QCOMPARE(h.Text(), shown);
        QCOMPARE(h.dialogs.asked.size(), asked);
    }

    void revertAfterARunGivesThePreRunTextBack() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("select a from t", false);
        QVERIFY(!h.Revert()->isEnabled());
        h.window->mnuExeRunClick();
        QVERIFY(h.Revert()->isEnabled());
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), std::string("select a from t"));
        // A line-end command leaves a text to go back to as well.
        h.dialogs.answers = {Answer::No};
        h.window->mnuFileNewClick();
        QVERIFY(!h.Revert()->isEnabled());
        h.SetText("x", false);
        h.window->mnuExeSClick();
        QVERIFY(h.Revert()->isEnabled());
    }

    // "上書き保存されました" speaks of the document shown and of the save just made.
    void saveNoticeBelongsToItsDocumentAndSave() {
        Harness h;
        QVERIFY(WriteFile(h.Path("a.sql"), "select 1"));
        QVERIFY(WriteFile(h.Path("b.sql"), "select 2"));
        QVERIFY(WriteFile(h.Path("mixed.sql"), "select 1\r\nfrom t\nwhere 1 = 1\r\n"));
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nSaveCheck=False\r\n")); // saves without asking first
        QVERIFY(h.Start({h.Path("a.sql")}));
        h.window->mnuFileSaveClick();
        QCOMPARE(h.Notice(), U("上書き保存されました"));
        h.dialogs.files = {h.Path("b.sql")};
        h.window->mnuFileOpenClick();
        QCOMPARE(h.Notice(), QString());

        h.window->mnuFileSaveClick();
        QCOMPARE(h.Notice(), U("上書き保存されました"));
        h.window->mnuFileNewClick();
        QCOMPARE(h.Notice(), QString());

        // A save the user stops at the mixed line ends writes nothing and says nothing.
        h.window->OpenPath(h.Path("b.sql"));
        h.window->mnuFileSaveClick();
        h.window->OpenPath(h.Path("mixed.sql"));
        h.Probe().rchOut()->InsertText("-- ");
        h.dialogs.answers = {Answer::Cancel};
        h.window->mnuFileSaveClick();
        QCOMPARE(h.dialogs.asked.last().kind, U("okCancel"));
        QCOMPARE(h.Notice(), QString());
        QCOMPARE(ReadAll(h.Path("mixed.sql")), QByteArray("select 1\r\nfrom t\nwhere 1 = 1\r\n"));
    }

    // Cancel at the first occurrence: it was found, so "not found" would be untrue.
    void searchCancelledAtItsFirstHitSaysNothing() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("select a from a", false);
        EditProbe(h.window).dlgChangeKakunin()->SetAsker([](TdlgChangeKakunin &) { return Result::Cancel; });
        h.window->mnuEditSerchClick();
        TfrmSearch *search = h.Probe().frmSearch();
        Part<QComboBox>(search, "cmbSearch")->setEditText("from");
        Part<QPushButton>(search, "btnChange")->click();
        QVERIFY(h.dialogs.Messages().isEmpty());
        QCOMPARE(h.Probe().rchOut()->SelectedText(), U("from")); // the hit stays selected
        QVERIFY(!search->isVisible());
    }

    // A window started from this one stands a step lower and to the right;
    // where that would leave the desktop (offscreen: 800 × 600) it starts
    // again at the desktop's edge.
    void startedWindowsCascade() {
        Harness h;
        QVERIFY(h.Start());
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        h.window->resize(500, 400);
        const QPoint corner = area.bottomRight() - QPoint(499, 399);
        const std::pair<QPoint, QPoint> cases[] = {{QPoint(40, 30), QPoint(72, 62)}, {corner, area.topLeft()}};
        for (auto [at, expected] : cases) {
            h.desktop.startedAt.clear();
            h.window->move(at);
            h.window->mnuFileDupClick();
            QCOMPARE(h.desktop.startedAt, QList<QPoint>{expected});
            QVERIFY(area.contains(QRect(expected, h.window->size())));
        }
    }

    void droppedFilesOpenInCascadedWindows() {
        Harness h;
        QVERIFY(WriteFile(h.Path("1.sql"), "1"));
        QVERIFY(WriteFile(h.Path("2.sql"), "2"));
        QVERIFY(h.Start());
        h.window->resize(400, 300);
        h.window->move(10, 20);
        h.window->WMDropFiles({h.Path("1.sql"), h.Path("2.sql")});
        QCOMPARE(h.desktop.startedAt, QList<QPoint>{QPoint(42, 52)});
    }

    // The started window takes the place it was asked for, not the stored one.
    void aStartedWindowStandsWhereItWasAsked() {
        Harness h;
        QVERIFY(
            WriteFile(h.Path("Kelvra.ini"),
                      "[Setting]\r\nSavePos=True\r\nTop=0\r\nLeft=0\r\nSaveSize=True\r\nWidth=400\r\nHeight=300\r\n"));
        h.desktop.askedPosition = QPoint(120, 90);
        QVERIFY(h.Start());
        QCOMPARE(h.window->pos(), QPoint(120, 90));
    }

    // A second copy of the program does not open exactly over a window that
    // stands where it would open; a closed window's place is free again, and
    // a moved window is found where it now stands.
    void aSecondCopyStepsAsideFromAnOpenWindow() {
        TempDir places;
        auto start = [&](Harness &h, const QByteArray &place) {
            h.desktop.windowPlaces = QtPath(places.path());
            return h.WriteIni("[Setting]\r\nSavePos=True\r\n" + place +
                              "SaveSize=True\r\nWidth=400\r\nHeight=300\r\n") &&
                   h.Start();
        };
        const QByteArray stored = "Left=50\r\nTop=40\r\n";
        auto first = std::make_unique<Harness>();
        Harness second, third, fourth;
        QVERIFY(start(*first, stored));
        QCOMPARE(first->window->pos(), QPoint(50, 40));
        QVERIFY(start(second, stored));
        QCOMPARE(second.window->pos(), QPoint(82, 72));
        first.reset();
        QVERIFY(start(third, stored));
        QCOMPARE(third.window->pos(), QPoint(50, 40));
        second.window->show(); // a hidden window is told of its moves only when it shows
        second.window->move(200, 150);
        QTest::qWait(400); // the place is told once the window has come to rest
        QVERIFY(start(fourth, "Left=200\r\nTop=150\r\n"));
        QCOMPARE(fourth.window->pos(), QPoint(232, 182));
    }

    // Neither bar is full before the editor shows the result; the first bar
    // starts again for making the editor's document.
    void progressBarsFillOnlyAtTheEnd() {
        Harness h;
        QVERIFY(h.Start());
        std::string text;
        while (text.size() < (1u << 20)) text += "select a, b, nvl(c, 0) from t where x = 1 order by a;\r\n";
        h.SetText(text, false);
        TdlgCancel *dialog = h.Probe().dlgCancel();
        auto *bar1 = Part<QProgressBar>(dialog, "prgBar1");
        auto *bar2 = Part<QProgressBar>(dialog, "prgBar2");
        bool adopted = false;
        QObject::connect(&h.Probe().rchOut()->Model(), &TextModel::WholeTextReplaced, [&] { adopted = true; });
        bool fullTooSoon = false, lastStepSeen = false, firstBarFullOnLastStep = false;
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, [&] {
            if (!dialog->isVisible() || adopted) return;
            if (bar2->value() >= bar2->maximum()) fullTooSoon = true;
            if (bar2->value() == bar2->maximum() - 1) { // the core is done; the editor's document is being made
                lastStepSeen = true;
                if (bar1->value() >= bar1->maximum()) firstBarFullOnLastStep = true;
            }
        });
        sampler.start(2);
        h.window->mnuExeRunClick();
        sampler.stop();
        QVERIFY(adopted); // the run went through
        QVERIFY(!fullTooSoon);
        // Making the editor's text is quick now: its step may pass between two samples.
        QVERIFY(!lastStepSeen || !firstBarFullOnLastStep);
        QCOMPARE(bar2->value(), bar2->maximum());
    }

    // Tab goes through every control of the search dialog, the sixteen colours included.
    void tabReachesEveryControlOfTheSearchDialog() {
        Harness h;
        QVERIFY(h.Start());
        h.window->show();
        h.window->mnuEditChangeClick();
        TfrmSearch *search = h.Probe().frmSearch();
        QVERIFY(QTest::qWaitForWindowActive(search));
        QStringList visited;
        for (int i = 0; i < 26 && !visited.contains("btnChangeCancel"); ++i) {
            QWidget *focused = QApplication::focusWidget();
            QVERIFY(focused);
            // The drop-downs' line edits count as the drop-down.
            QWidget *named = focused->objectName().isEmpty() ? focused->parentWidget() : focused;
            visited << named->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QStringList expected{"cmbSearch", "cmbChangeTo", "radPosFirst"};
        for (int i = 1; i <= 16; ++i) expected << QString("pnl%1").arg(i);
        expected << "btnColorReset"
                 << "btnChange"
                 << "btnChangeCancel";
        QCOMPARE(visited, expected);

        // Space on a swatch takes its colour.
        auto *swatch = Part<ColourSwatch>(search, "pnl12");
        swatch->setFocus();
        QTest::keyClick(swatch, Qt::Key_Space);
        QCOMPARE(search->MarkingColour(), swatch->Colour());
        search->close();
    }

    // Y and N alone answer the confirmation, as they do in the message boxes.
    void confirmationTakesPlainLetters_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        QTest::newRow("Y") << int(Qt::Key_Y) << int(Result::Yes);
        QTest::newRow("N") << int(Qt::Key_N) << int(Result::No);
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(Result::Cancel);
    }
    void confirmationTakesPlainLetters() {
        QFETCH(int, key);
        QFETCH(int, answer);
        TdlgChangeKakunin dialog;
        QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key(key)); });
        QCOMPARE(int(dialog.Ask(U("置換しますか？"))), answer);
    }

    // The reserved-word table opens with its list ready for the arrows and Space.
    void reservedWordTableOpensWithFocusInItsList() {
        Harness h;
        QVERIFY(h.Start());
        TfrmKey *key = h.Probe().frmKey();
        key->show();
        QCOMPARE(key->focusWidget() ? key->focusWidget()->objectName() : QString(), U("clbYoyaku"));
        key->close();
    }

    // A file with a UTF-16 byte-order mark opens as its text, and a save
    // writes UTF-16 in the same byte order with the mark.
    void utf16FileOpensDecodedAndSavesBack_data() {
        QTest::addColumn<bool>("bigEndian");
        QTest::newRow("little-endian") << false;
        QTest::newRow("big-endian") << true;
    }
    void utf16FileOpensDecodedAndSavesBack() {
        QFETCH(bool, bigEndian);
        Harness h;
        QVERIFY(WriteFile(h.Path("u.sql"), Utf16(U("select '表' from t;\r\n"), bigEndian)));
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nSaveCheck=False\r\n"));
        QVERIFY(h.Start());
        h.dialogs.files = {h.Path("u.sql")};
        h.window->mnuFileOpenClick();
        QVERIFY(h.dialogs.asked.size() == 1); // the open dialog only: no question about the bytes
        QCOMPARE(h.Probe().rchOut()->Model().Text(), U("select '表' from t;\n"));
        h.Probe().rchOut()->SetCaret(h.Probe().rchOut()->Model().Length());
        h.Probe().rchOut()->InsertText("-- 済");
        h.window->mnuFileSaveClick();
        QCOMPARE(ReadAll(h.Path("u.sql")), Utf16(U("select '表' from t;\r\n-- 済"), bigEndian));
    }

    // The file dialogs open in the user's documents (or home) folder, never
    // in the program's, and then where the user last was.
    void fileDialogsStartInTheUsersFolder() {
        TempDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QtPath(home.path()).toUtf8());
        {
            Harness h;
            QVERIFY(h.Start());
            h.window->mnuFileOpenClick();
            QCOMPARE(h.dialogs.fileRequests.last().initialFolder, QtPath(home.path()));
        }
        QVERIFY(QDir(QtPath(home.path())).mkdir("Documents"));
        {
            Harness h;
            QVERIFY(h.Start());
            h.window->mnuFileSaveAsClick();
            QCOMPARE(h.dialogs.fileRequests.last().initialFolder, QtPath(home / "Documents"));
        }
        {
            // A file named on the command line: where the user is working.
            Harness h;
            QVERIFY(QDir(h.Folder()).mkdir("work"));
            QVERIFY(WriteFile(h.Path("work/q.sql"), "select 1"));
            QVERIFY(h.Start({h.Path("work/q.sql")}));
            h.window->mnuFileOpenClick();
            QCOMPARE(h.dialogs.fileRequests.last().initialFolder, h.Path("work"));
        }
        qputenv("HOME", oldHome);
    }

    // The captions of every command below `menus`, without their mnemonic ("(&F)", "&") and "...".
    static QStringList MenuCaptions(const QWidget *menus) {
        QStringList captions;
        for (QAction *action : menus->actions()) {
            if (action->isSeparator()) continue;
            if (action->menu()) captions += MenuCaptions(action->menu());
            QString caption = action->text();
            caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&|\\.\\.\\.|…")));
            if (!caption.isEmpty() && !action->menu()) captions << caption.trimmed();
        }
        return captions;
    }

    // ヘルプ opens the help document kept beside the program in the build tree.
    void helpOpensTheHelpDocument() {
        Harness h;
        h.desktop.programPath = QStringLiteral(KELVRA_PROGRAM_FOLDER "/kelvra");
        QVERIFY(h.Start());
        h.window->mnuHelpHelpClick();
        QVERIFY(h.dialogs.Messages().isEmpty());
        QCOMPARE(h.desktop.urls.size(), 1);
        const QString opened = QUrl(h.desktop.urls[0]).toLocalFile();
        const QByteArray page = ReadAll(opened);
        QVERIFY(page.startsWith("<!DOCTYPE html>"));
        // Every command of the menus is described, as the menus name it.
        const QString text = QString::fromUtf8(page);
        const QStringList captions = MenuCaptions(h.window->menuBar());
        QVERIFY(captions.size() > 30);
        QStringList missing;
        for (const QString &caption : captions)
            if (!text.contains(caption)) missing << caption;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
        for (const char *topic : {"Kelvra.ini", "kelvra-format", "KeepMeaning", "意味が変わる箇所"})
            QVERIFY2(page.contains(topic), topic);
        QVERIFY(!page.contains("<link")); // one file, its style inside
    }
};

QTEST_MAIN(EditWindowTest)
#include "EditWindowTest.moc"
