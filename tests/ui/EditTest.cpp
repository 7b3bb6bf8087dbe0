// The main window driven headless: start-up, documents, history, drops,
// closing, the format command and the settings menu.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/UiTexts.h"
#include "formatter/TextUtil.h"
#include "platform/TextCodec.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

#include <unistd.h>

using namespace kelvra;
using namespace kelvra::test;

namespace {

using texts::U;

const char kExample[] =
    "select a.id, b.name, nvl(b.qty, 0) qty from orders a, items b where a.id = b.id and b.qty > 10 order by a.id;";

using Harness = EditHarness;

} // namespace

class EditTest : public QObject {
    Q_OBJECT
private slots:
    void startWithoutArguments() {
        Harness h;
        QVERIFY(h.Start({}));
        QCOMPARE(h.window->windowTitle(), U("Kelvra - Untitled"));
        QCOMPARE(h.window->ApplicationTitle(), U("Untitled"));
        QCOMPARE(h.window->StatusText(0), U("  1:  1"));
        QCOMPARE(h.window->StatusText(1), U("標準モード"));
        QVERIFY(h.Text().empty());
        QVERIFY(!EditProbe(h.window).Editor().RichMode());
        QVERIFY(h.dialogs.asked.isEmpty());
    }

    void startWithAFileLoadsItAsPlainText() {
        Harness h;
        QVERIFY(WriteFile(h.Path("q.rtf"), "{\\rtf1 hello}"));
        QVERIFY(h.Start({h.Path("q.rtf")}));
        QCOMPARE(h.Text(), std::string("{\\rtf1 hello}"));
        QCOMPARE(h.window->HistoryEntry(0), h.Path("q.rtf"));
        QCOMPARE(h.window->ApplicationTitle(), U("q.rtf"));
        QVERIFY(!EditProbe(h.window).Editor().Modified());
    }

    void startWithAMissingFileEndsTheProgram() {
        Harness h;
        QVERIFY(!h.Start({h.Path("missing.sql")}));
        QCOMPARE(h.dialogs.Messages(), QStringList{U("初期処理でエラーが発生しました")});
        Harness viewer;
        QVERIFY(!viewer.Start({"-X2", viewer.Path("missing.sql")}));
    }

    void launchSwitchWithoutFile() {
        for (const char *sw : {"-X1", "-X2"}) {
            Harness h;
            QVERIFY(h.Start({sw}));
            QCOMPARE(EditProbe(h.window).DocPath(), U("Untitled.rtf"));
            QCOMPARE(h.window->windowTitle(), U("Kelvra - Untitled"));
            QVERIFY(EditProbe(h.window).Editor().RichMode());
        }
    }

    void richModeWithMissingOrReadOnlyFile() {
        Harness h;
        QVERIFY(h.Start({"-X1", h.Path("gone.sql")}));
        QCOMPARE(h.dialogs.Messages(), QStringList{U("ファイルが見つかりません。\r\n") + h.Path("gone.sql")});
        QCOMPARE(EditProbe(h.window).DocPath(), U("Untitled"));
        QVERIFY(h.window->HistoryEntry(0).isEmpty());

        Harness r;
        QVERIFY(WriteFile(r.Path("ro.sql"), "select 1"));
        QFile::setPermissions(r.Path("ro.sql"), QFile::ReadOwner | QFile::ReadGroup);
        r.dialogs.answers = {Answer::Cancel};
        QVERIFY(r.Start({"-X1", r.Path("ro.sql")}));
        QCOMPARE(EditProbe(r.window).DocPath(), U("Untitled"));
        QVERIFY(r.Text().empty());
    }

    void richModeReadsRtfByExtension() {
        Harness h;
        QVERIFY(WriteFile(h.Path("Report.RTF"), "{\\rtf1\\ansi {\\b bold} plain}"));
        QVERIFY(h.Start({"-X1", h.Path("Report.RTF")}));
        QCOMPARE(h.Text(), std::string("bold plain"));
        QCOMPARE(EditProbe(h.window).BoldWords(), QStringList{"bold"});

        Harness p;
        QVERIFY(WriteFile(p.Path("query.sql"), "{\\rtf1 x}"));
        QVERIFY(p.Start({"-X1", p.Path("query.sql")}));
        QCOMPARE(p.Text(), std::string("{\\rtf1 x}"));
        QVERIFY(EditProbe(p.window).Editor().RichMode());
    }

    void viewerIsLockedSilverAndWritesNoSettings() {
        Harness h;
        QVERIFY(WriteFile(h.Path("v.sql"), "select 1"));
        QVERIFY(h.Start({"-X2", h.Path("v.sql")}));
        QVERIFY(EditProbe(h.window).rchOut()->IsReadOnly());
        QVERIFY(!EditProbe(h.window).Menu("mnuEditMenu")->menuAction()->isEnabled());
        QVERIFY(!EditProbe(h.window).Menu("mnuExeMenu")->menuAction()->isEnabled());
        QVERIFY(!EditProbe(h.window).Action("mnuFileOpen")->isEnabled());
        QVERIFY(EditProbe(h.window).Action("mnuFileExit")->isEnabled());
        QVERIFY(!Part<QToolBar>(h.window.get(), "SpdBar")->isEnabled());
        QCOMPARE(EditProbe(h.window).rchOut()->palette().color(QPalette::Base), QColor(192, 192, 192));
        h.window->mnuExeRunClick();
        QCOMPARE(h.Text(), std::string("select 1"));
        h.window->close();
        QVERIFY(!QFile::exists(h.Path("Kelvra.ini")));
    }

    void furtherArgumentsStartFurtherProcesses() {
        Harness h;
        for (const char *n : {"a.sql", "b.sql", "c.sql"}) QVERIFY(WriteFile(h.Path(n), n));
        QVERIFY(h.Start({h.Path("a.sql"), h.Path("b.sql"), h.Path("c.sql")}));
        QCOMPARE(h.Text(), std::string("a.sql"));
        QCOMPARE(h.desktop.started.size(), 1);
        QCOMPARE(h.desktop.started[0], (QStringList{h.Path("b.sql"), h.Path("c.sql")}));
        Harness r;
        QVERIFY(WriteFile(r.Path("a.sql"), "a"));
        QVERIFY(r.Start({"-X1", r.Path("a.sql"), r.Path("b.sql")}));
        QCOMPARE(r.desktop.started.size(), 1);
        QCOMPARE(r.desktop.started[0], QStringList{r.Path("b.sql")}); // the switch is not passed on
    }

    void droppedFiles() {
        Harness h;
        for (const char *n : {"1.sql", "2.sql", "3.sql"}) QVERIFY(WriteFile(h.Path(n), n));
        QVERIFY(h.Start({}));
        h.window->WMDropFiles({h.Path("1.sql"), h.Path("2.sql"), h.Path("3.sql")});
        QCOMPARE(h.Text(), std::string("1.sql"));
        QCOMPARE(EditProbe(h.window).DocPath(), h.Path("1.sql"));
        QCOMPARE(h.desktop.started.size(), 2);
        QCOMPARE(h.desktop.started[0], QStringList{h.Path("2.sql")});

        h.desktop.started.clear();
        EditProbe(h.window).rchOut()->InsertText("edit");
        QVERIFY(EditProbe(h.window).Editor().Modified());
        h.window->WMDropFiles({h.Path("1.sql"), h.Path("2.sql"), h.Path("3.sql")});
        QCOMPARE(h.desktop.started.size(), 3);

        h.window->WMDropFiles({h.Folder()});
        QCOMPARE(h.dialogs.Messages().last(), U("ディレクトリーは開けられません。\r\n") + h.Folder());
    }

    // A message during start-up once reset the hourglass, and the end of start-up then
    // turned it on for good.
    void startupMessageLeavesNoBusyCursor() {
        Harness h;
        QVERIFY(h.Start({"-X1", h.Path("gone.sql")}));
        QCOMPARE(h.dialogs.Messages().size(), 1);
        QVERIFY(!QApplication::overrideCursor());
    }

    // Every way a file becomes the document names it the same way: path, caption, application title.
    void droppedFileNamesTheDocumentLikeOpen() {
        Harness h;
        QVERIFY(WriteFile(h.Path("dropped.sql"), "x"));
        QVERIFY(h.Start({}));
        h.window->WMDropFiles({h.Path("dropped.sql")});
        QCOMPARE(EditProbe(h.window).DocPath(), h.Path("dropped.sql"));
        QCOMPARE(h.window->windowTitle(), U("Kelvra - ") + h.Path("dropped.sql"));
        QCOMPARE(h.window->ApplicationTitle(), U("dropped.sql"));
    }

    void closeWithCancelStillWritesSettings() {
        Harness h;
        QVERIFY(h.Start({}));
        h.window->show();
        EditProbe(h.window).rchOut()->InsertText("unsaved");
        h.dialogs.answers = {Answer::Cancel};
        QVERIFY(!h.window->close());
        QVERIFY(h.window->isVisible());
        QVERIFY(QFile::exists(h.Path("Kelvra.ini")));
        QCOMPARE(h.dialogs.asked.first().text, U("Untitled を保存しますか？"));
    }

    // "Yes" to saving, then the save does not happen (here Save As is cancelled):
    // the window stays open with the text, for closing and New alike.
    void unsavedTextSurvivesASaveThatDidNotHappen() {
        Harness h;
        QVERIFY(h.Start({}));
        h.window->show();
        EditProbe(h.window).rchOut()->InsertText("unsaved");
        h.dialogs.answers = {Answer::Yes};
        h.dialogs.files = {std::nullopt};
        QVERIFY(!h.window->close());
        QVERIFY(h.window->isVisible());
        h.dialogs.answers = {Answer::Yes};
        h.dialogs.files = {std::nullopt};
        h.window->mnuFileNewClick();
        QCOMPARE(h.Text(), std::string("unsaved"));
        QVERIFY(EditProbe(h.window).Editor().Modified());
    }

    void overwriteSave() {
        Harness h;
        QVERIFY(h.Start({}));
        EditProbe(h.window).rchOut()->InsertText("select 1");
        h.dialogs.files = {std::nullopt};
        h.window->mnuFileSaveClick();
        QCOMPARE(h.dialogs.asked.size(), 1); // straight to Save As, no confirmation
        QCOMPARE(h.dialogs.asked[0].kind, QString("save"));
        QCOMPARE(h.dialogs.fileRequests[0].title, U("名前をつけて保存"));
        QCOMPARE(h.dialogs.fileRequests[0].defaultSuffix, QString(".sql"));

        QVERIFY(WriteFile(h.Path("ro.sql"), "old"));
        QFile::setPermissions(h.Path("ro.sql"), QFile::ReadOwner);
        EditProbe(h.window).SetDocPath(h.Path("ro.sql"));
        h.dialogs.asked.clear();
        h.dialogs.files = {std::nullopt};
        h.window->mnuFileSaveClick();
        QCOMPARE(h.dialogs.asked[0].text,
                 U("このファイルはシステムファイル又は、読み出し専用ファイルです。\r\n名前を付けて保存して下さい。"));
        QCOMPARE(h.dialogs.asked[1].kind, QString("save"));
        QCOMPARE(h.dialogs.fileRequests.last().initialFolder + "/" + h.dialogs.asked[1].text, h.Path("ro.sql"));
        QCOMPARE(ReadAll(h.Path("ro.sql")), QByteArray("old"));

        QVERIFY(WriteFile(h.Path("w.sql"), "old"));
        EditProbe(h.window).SetDocPath(h.Path("w.sql"));
        h.dialogs.answers = {Answer::Ok};
        h.window->mnuFileSaveClick();
        QCOMPARE(ReadAll(h.Path("w.sql")), QByteArray("select 1"));
        QCOMPARE(h.window->StatusText(2), U("上書き保存されました"));
        QVERIFY(!EditProbe(h.window).Editor().Modified());
    }

    void saveAsByModeAndExtension() {
        struct Case {
            QStringList args;
            const char *name;
            bool rtf;
        };
        const Case cases[] = {{{}, "x.rtf", false},
                              {{}, "x.sql", false},
                              {{"-X1"}, "x.rtf", true},
                              {{"-X1"}, "y.RTF", true},
                              {{"-X1"}, "x.sql", false}};
        for (const Case &c : cases) {
            Harness h;
            QVERIFY(h.Start(c.args));
            EditProbe(h.window).rchOut()->InsertText(U("select '表'"));
            h.dialogs.files = {h.Path(c.name)};
            h.window->mnuFileSaveAsClick();
            const QByteArray bytes = ReadAll(h.Path(c.name));
            QCOMPARE(bytes.startsWith("{\\rtf1"), c.rtf);
            if (!c.rtf) QCOMPARE(bytes, QByteArray(EncodeCp932("select '表'").bytes.c_str()));
            QCOMPARE(h.window->windowTitle(), U("Kelvra - ") + h.Path(c.name));
            QCOMPARE(h.window->HistoryEntry(0), h.Path(c.name));
        }
    }

    // 元に戻す is enabled only while there is something to undo: not right after a
    // file is opened, and no undo brings back the text of the file before it.
    void undoFollowsWhatThereIsToUndo() {
        Harness h;
        QVERIFY(WriteFile(h.Path("a.sql"), "select a"));
        QVERIFY(WriteFile(h.Path("b.sql"), "select b"));
        QVERIFY(h.Start({h.Path("a.sql")}));
        QAction *undo = EditProbe(h.window).Action("mnuEditUndo");
        QCoreApplication::processEvents();
        QVERIFY(!undo->isEnabled());
        QTest::keyClicks(EditProbe(h.window).rchOut(), "x");
        QCoreApplication::processEvents();
        QVERIFY(undo->isEnabled());
        h.dialogs.answers = {Answer::No}; // opening b.sql: a.sql's change is not saved
        h.dialogs.files = {h.Path("b.sql")};
        h.window->mnuFileOpenClick();
        QCoreApplication::processEvents();
        QVERIFY(!undo->isEnabled());
        h.window->mnuEditUndoClick();
        QCOMPARE(h.Text(), std::string("select b"));
        QCOMPARE(EditProbe(h.window).DocPath(), h.Path("b.sql"));
    }

    void nothingIsLostSilentlyOnOpenOrSave() {
        Harness h;
        QVERIFY(WriteFile(h.Path("bad.sql"), QByteArray("select \x81\xFF 1")));
        QVERIFY(WriteFile(h.Path("good.sql"), "select 1"));
        QVERIFY(h.Start({h.Path("good.sql")}));
        h.dialogs.files = {h.Path("bad.sql")};
        h.dialogs.answers = {Answer::Cancel}; // do not replace the undecodable bytes
        h.window->mnuFileOpenClick();
        QVERIFY(h.dialogs.asked.last().text.contains(h.Path("bad.sql")));
        QCOMPARE(EditProbe(h.window).DocPath(), h.Path("good.sql"));
        QCOMPARE(h.Text(), std::string("select 1"));

        // A wave dash has no code of its own in Shift-JIS: the save offers UTF-8.
        EditProbe(h.window).SetPlainText(U("select '\u301C'"));
        EditProbe(h.window).Action("mnuFormatSaveCheck")->setChecked(false);
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuFileSaveClick();
        QVERIFY(h.dialogs.asked.last().text.contains(QChar(0x301C)));
        QCOMPARE(ReadAll(h.Path("good.sql")), QByteArray("\xEF\xBB\xBFselect '\xE3\x80\x9C'"));
        h.dialogs.answers = {Answer::Cancel};
        EditProbe(h.window).SetPlainText(U("changed '\u301C'"));
        h.window->mnuFileSaveClick(); // already UTF-8: no question, saved as it is
        QCOMPARE(ReadAll(h.Path("good.sql")), QByteArray("\xEF\xBB\xBF"
                                                         "changed '\xE3\x80\x9C'"));
    }

    // Saving asks before bytes of the file change without a word: a character the
    // file wrote with two codes, mixed line ends, a second name of the file.
    // Cancel writes nothing and shows no error; OK saves.
    void saveAsksBeforeTheFilesOwnBytesChange() {
        struct Case {
            const char *name;
            QByteArray bytes, savedAfterOk;
            QString question;
        } cases[] = {
            {"mixed.sql", "a\r\n'b\nc'", "a\r\n'b\r\nc'",
             U("このファイルには種類の違う改行が混在しています。\r\n保存するとすべての改行を CR+LF "
               "にそろえます。保存しますか？")},
            {"recoded.sql", "\xED\x40-\xFA\x5C", "\xED\x40-\xED\x40",
             U("次の文字は、このファイルの中で２種類のコードで書かれています（2 箇所）：\r\n纊\r\n\r\n"
               "保存するとすべて同じコードで書き込まれます。保存しますか？")},
            {"linked.sql", "select 1", "select 1", QString()},
        };
        for (const Case &c : cases) {
            Harness h;
            QVERIFY(WriteFile(h.Path(c.name), c.bytes));
            const bool linked = c.question.isEmpty();
            if (linked) {
                QVERIFY(::link(QFile::encodeName(h.Path(c.name)).constData(),
                               QFile::encodeName(h.Path("other.sql")).constData()) == 0);
            }
            QVERIFY(h.Start({h.Path(c.name)}));
            EditProbe(h.window).Action("mnuFormatSaveCheck")->setChecked(false);
            const QString question =
                linked
                    ? h.Path(c.name) +
                          U(" には、ほかに 1 個の名前（ハードリンク）があります。\r\n"
                            "「OK」でこの名前だけに新しい内容を保存します（ほかの名前は元の内容のまま残ります）。\r\n"
                            "「キャンセル」で保存をやめます。元のファイルを残すには「名前を付けて保存」で別のファイルに"
                            "保存して下さい。")
                    : c.question;
            h.dialogs.answers = {Answer::Cancel};
            h.window->mnuFileSaveClick();
            QCOMPARE(h.dialogs.asked.size(), 1);
            QCOMPARE(h.dialogs.asked[0].kind, QString("okCancel"));
            QCOMPARE(h.dialogs.asked[0].text, question);
            QCOMPARE(ReadAll(h.Path(c.name)), c.bytes);

            h.dialogs.answers = {Answer::Ok};
            h.window->mnuFileSaveClick();
            QCOMPARE(h.dialogs.asked.size(), 2);
            QVERIFY(h.dialogs.Messages().isEmpty());
            QCOMPARE(ReadAll(h.Path(c.name)), c.savedAfterOk);
            QCOMPARE(h.window->StatusText(2), U("上書き保存されました"));
            if (linked) QCOMPARE(ReadAll(h.Path("other.sql")), c.bytes);
        }
    }

    // A file with NUL bytes is named as no text file before it opens.
    void openingAFileThatIsNoTextSaysSo() {
        Harness h;
        QVERIFY(WriteFile(h.Path("nul.sql"), QByteArray("select\0 1", 9)));
        QVERIFY(h.Start({}));
        h.dialogs.files = {h.Path("nul.sql")};
        h.dialogs.answers = {Answer::Cancel};
        h.window->mnuFileOpenClick();
        QCOMPARE(
            h.dialogs.asked.last().text,
            h.Path("nul.sql") +
                U(" はテキストファイルではありません（NUL バイトを含むか、UTF-16 のファイルです）。\r\n"
                  "テキストとして開きますか？\r\n（読めない部分は「\uFFFD」に置き換わり、保存すると元に戻りません）"));
        QVERIFY(h.dialogs.Messages().isEmpty());
        QCOMPARE(h.Text(), std::string());
    }

    // Opening a file, from the dialog or from the history, replaces the document:
    // unsaved changes are asked about first, and Cancel keeps everything as it is.
    void openAsksAboutUnsavedChanges() {
        Harness h;
        QVERIFY(WriteFile(h.Path("A.sql"), "a"));
        QVERIFY(h.Start({h.Path("A.sql")}));
        EditProbe(h.window).rchOut()->InsertText("edited ");
        h.dialogs.answers = {Answer::Cancel};
        h.window->mnuFileOpenClick();
        QCOMPARE(h.dialogs.asked.size(), 1);
        QCOMPARE(h.dialogs.asked[0].text, h.Path("A.sql") + U(" を保存しますか？"));
        h.window->mnuFileRirekiClick(0);
        QCOMPARE(h.dialogs.asked.size(), 2);
        QCOMPARE(h.Text(), std::string("edited a"));
        QVERIFY(EditProbe(h.window).Editor().Modified());

        // No: the file opens and the changes go.
        h.dialogs.answers = {Answer::No};
        h.window->mnuFileRirekiClick(0);
        QCOMPARE(h.Text(), std::string("a"));
        QVERIFY(!EditProbe(h.window).Editor().Modified());
        // Unchanged: no question.
        h.dialogs.asked.clear();
        h.dialogs.files = {h.Path("A.sql")};
        h.window->mnuFileOpenClick();
        QCOMPARE(h.dialogs.asked.size(), 1);
        QCOMPARE(h.dialogs.asked[0].kind, QString("open"));
    }

    void historyOrder() {
        Harness h;
        QVERIFY(WriteFile(h.Path("A.sql"), "a"));
        QVERIFY(WriteFile(h.Path("B.sql"), "b"));
        QVERIFY(h.Start({}));
        for (const char *n : {"A.sql", "B.sql", "A.sql"}) {
            h.dialogs.files = {h.Path(n)};
            h.window->mnuFileOpenClick();
        }
        QCOMPARE(h.window->HistoryEntry(0), h.Path("A.sql"));
        QCOMPARE(h.window->HistoryEntry(1), h.Path("B.sql"));
        QCOMPARE(h.window->HistoryEntry(2), h.Path("A.sql"));
        h.window->OpenPath(h.Path("gone.sql"));
        QCOMPARE(h.dialogs.Messages().last(), U("ファイルが見つかりません"));
        h.window->mnuFileRirekiClick(1);
        QCOMPARE(h.Text(), std::string("b"));
        QCOMPARE(h.window->HistoryEntry(0), h.Path("B.sql"));
    }

    void formatRunGivesTheExampleInBold() {
        Harness h;
        QVERIFY(h.Start({}));
        EditProbe(h.window).SetPlainText(kExample);
        h.window->mnuExeRunClick();
        const std::vector<std::string> lines = SplitLines(h.Text());
        QCOMPARE(lines.size(), std::size_t(13));
        QCOMPARE(lines[0], std::string("SELECT "));
        QCOMPARE(lines[3], std::string("        NVL ( B.QTY , 0 ) QTY "));
        QCOMPARE(lines[12], std::string(9, ' '));
        QCOMPARE(EditProbe(h.window).BoldWords(), (QStringList{"SELECT", "NVL", "FROM", "WHERE", "AND", "ORDER BY"}));
        QCOMPARE(EditProbe(h.window).rchOut()->Position(), 0);
        QVERIFY(!EditProbe(h.window).rchOut()->IsReadOnly());
        QVERIFY(EditProbe(h.window).Menu("mnuEditMenu")->menuAction()->isEnabled());
        QVERIFY(h.dialogs.asked.isEmpty()); // no summary without Shift

        // A second run starts from the editor font: an unchecked word loses its bold.
        EditProbe(h.window).Catalogue().SetState(
            KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SELECT"), CheckState::Unchecked);
        h.window->mnuExeRunClick();
        QVERIFY(!EditProbe(h.window).BoldWords().contains("SELECT"));

        // Revert brings back the text from before the last run.
        const std::string formatted = EditProbe(h.window).RevertText();
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), formatted);
        QVERIFY(EditProbe(h.window).BoldWords().isEmpty());
    }

    void shiftGivesTheRunSummary() {
        Harness h;
        QVERIFY(h.Start({}));
        EditProbe(h.window).SetPlainText("select \"a\", 'b' -- c\nfrom t");
        h.desktop.shift = true;
        h.window->mnuExeRunClick();
        QCOMPARE(h.dialogs.asked.size(), 1);
        QCOMPARE(h.dialogs.asked[0].caption, U("Untitled"));
        QVERIFY(
            h.dialogs.asked[0].text.startsWith("Time : 0.75s\r\n\r\nK    : 1 ( \" ) \r\nR    : 1 ( ' ) \r\nC    : 1"));
    }

    void unmatchedQuoteIsHighlightedWhileItsMessageIsUp() {
        Harness h;
        QVERIFY(h.Start({}));
        EditProbe(h.window).SetPlainText(U("select '表示 from t"));
        QString selected;
        h.dialogs.onAsk = [&](const Asked &) { selected = EditProbe(h.window).rchOut()->SelectedText(); };
        h.window->mnuExeRunClick();
        QCOMPARE(h.dialogs.Messages(), QStringList{U("対になる文字列（'）が見つかりません")});
        QCOMPARE(h.dialogs.asked[0].caption, U("エラー"));
        QCOMPARE(selected, QString("'"));
        QCOMPARE(h.Text(), std::string("select '表示 from t"));
        QVERIFY(!EditProbe(h.window).rchOut()->IsReadOnly());
    }

    void cancelRestoresTheTextAndUnlocks() {
        Harness h;
        QVERIFY(h.Start({}));
        std::string big;
        while (big.size() < 3'000'000) big += std::string(kExample) + "\n";
        EditProbe(h.window).SetPlainText(QString::fromStdString(big));
        const std::string before = h.Text();
        bool lockedWhileRunning = false;
        QTimer::singleShot(20, h.window.get(), [&] {
            lockedWhileRunning = !EditProbe(h.window).Menu("mnuFileMenu")->menuAction()->isEnabled() &&
                                 EditProbe(h.window).rchOut()->IsReadOnly();
            Part<QPushButton>(EditProbe(h.window).dlgCancel(), "bitCancel")->click();
        });
        h.window->mnuExeRunClick();
        QVERIFY(lockedWhileRunning);
        QCOMPARE(h.Text(), before);
        QVERIFY(!EditProbe(h.window).rchOut()->IsReadOnly());
        QVERIFY(EditProbe(h.window).Menu("mnuFileMenu")->menuAction()->isEnabled());
        QVERIFY(Part<QToolBar>(h.window.get(), "SpdBar")->isEnabled());
        QCOMPARE(EditProbe(h.window).Action("mnuEditCopy")->shortcut(), QKeySequence("Ctrl+C"));
        QVERIFY(!EditProbe(h.window).dlgCancel()->isVisible());
        QVERIFY(h.dialogs.asked.isEmpty());
    }

    void escapePressesCancel() {
        TdlgCancel dialog;
        int locks = 0;
        dialog.SetLockHandler([&](bool on) { locks += on ? 1 : -1; });
        dialog.ShowForRun();
        QVERIFY(!dialog.CancelRequested());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.CancelRequested());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(locks, 0);
        dialog.ShowForRun();
        QVERIFY(!dialog.CancelRequested());
    }

    void settingsMenu() {
        Harness h;
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nIndent=12\r\n"));
        QVERIFY(h.Start({}));
        QVERIFY(EditProbe(h.window).Action("mnuKeta8")->isChecked());
        EditProbe(h.window).Action("mnuCommaBefore")->trigger();
        EditProbe(h.window).Action("mnuCommaBefore")->trigger();
        QVERIFY(EditProbe(h.window).Action("mnuCommaBefore")->isChecked());
        QVERIFY(!EditProbe(h.window).Action("mnuCommaAfter")->isChecked());
        EditProbe(h.window).Action("mnuFormatMode")->trigger();
        QCOMPARE(h.window->StatusText(1), U("簡易モード"));
        EditProbe(h.window).Action("mnuFormatMode")->trigger();
        QCOMPARE(h.window->StatusText(1), U("標準モード"));
        h.window->SaveSettings();
        QVERIFY(ReadAll(h.Path("Kelvra.ini")).contains("Indent=12"));
        EditProbe(h.window).Action("mnuKeta3")->trigger();
        EditProbe(h.window).SetPlainText("select a from t");
        h.window->mnuExeRunClick();
        QCOMPARE(SplitLines(h.Text())[1], std::string("   A "));
        h.window->SaveSettings();
        QVERIFY(ReadAll(h.Path("Kelvra.ini")).contains("Indent=3"));
    }

    // 意味を保つ stands after the emphasis item, starts from the settings file,
    // reaches the next run and is stored at exit.
    void keepMeaningMenuItem() {
        Harness h;
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nKeepMeaning=False\r\n"));
        QVERIFY(h.Start({}));
        QAction *item = EditProbe(h.window).Action("mnuFormatKeepMeaning");
        QVERIFY(item->isCheckable());
        QVERIFY(!item->isChecked());
        QCOMPARE(item->text(), U("意味を保つ"));
        const QList<QAction *> menu = EditProbe(h.window).Menu("mnuFormatMenu")->actions();
        QCOMPARE(menu.indexOf(item), menu.indexOf(EditProbe(h.window).Action("mnuFormatBold")) + 1);
        EditProbe(h.window).SetPlainText("select `a  b`");
        h.window->mnuExeRunClick();
        QCOMPARE(SplitLines(h.Text())[1], std::string("        `A B`"));
        item->trigger();
        EditProbe(h.window).SetPlainText("select `a  b`");
        h.window->mnuExeRunClick();
        QCOMPARE(SplitLines(h.Text())[1], std::string("        `a  b`"));
        h.window->SaveSettings();
        QVERIFY(ReadAll(h.Path("Kelvra.ini")).contains("KeepMeaning=True"));
    }

    // 方言 follows 意味を保つ: five items of which one is checked, starting
    // from the settings file; each sets the options, hints on the status bar
    // and is stored at exit.
    void dialectMenu() {
        Harness h;
        QVERIFY(WriteFile(h.Path("Kelvra.ini"), "[Setting]\r\nDialect=PostgreSQL\r\n"));
        QVERIFY(h.Start({}));
        EditProbe probe(h.window);
        QMenu *menu = probe.Menu("mnuFormatDialect");
        QCOMPARE(menu->title(), U("方言"));
        const QList<QAction *> format = probe.Menu("mnuFormatMenu")->actions();
        QCOMPARE(format.indexOf(menu->menuAction()), format.indexOf(probe.Action("mnuFormatKeepMeaning")) + 1);
        auto checked = [menu] {
            QStringList names;
            for (QAction *a : menu->actions())
                if (a->isChecked()) names << a->objectName();
            return names;
        };
        QCOMPARE(checked(), QStringList{"mnuDialectPostgreSql"});
        QCOMPARE(probe.Options().Dialect, SqlDialect::PostgreSql);

        const struct {
            const char *name, *caption, *client;
            SqlDialect dialect;
        } items[] = {
            {"mnuDialectAny", "すべての読み方を保つ", "sqlcmd", SqlDialect::Any},
            {"mnuDialectOracle", "Oracle (SQL*Plus)", "SQL*Plus", SqlDialect::Oracle},
            {"mnuDialectPostgreSql", "PostgreSQL (psql)", "psql", SqlDialect::PostgreSql},
            {"mnuDialectMySql", "MySQL (mysql)", "mysql", SqlDialect::MySql},
            {"mnuDialectSqlServer", "SQL Server (sqlcmd)", "sqlcmd", SqlDialect::SqlServer},
        };
        QCOMPARE(menu->actions().size(), int(std::size(items)));
        for (std::size_t i = 0; i < std::size(items); ++i) {
            QAction *item = menu->actions()[int(i)];
            QCOMPARE(item->objectName(), QString(items[i].name));
            QCOMPARE(item->text(), U(items[i].caption));
            item->trigger();
            item->trigger(); // a checked item stays checked
            QCOMPARE(checked(), QStringList{items[i].name});
            QCOMPARE(probe.Options().Dialect, items[i].dialect);
            item->showStatusText(h.window.get());
            QVERIFY2(h.window->StatusText(2).contains(items[i].client), qPrintable(h.window->StatusText(2)));
        }
        probe.Action("mnuDialectOracle")->trigger();
        h.window->SaveSettings();
        QVERIFY(ReadAll(h.Path("Kelvra.ini")).contains("Dialect=oracle"));
    }
};

QTEST_MAIN(EditTest)
#include "EditTest.moc"
