// The format command as the window runs it: what "中断" does at every moment
// of a run, and what a run that ends without a result leaves behind.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/Cancel.h"
#include "ui/Edit.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

using namespace kelvra;
using namespace kelvra::test;

namespace {

using Harness = EditHarness;

std::string ManyStatements(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "select a, b, nvl(c, 0) from t where x = " + std::to_string(i) + ";\r\n";
    return text;
}

void Press(TextView *edit, Qt::Key key) { QTest::keyClick(edit, key, Qt::ControlModifier); }

} // namespace

class FormatRunTest : public QObject {
    Q_OBJECT
private slots:
    // Once the core has finished (the stage bar on its last step) the editor's
    // text is still being made; "中断" then still gives back the text from before the run.
    void cancelAfterTheCoreHasFinishedGivesBackTheTextAsItWas() {
        Harness h;
        QVERIFY(h.StartShown());
        const std::string before = ManyStatements(40000);
        h.SetText(before, false);
        bool pressedAfterTheCore = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QProgressBar *stages = Part<QProgressBar>(EditProbe(h.window).dlgCancel(), "prgBar2");
            if (!pressedAfterTheCore && EditProbe(h.window).dlgCancel()->isVisible() &&
                stages->value() == stages->maximum() - 1) {
                pressedAfterTheCore = true;
                Part<QPushButton>(EditProbe(h.window).dlgCancel(), "bitCancel")->click();
            }
        });
        poll.start(1);
        h.window->mnuExeRunClick();
        poll.stop();
        if (!pressedAfterTheCore) QSKIP("the run ended before the press could land");
        QVERIFY(h.Text() == before);
        QVERIFY(EditProbe(h.window).BoldWords().isEmpty());
        QVERIFY(!EditProbe(h.window).Editor().Modified());
        QVERIFY(!EditProbe(h.window).dlgCancel()->isVisible());
        QVERIFY(!EditProbe(h.window).rchOut()->IsReadOnly());
        QVERIFY(h.dialogs.asked.isEmpty());
    }

    // A second run asked for while a cancelled one winds down does not start.
    void runDoesNotStartWhileACancelledOneWindsDown() {
        Harness h;
        QVERIFY(h.StartShown());
        h.SetText(ManyStatements(20000), false);
        int runsStarted = 0;
        QTimer::singleShot(20, h.window.get(), [&] {
            Part<QPushButton>(EditProbe(h.window).dlgCancel(), "bitCancel")->click();
            const std::string during = h.Text();
            h.window->mnuExeRunClick(); // must return at once
            ++runsStarted;
            QVERIFY(h.Text() == during);
        });
        h.window->mnuExeRunClick();
        QCOMPARE(runsStarted, 1);
    }

    // A format run is one step for Ctrl+Z and Ctrl+Y; the edit before it stays
    // undoable, and the result shows its bold again after Ctrl+Y.
    void formatRunIsOneUndoStep() {
        Harness h;
        QVERIFY(h.StartShown());
        TextView *edit = EditProbe(h.window).rchOut();
        h.SetText("select a from t", false);
        edit->SetCaret(edit->Model().Length());
        QTest::keyClicks(edit, "x");
        h.window->mnuExeRunClick();
        const std::string formatted = h.Text();
        QCOMPARE(formatted, std::string("SELECT \r\n        A \r\nFROM \r\n        TX"));
        const QStringList bold{"SELECT", "FROM"};
        QCOMPARE(EditProbe(h.window).BoldWords(), bold);
        // The screen shows it: the first line's layout draws SELECT in bold.
        const auto drawn = edit->Model().DrawingFormats(0);
        const auto boldDrawn = std::find_if(drawn.begin(), drawn.end(), [](const QTextLayout::FormatRange &r) {
            return r.format.fontWeight() >= QFont::Bold;
        });
        QVERIFY(boldDrawn != drawn.end());
        QCOMPARE(boldDrawn->start, 0);
        QCOMPARE(boldDrawn->length, 6);

        Press(edit, Qt::Key_Z);
        QCOMPARE(h.Text(), std::string("select a from tx"));
        QVERIFY(EditProbe(h.window).BoldWords().isEmpty());
        Press(edit, Qt::Key_Z);
        QCOMPARE(h.Text(), std::string("select a from t"));
        Press(edit, Qt::Key_Y);
        Press(edit, Qt::Key_Y);
        QCOMPARE(h.Text(), formatted);
        QCOMPARE(EditProbe(h.window).BoldWords(), bold);
    }

    // "整形前に戻す" is one step too: Undo gives back the formatted text with its bold.
    void revertIsOneUndoStep() {
        Harness h;
        QVERIFY(h.StartShown());
        h.SetText("select a from t", false);
        h.window->mnuExeRunClick();
        const std::string formatted = h.Text();
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), std::string("select a from t"));
        h.window->mnuEditUndoClick();
        QCOMPARE(h.Text(), formatted);
        QCOMPARE(EditProbe(h.window).BoldWords(), (QStringList{"SELECT", "FROM"}));
        h.window->mnuEditUndoClick();
        QCOMPARE(h.Text(), std::string("select a from t"));
        QVERIFY(EditProbe(h.window).BoldWords().isEmpty());
    }

    // A run that ends without a result leaves the document as it was, its
    // modified flag included, so closing does not ask to save an unchanged text.
    void runWithoutResultLeavesTheModifiedFlagAsItWas_data() {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("unmatched quote, clean") << false << false;
        QTest::newRow("unmatched quote, modified") << true << false;
        QTest::newRow("cancelled, clean") << false << true;
    }
    void runWithoutResultLeavesTheModifiedFlagAsItWas() {
        QFETCH(bool, modified);
        QFETCH(bool, cancel);
        Harness h;
        QVERIFY(h.StartShown());
        const std::string before = cancel ? ManyStatements(20000) : "select 'abc from t";
        h.SetText(before, modified);
        if (cancel)
            QTimer::singleShot(0, h.window.get(),
                               [&] { Part<QPushButton>(EditProbe(h.window).dlgCancel(), "bitCancel")->click(); });
        h.window->mnuExeRunClick();
        QVERIFY(h.Text() == before);
        QCOMPARE(EditProbe(h.window).Editor().Modified(), modified);
        h.dialogs.answers = {Answer::No};
        h.dialogs.asked.clear();
        h.window->close();
        QCOMPARE(h.dialogs.asked.size(), modified ? 1 : 0); // the save question only for a changed text
    }
};

QTEST_MAIN(FormatRunTest)
#include "FormatRunTest.moc"
