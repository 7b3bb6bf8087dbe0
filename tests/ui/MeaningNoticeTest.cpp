// After a format run whose result means something else than the text before
// it, the window says how many such places there are and where the first is;
// the result stays, and 整形前に戻す brings the text back.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/Edit.h"

#include <QTest>

using namespace kelvra;
using namespace kelvra::test;

using Harness = EditHarness;

namespace {

// 意味を保つ off: the base rules, under which line breaks run words together.
void UseTheBaseRules(Harness &h) {
    QAction *keepMeaning = h.window->findChild<QAction *>("mnuFormatKeepMeaning");
    QVERIFY(keepMeaning && keepMeaning->isChecked());
    keepMeaning->trigger();
}

} // namespace

class MeaningNoticeTest : public QObject {
    Q_OBJECT
private slots:
    // Line breaks do not separate words by default; where meaning is kept such a
    // line break becomes a blank, and the run says nothing.
    void theDefaultModeKeepsTheWordsApart() {
        Harness h;
        QVERIFY(h.StartShown());
        h.SetText("select a\r\nfrom t\r\nwhere b\r\nand c = 1;");
        h.window->mnuExeRunClick();
        QVERIFY(h.Text().find("A \r\nFROM") != std::string::npos);
        QVERIFY(h.Text().find("B \r\n        AND C = 1") != std::string::npos);
        QCOMPARE(h.window->StatusText(2), QString());
    }

    // Under the base rules "a" and "from" run together, and the window says so.
    void aRunThatJoinsWordsSaysSoInTheStatusLine() {
        Harness h;
        QVERIFY(h.StartShown());
        UseTheBaseRules(h);
        const std::string before = "select a\r\nfrom t\r\nwhere b\r\nand c = 1;";
        h.SetText(before);
        h.window->mnuExeRunClick();
        QCOMPARE(h.window->StatusText(2), QString::fromUtf8("意味が変わる箇所が 3 件あります（最初は 1 行 9 桁）"));
        QVERIFY(h.Text().find("AFROM") != std::string::npos); // the result is what the rules give
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QVERIFY(h.Text() == before);
        QCOMPARE(h.window->StatusText(2), QString());
    }

    // Undo takes the run back, and its notice with it; Redo gives the result
    // again without one (the notice belonged to the run, not to the text).
    void undoOfTheRunTakesItsNoticeAway() {
        Harness h;
        QVERIFY(h.StartShown());
        UseTheBaseRules(h);
        h.SetText("select a\r\nfrom t;");
        h.window->mnuExeRunClick();
        QVERIFY(!h.window->StatusText(2).isEmpty());
        QTest::keyClick(EditProbe(h.window).rchOut(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.Text(), std::string("select a\r\nfrom t;"));
        QCOMPARE(h.window->StatusText(2), QString());
        QTest::keyClick(EditProbe(h.window).rchOut(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(h.Text().find("AFROM") != std::string::npos);
        QCOMPARE(h.window->StatusText(2), QString());
    }

    void aRunThatKeepsTheMeaningSaysNothing() {
        Harness h;
        QVERIFY(h.StartShown());
        UseTheBaseRules(h);
        h.SetText("select a\r\nfrom t\r\nwhere b\r\nand c = 1;");
        h.window->mnuExeRunClick();
        QVERIFY(!h.window->StatusText(2).isEmpty());
        h.SetText("select a , b from t where c = 'x';");
        h.window->mnuExeRunClick(); // the notice of the run before goes
        QCOMPARE(h.window->StatusText(2), QString());
    }

    void theRunSummaryNamesThePlacesToo() {
        Harness h;
        QVERIFY(h.StartShown());
        UseTheBaseRules(h);
        h.SetText("select 1\r\n, 2 from t\r\nwhere x = y\r\nor z");
        h.desktop.shift = true;
        h.window->mnuExeRunClick();
        QCOMPARE(h.dialogs.asked.size(), 1);
        QVERIFY(h.dialogs.asked[0].text.startsWith("Time : "));
        const QString notice = QString::fromUtf8("\r\n意味が変わる箇所が 2 件あります（最初は 2 行 11 桁）");
        QVERIFY2(h.dialogs.asked[0].text.endsWith(notice), qPrintable(h.dialogs.asked[0].text));
    }
};

QTEST_MAIN(MeaningNoticeTest)
#include "MeaningNoticeTest.moc"
