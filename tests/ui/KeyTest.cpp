// The reserved-word table dialog driven headless: the click rules of both
// lists, the all-check buttons, OK and the ways out that put the stored states
// back, and the effect on formatting and on the settings file.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/UiTexts.h"
#include "formatter/TextUtil.h"
#include "ui/Edit.h"
#include "ui/Key.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace kelvra;
using namespace kelvra::test;

namespace {

using texts::U;

constexpr CheckState Off = CheckState::Unchecked;
constexpr CheckState On = CheckState::Checked;
constexpr CheckState Gray = CheckState::Grayed;

const char kExample[] = "select a.id, b.name from orders a where a.id = 1;";

// The main window, with its reserved-word dialog shown without a nested event loop.
struct Harness : EditHarness {
    TfrmKey &Key() { return *EditProbe(window).frmKey(); }
    KeywordCatalogue &Cat() { return EditProbe(window).Catalogue(); }
    CheckState Yoyaku(const char *t) {
        return Cat().State(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, t));
    }
    CheckState Kansu(const char *t) {
        return Cat().State(KeywordList::Kansu, KeywordCatalogue::Find(KeywordList::Kansu, t));
    }
    CheckState Hidden(KeywordList l, const char *t) { return Cat().State(l, KeywordCatalogue::Find(l, t)); }
    void Open() {
        Key().show();
        QVERIFY(QTest::qWaitForWindowExposed(&Key()));
    }
};

// A user's click on the check box of the entry `text`.
void ClickBox(CheckListBox *list, KeywordList kind, const char *text) {
    const int row = KeywordCatalogue::Find(kind, text) - 1;
    QVERIFY(row >= 0);
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->CheckBoxRect(row).center());
}
void ClickYoyaku(Harness &h, const char *text) {
    ClickBox(Part<CheckListBox>(&h.Key(), "clbYoyaku"), KeywordList::Yoyaku, text);
}
void ClickKansu(Harness &h, const char *text) {
    ClickBox(Part<CheckListBox>(&h.Key(), "clbKansu"), KeywordList::Kansu, text);
}

// The lists must show exactly the catalogue.
void VerifyListsShowCatalogue(Harness &h) {
    for (int p = 1; p <= KeywordCatalogue::kYoyakuCount; ++p)
        QCOMPARE(Part<CheckListBox>(&h.Key(), "clbYoyaku")->ShownState(p - 1), h.Cat().State(KeywordList::Yoyaku, p));
    for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p)
        QCOMPARE(Part<CheckListBox>(&h.Key(), "clbKansu")->ShownState(p - 1), h.Cat().State(KeywordList::Kansu, p));
}

QStringList Lines(QTextEdit *memo) { return memo->toPlainText().split('\n'); }

} // namespace

class KeyTest : public QObject {
    Q_OBJECT
private slots:
    void layoutAndTexts() {
        Harness h;
        QVERIFY(h.Start());
        TfrmKey &k = h.Key();
        QVERIFY(!k.isVisible());
        QVERIFY(EditProbe(h.window).Action("mnuFormatYoyaku")->isEnabled());
        QCOMPARE(k.windowTitle(), U("予約語テーブル"));
        QCOMPARE(Part<QTabWidget>(&k, "PagCon1")->tabText(0), U("予約語"));
        QCOMPARE(Part<QTabWidget>(&k, "PagCon1")->tabText(1), U("関数"));
        QCOMPARE(Part<QLabel>(&k, "Label1")->text(), U("チェックを付けると予約語として機能します"));
        QCOMPARE(Part<QLabel>(&k, "Label2")->text(), U("チェックを付けると関数として機能します"));
        QCOMPARE(Part<CheckListBox>(&k, "clbYoyaku")->count(), 284);
        QCOMPARE(Part<CheckListBox>(&k, "clbKansu")->count(), 83);
        QCOMPARE(Part<CheckListBox>(&k, "clbYoyaku")->item(229)->text(), U("SELECT"));
        QCOMPARE(Part<CheckListBox>(&k, "clbKansu")->item(39)->text(), U("MONTH_BETWEEN"));
        for (QPushButton *b : {Part<QPushButton>(&k, "btnYoyakuAllCheck"), Part<QPushButton>(&k, "btnKansuAllCheck")})
            QCOMPARE(b->text(), U("全てチェック"));
        for (QPushButton *b :
             {Part<QPushButton>(&k, "btnYoyakuAllUnCheck"), Part<QPushButton>(&k, "btnKansuAllUnCheck")})
            QCOMPARE(b->text(), U("全て解除"));
        QCOMPARE(Part<QPushButton>(&k, "btnOk")->text(), U("OK"));
        QVERIFY(Part<QPushButton>(&k, "btnOk")->isDefault());
        QCOMPARE(Part<QPushButton>(&k, "BitBtn2")->text(), U("Cancel"));

        const QStringList yoyaku = Lines(Part<QTextEdit>(&k, "memMsgYoyaku"));
        QCOMPARE(yoyaku.size(), 9);
        QCOMPARE(yoyaku[0], U("整形の基本は予約語をもとに行っ"));
        QVERIFY(yoyaku[5].isEmpty() && yoyaku[8].isEmpty());
        QCOMPARE(yoyaku[7], U("処理の時間が短縮されます。"));
        const QStringList kansu = Lines(Part<QTextEdit>(&k, "memMsgKansu"));
        QCOMPARE(kansu.size(), 15);
        QCOMPARE(kansu[2], U("後ろに（ ）で括られた文字列を持"));
        QVERIFY(kansu[11].isEmpty());
        QCOMPARE(kansu[14], U("認識されません。"));
        for (QTextEdit *m : {Part<QTextEdit>(&k, "memMsgYoyaku"), Part<QTextEdit>(&k, "memMsgKansu")}) {
            QVERIFY(m->isReadOnly());
            QCOMPARE(m->focusPolicy(), Qt::NoFocus);
        }
    }

    void reopensOnThePageShownLast() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        QCOMPARE(Part<QTabWidget>(&h.Key(), "PagCon1")->currentWidget(), Part<QWidget>(&h.Key(), "tabYoyaku"));
        Part<QTabWidget>(&h.Key(), "PagCon1")->setCurrentWidget(Part<QWidget>(&h.Key(), "tabKansu"));
        Part<QPushButton>(&h.Key(), "BitBtn2")->click();
        QVERIFY(!h.Key().isVisible());
        h.Open();
        QCOMPARE(Part<QTabWidget>(&h.Key(), "PagCon1")->currentWidget(), Part<QWidget>(&h.Key(), "tabKansu"));
    }

    // A reserved word carries its function (gray while the word is off) and its
    // entries in the hidden lists; a function the user switched off stays off.
    void reservedWordClickRules() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickKansu(h, "SUBSTR"); // the user does not want SUBSTR as a function
        QCOMPARE(h.Kansu("SUBSTR"), Off);

        struct Step {
            const char *word;
            CheckState reserved, function;
        };
        const Step steps[] = {{"NVL", Off, Gray}, {"NVL", On, On}, {"SUBSTR", Off, Off}, {"SUBSTR", On, Off}};
        for (const Step &s : steps) {
            ClickYoyaku(h, s.word);
            QCOMPARE(h.Yoyaku(s.word), s.reserved);
            QCOMPARE(h.Kansu(s.word), s.function);
            QCOMPARE(Part<CheckListBox>(&h.Key(), "clbYoyaku")->currentItem()->text(), U(s.word));
        }

        ClickYoyaku(h, "AND");
        QCOMPARE(h.Hidden(KeywordList::UsiroNo, "AND"), Off);
        ClickYoyaku(h, "SELECT");
        QCOMPARE(h.Hidden(KeywordList::Tandoku, "SELECT"), Off);
        ClickYoyaku(h, "SELECT");
        QCOMPARE(h.Hidden(KeywordList::Tandoku, "SELECT"), On);
        QCOMPARE(h.Hidden(KeywordList::MaeNo, "DATE"), On);
        ClickYoyaku(h, "DATE");
        QCOMPARE(h.Hidden(KeywordList::MaeNo, "DATE"), Off);
        VerifyListsShowCatalogue(h);
    }

    void functionClickRules() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        // With its reserved word on, a function alternates between off and checked.
        ClickKansu(h, "ABS");
        QCOMPARE(h.Kansu("ABS"), Off);
        ClickKansu(h, "ABS");
        QCOMPARE(h.Kansu("ABS"), On);

        // With its reserved word off: grayed, off, grayed again (never checked).
        ClickYoyaku(h, "NVL");
        QCOMPARE(h.Kansu("NVL"), Gray);
        ClickKansu(h, "NVL");
        QCOMPARE(h.Kansu("NVL"), Off);
        ClickKansu(h, "NVL");
        QCOMPARE(h.Kansu("NVL"), Gray);
        QCOMPARE(h.Yoyaku("NVL"), Off);

        // MONTH_BETWEEN has no reserved word and runs through all three states.
        for (CheckState expected : {Off, Gray, On, Off}) {
            ClickKansu(h, "MONTH_BETWEEN");
            QCOMPARE(h.Kansu("MONTH_BETWEEN"), expected);
        }
        VerifyListsShowCatalogue(h);
    }

    // Only a click on the box or the space bar changes a state, and both go
    // through the rules.
    void onlyBoxClicksAndSpaceChangeStates() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        CheckListBox *list = Part<CheckListBox>(&h.Key(), "clbYoyaku");
        const int nvl = KeywordCatalogue::Find(KeywordList::Yoyaku, "NVL") - 1;
        list->scrollToItem(list->item(nvl));
        const QRect row = list->visualItemRect(list->item(nvl));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 60, row.center().y()));
        QCOMPARE(list->currentRow(), nvl);
        QCOMPARE(h.Yoyaku("NVL"), On);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 60, row.center().y()));
        QCOMPARE(h.Yoyaku("NVL"), On);

        list->setFocus();
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(h.Yoyaku("NVL"), Off);
        QCOMPARE(h.Kansu("NVL"), Gray);
        QCOMPARE(list->item(nvl)->checkState(), Qt::Unchecked);

        CheckListBox *functions = Part<CheckListBox>(&h.Key(), "clbKansu");
        Part<QTabWidget>(&h.Key(), "PagCon1")->setCurrentWidget(Part<QWidget>(&h.Key(), "tabKansu"));
        functions->setCurrentRow(KeywordCatalogue::Find(KeywordList::Kansu, "NVL") - 1);
        functions->setFocus();
        QTest::keyClick(functions, Qt::Key_Space);
        QCOMPARE(h.Kansu("NVL"), Off);
        QTest::keyClick(functions, Qt::Key_Space);
        QCOMPARE(h.Kansu("NVL"), Gray);
        QCOMPARE(functions->item(KeywordCatalogue::Find(KeywordList::Kansu, "NVL") - 1)->checkState(),
                 Qt::PartiallyChecked);
    }

    void reservedAllUncheckThenAllCheck() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickKansu(h, "ABS");  // off by the user's choice
        ClickYoyaku(h, "NVL"); // NVL function grayed before the buttons
        Part<QPushButton>(&h.Key(), "btnYoyakuAllUnCheck")->click();
        for (int p = 1; p <= KeywordCatalogue::kYoyakuCount; ++p) QCOMPARE(h.Cat().State(KeywordList::Yoyaku, p), Off);
        QCOMPARE(h.Kansu("ABS"), Off);
        QCOMPARE(h.Kansu("NVL"), Gray);
        QCOMPARE(h.Kansu("COUNT"), Gray);
        QCOMPARE(h.Kansu("MONTH_BETWEEN"), Gray);
        for (KeywordList l : {KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo})
            for (int p = 1; p <= KeywordCatalogue::Count(l); ++p) QCOMPARE(h.Cat().State(l, p), Off);
        VerifyListsShowCatalogue(h);

        Part<QPushButton>(&h.Key(), "btnYoyakuAllCheck")->click();
        for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p)
            QCOMPARE(h.Cat().State(KeywordList::Kansu, p),
                     p == KeywordCatalogue::Find(KeywordList::Kansu, "ABS") ? Off : On);
        for (KeywordList l : {KeywordList::Yoyaku, KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo})
            for (int p = 1; p <= KeywordCatalogue::Count(l); ++p) QCOMPARE(h.Cat().State(l, p), On);
        VerifyListsShowCatalogue(h);
    }

    void functionAllCheckGraysWhereTheReservedWordIsOff() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickYoyaku(h, "NVL");
        Part<QPushButton>(&h.Key(), "btnKansuAllUnCheck")->click();
        for (int p = 1; p <= KeywordCatalogue::kKansuCount; ++p) QCOMPARE(h.Cat().State(KeywordList::Kansu, p), Off);
        Part<QPushButton>(&h.Key(), "btnKansuAllCheck")->click();
        QCOMPARE(h.Kansu("NVL"), Gray);
        QCOMPARE(h.Kansu("ABS"), On);
        QCOMPARE(h.Kansu("MONTH_BETWEEN"), Off); // no reserved word: keeps its state
        QCOMPARE(h.Yoyaku("NVL"), Off);
        VerifyListsShowCatalogue(h);
    }

    // Every way out but OK drops the changes, the hidden lists included.
    void waysOutRestoreTheStoredStates_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("close box") << "close";
    }
    void waysOutRestoreTheStoredStates() {
        QFETCH(QString, how);
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickYoyaku(h, "SELECT");
        ClickKansu(h, "ABS");
        QCOMPARE(h.Hidden(KeywordList::Tandoku, "SELECT"), Off);
        if (how == "cancel")
            Part<QPushButton>(&h.Key(), "BitBtn2")->click();
        else if (how == "esc")
            QTest::keyClick(Part<CheckListBox>(&h.Key(), "clbYoyaku"), Qt::Key_Escape);
        else
            h.Key().close();
        QVERIFY(!h.Key().isVisible());
        QCOMPARE(h.Yoyaku("SELECT"), On);
        QCOMPARE(h.Hidden(KeywordList::Tandoku, "SELECT"), On);
        QCOMPARE(h.Kansu("ABS"), On);
        QVERIFY(EditProbe(h.window).StoredSettings().YoyakuStates.empty());
        QVERIFY(EditProbe(h.window).StoredSettings().KansuStates.empty());
        VerifyListsShowCatalogue(h);
    }

    void okBuildsTheStoredStrings() {
        {
            Harness h; // first start: nothing stored
            QVERIFY(h.Start());
            h.Open();
            Part<QPushButton>(&h.Key(), "btnOk")->click();
            QVERIFY(!h.Key().isVisible());
            QCOMPARE(EditProbe(h.window).StoredSettings().YoyakuStates, std::string(284, '1'));
            QCOMPARE(EditProbe(h.window).StoredSettings().KansuStates, std::string(83, '2'));
        }
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickYoyaku(h, "SELECT");
        ClickYoyaku(h, "NVL");                                                      // function NVL grayed: "1"
        ClickKansu(h, "ABS");                                                       // function ABS off: "0"
        QTest::keyClick(Part<CheckListBox>(&h.Key(), "clbYoyaku"), Qt::Key_Return); // Enter answers OK
        QVERIFY(!h.Key().isVisible());
        std::string yoyaku(284, '1');
        yoyaku[230 - 1] = '0';
        yoyaku[KeywordCatalogue::Find(KeywordList::Yoyaku, "NVL") - 1] = '0';
        QCOMPARE(EditProbe(h.window).StoredSettings().YoyakuStates, yoyaku);
        std::string kansu(83, '2');
        kansu[0] = '0';
        kansu[48 - 1] = '1';
        QCOMPARE(EditProbe(h.window).StoredSettings().KansuStates, kansu);
        // Closing after OK changes nothing; reopening shows the kept states.
        QCOMPARE(h.Yoyaku("SELECT"), Off);
        QCOMPARE(h.Hidden(KeywordList::Tandoku, "SELECT"), Off);
        h.Open();
        QCOMPARE(Part<CheckListBox>(&h.Key(), "clbYoyaku")->item(229)->checkState(), Qt::Unchecked);
        QCOMPARE(Part<CheckListBox>(&h.Key(), "clbKansu")->item(47)->checkState(), Qt::PartiallyChecked);
    }

    // The format run's clean-up closes the hidden dialog, which puts the stored
    // states back over anything changed behind the dialog's back.
    void formatRunReappliesTheStoredStates() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickYoyaku(h, "SELECT");
        Part<QPushButton>(&h.Key(), "btnOk")->click();
        h.Cat().SetState(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SELECT"), On);
        EditProbe(h.window).SetPlainText(kExample);
        h.window->mnuExeRunClick();
        QCOMPARE(h.Yoyaku("SELECT"), Off);
        QVERIFY(!h.Key().isVisible());
    }

    // A settings file with only one of the two strings: nothing usable was
    // stored, so every entry stays checked, before and after a format run.
    void oneStoredStringAloneChecksEverything() {
        TempDir dir;
        {
            QFile ini(QtPath(dir / "Kelvra.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Software]\r\nVersion=109\r\n[Setting]\r\nYoyaku=" + QByteArray(284, '0') + "\r\n");
        }
        Harness h;
        QVERIFY(h.StartIn(dir.path(), dir.path()));
        QCOMPARE(h.Yoyaku("SELECT"), On);
        EditProbe(h.window).SetPlainText(kExample);
        h.window->mnuExeRunClick();
        QCOMPARE(h.Yoyaku("SELECT"), On);
        QCOMPARE(h.Hidden(KeywordList::Tandoku, "SELECT"), On);
        QCOMPARE(EditProbe(h.window).StoredSettings().YoyakuStates, std::string(284, '0')); // kept as read
    }

    void menuOpensTheDialogModally() {
        Harness h;
        QVERIFY(h.Start());
        QVERIFY(h.Key().isModal());
        h.dialogs.onModal = [&](QDialog &d) {
            QCOMPARE(&d, static_cast<QDialog *>(&h.Key()));
            h.Open();
            ClickYoyaku(h, "SELECT");
            Part<QPushButton>(&h.Key(), "btnOk")->click();
        };
        h.window->mnuFormatYoyakuClick();
        QCOMPARE(h.dialogs.asked.size(), 1);
        QCOMPARE(h.dialogs.asked[0].kind, U("modal"));
        QCOMPARE(h.dialogs.asked[0].caption, U("予約語テーブル"));
        QVERIFY(!h.Key().isVisible());
        QCOMPARE(EditProbe(h.window)
                     .StoredSettings()
                     .YoyakuStates[KeywordCatalogue::Find(KeywordList::Yoyaku, "SELECT") - 1],
                 '0');
    }

    void viewerModeDoesNotOpenTheDialog() {
        Harness h;
        QVERIFY(h.Start({"-X2"}));
        h.window->mnuFormatYoyakuClick();
        QVERIFY(h.dialogs.asked.isEmpty());
    }

    // Unchecking SELECT and pressing OK changes what a format run does, and the
    // choice survives a restart through the settings file.
    void uncheckedSelectEndToEnd() {
        TempDir dir;
        std::vector<std::string> before;
        {
            Harness h;
            QVERIFY(h.StartIn(dir.path(), dir.path()));
            EditProbe(h.window).SetPlainText(kExample);
            h.window->mnuExeRunClick();
            before = SplitLines(EditProbe(h.window).Editor().Text());
            QCOMPARE(before[0], std::string("SELECT "));
            QVERIFY(EditProbe(h.window).BoldWords().contains("SELECT"));

            h.dialogs.onModal = [&](QDialog &) {
                h.Open();
                ClickYoyaku(h, "SELECT");
                Part<QPushButton>(&h.Key(), "btnOk")->click();
            };
            h.window->mnuFormatYoyakuClick();
            EditProbe(h.window).SetPlainText(kExample);
            h.window->mnuExeRunClick();
            const std::vector<std::string> after = SplitLines(EditProbe(h.window).Editor().Text());
            QVERIFY(!EditProbe(h.window).BoldWords().contains("SELECT"));
            QVERIFY(EditProbe(h.window).BoldWords().contains("FROM"));
            // SELECT is plain text now: no line of its own, indented like the text around it.
            QCOMPARE(after[0], std::string("        SELECT A.ID , "));
            QCOMPARE(after[1], std::string("        B.NAME "));
            QCOMPARE(after.size(), before.size() - 1);
            h.window->SaveSettings();
        }
        Harness again;
        QVERIFY(again.StartIn(dir.path(), dir.path()));
        QCOMPARE(again.Yoyaku("SELECT"), Off);
        QCOMPARE(again.Hidden(KeywordList::Tandoku, "SELECT"), Off);
        QCOMPARE(EditProbe(again.window).StoredSettings().YoyakuStates.size(), std::size_t(284));
        EditProbe(again.window).SetPlainText(kExample);
        again.window->mnuExeRunClick();
        QVERIFY(!EditProbe(again.window).BoldWords().contains("SELECT"));
        QCOMPARE(SplitLines(EditProbe(again.window).Editor().Text())[0], std::string("        SELECT A.ID , "));
    }

    // Pictures of both pages with all three states near the top of each list.
    void screenshots() {
        Harness h;
        QVERIFY(h.Start());
        h.Open();
        ClickYoyaku(h, "ADD_MONTHS"); // reserved word off, its function gray
        ClickKansu(h, "ABS");         // function off
        Part<CheckListBox>(&h.Key(), "clbYoyaku")
            ->scrollToItem(
                Part<CheckListBox>(&h.Key(), "clbYoyaku")->item(KeywordCatalogue::Find(KeywordList::Yoyaku, "ABS") - 1),
                QAbstractItemView::PositionAtTop);
        Part<CheckListBox>(&h.Key(), "clbYoyaku")
            ->setCurrentRow(KeywordCatalogue::Find(KeywordList::Yoyaku, "ADD_MONTHS") - 1);
        const QString out = qEnvironmentVariable("KELVRA_SHOTS", QDir::tempPath());
        QVERIFY(h.Key().grab().save(out + "/key-yoyaku.png"));
        Part<QTabWidget>(&h.Key(), "PagCon1")->setCurrentWidget(Part<QWidget>(&h.Key(), "tabKansu"));
        Part<CheckListBox>(&h.Key(), "clbKansu")->setCurrentRow(KeywordCatalogue::Find(KeywordList::Kansu, "AVG") - 1);
        QVERIFY(h.Key().grab().save(out + "/key-kansu.png"));
        QCOMPARE(h.Kansu("ABS"), Off);
        QCOMPARE(h.Kansu("ADD_MONTHS"), Gray);
        QCOMPARE(h.Kansu("ASCII"), On);
    }
};

QTEST_MAIN(KeyTest)
#include "KeyTest.moc"
