// The search and replace dialog, its confirmation and the colour palette,
// driven headless through the main window.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/UiTexts.h"
#include "ui/Cancel.h"
#include "ui/ChangeKakunin.h"
#include "ui/ColourSwatch.h"
#include "ui/Edit.h"
#include "ui/Pallet.h"
#include "ui/Search.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

using namespace kelvra;
using namespace kelvra::test;
using Result = TdlgChangeKakunin::Result;

namespace {

using texts::U;

const QColor kRed(0xFF, 0, 0), kBlue(0, 0, 0xFF);

struct Harness : EditHarness {
    std::deque<Result> answers; // for the confirmation dialog; Cancel when used up
    QStringList questions;      // captions of the confirmation dialog, in order

    // Starts the window on the settings file `ini` (none when empty).
    bool Start(const QByteArray &ini = {}) {
        if (!ini.isEmpty() && !WriteIni(ini)) return false;
        if (!EditHarness::Start()) return false;
        EditProbe(window).dlgChangeKakunin()->SetAsker([this](TdlgChangeKakunin &dlg) {
            questions << dlg.windowTitle();
            if (answers.empty()) return Result::Cancel;
            Result r = answers.front();
            answers.pop_front();
            return r;
        });
        return true;
    }
    TfrmSearch &Search() { return *EditProbe(window).frmSearch(); }
    // Opens the dialog (tab 0 search, 1 replace), fills it in and runs it.
    void Run(int tab, const QString &find, const QString &change = {}, bool fromCaret = false) {
        if (tab == 0)
            window->mnuEditSerchClick();
        else
            window->mnuEditChangeClick();
        Part<QComboBox>(&Search(), "cmbSearch")->setEditText(find);
        Part<QComboBox>(&Search(), "cmbChangeTo")->setEditText(change);
        Part<QRadioButton>(&Search(), fromCaret ? "radPosCaret" : "radPosFirst")->setChecked(true);
        Part<QPushButton>(&Search(), "btnChange")->click();
    }
    QString LastMessage() const { return dialogs.Messages().value(dialogs.Messages().size() - 1); }
    QColor ColourAt(int position) {
        return EditProbe(window).rchOut()->Model().FormatAt(position).foreground().color();
    }
    TextView &View() { return *EditProbe(window).rchOut(); }
    bool Locked() {
        return !EditProbe(window).Menu("mnuEditMenu")->menuAction()->isEnabled() &&
               !Part<QToolBar>(window.get(), "SpdBar")->isEnabled() && EditProbe(window).rchOut()->IsReadOnly() &&
               EditProbe(window).Action("mnuEditCopy")->shortcut().isEmpty();
    }
    bool Unlocked() {
        return EditProbe(window).Menu("mnuEditMenu")->menuAction()->isEnabled() &&
               EditProbe(window).Menu("mnuFileMenu")->menuAction()->isEnabled() &&
               Part<QToolBar>(window.get(), "SpdBar")->isEnabled() && !EditProbe(window).rchOut()->IsReadOnly() &&
               EditProbe(window).Action("mnuEditCopy")->shortcut() == QKeySequence("Ctrl+C");
    }
    void Select(int start, int length) { EditProbe(window).rchOut()->SetSelection(start, start + length); }
};

QStringList Items(QComboBox *box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
    return out;
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void openingLocksTheMainWindowUntilClosed() {
        Harness h;
        QVERIFY(h.Start());
        h.window->mnuEditChangeClick();
        QVERIFY(h.Search().isVisible());
        QCOMPARE(h.Search().windowTitle(), U("置換"));
        QCOMPARE(Part<QPushButton>(&h.Search(), "btnChange")->text(), U("置換(&S)"));
        QVERIFY(!Part<QComboBox>(&h.Search(), "cmbChangeTo")->isHidden());
        QVERIFY(h.Locked());
        // A second opening while the Edit menu is disabled does nothing, not even switch the tab.
        h.window->mnuEditSerchClick();
        QCOMPARE(h.Search().Mode(), SearchMode::Replace);
        Part<QPushButton>(&h.Search(), "btnChangeCancel")->click();
        QVERIFY(!h.Search().isVisible());
        QVERIFY(h.Unlocked());
        // The tab follows the command that opens the dialog.
        h.window->mnuEditSerchClick();
        QCOMPARE(h.Search().Mode(), SearchMode::Search);
        QCOMPARE(h.Search().windowTitle(), U("検索"));
        QCOMPARE(Part<QPushButton>(&h.Search(), "btnChange")->text(), U("検索(&S)"));
        QVERIFY(Part<QComboBox>(&h.Search(), "cmbChangeTo")->isHidden());
        QVERIFY(!Part<QComboBox>(&h.Search(), "cmbChangeTo")->isEnabled());
        QTest::keyClick(Part<QComboBox>(&h.Search(), "cmbSearch"), Qt::Key_Escape);
        QVERIFY(!h.Search().isVisible());
        QVERIFY(h.Unlocked());
    }

    void runOutcomes_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("fromCaret");
        QTest::addColumn<QList<int>>("answers"); // Result values
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("questions");

        const QList<int> yes{int(Result::Yes)}, no3{int(Result::No), int(Result::No), int(Result::No)};
        QTest::newRow("lower case does not find upper case")
            << 0 << "SELECT a FROM t"
            << "select"
            << "" << false << yes << U("文字列は見つかりませんでした") << "SELECT a FROM t" << 0;
        QTest::newRow("full-width letters keep their case")
            << 1 << U("ＳＥＬＥＣＴ ｓｅｌｅｃｔ") << U("ｓｅｌｅｃｔ") << "x" << false << yes
            << U("1個中、1個置換しました") << U("ＳＥＬＥＣＴ x") << 1;
        QTest::newRow("no to every occurrence changes nothing")
            << 1 << "A;A;A"
            << "A"
            << "B" << false << no3 << U("3個中、0個置換しました") << "A;A;A" << 3;
        QTest::newRow("search mode leaves the text as it is")
            << 0 << "ab ab"
            << "ab"
            << "" << false << QList<int>{int(Result::Yes), int(Result::Yes)} << U("2個見つかりました") << "ab ab" << 2;
        QTest::newRow("A by AA asks once per original occurrence")
            << 1 << "A-A-A"
            << "A"
            << "AA" << false << QList<int>{int(Result::Yes), int(Result::Yes), int(Result::Yes)}
            << U("3個中、3個置換しました") << "AA-AA-AA" << 3;
        QTest::newRow("A by AA all at once")
            << 1 << "A-A-A"
            << "A"
            << "AA" << false << QList<int>{int(Result::All)} << U("3個中、3個置換しました") << "AA-AA-AA" << 1;
        QTest::newRow("all after a no") << 1 << U("表A\r\n表A\r\n表A") << U("表A") << U("票") << false
                                        << QList<int>{int(Result::No), int(Result::All)} << U("3個中、2個置換しました")
                                        << U("表A\r\n票\r\n票") << 2;
        QTest::newRow("cancel still reports the counts so far")
            << 1 << "x x x"
            << "x"
            << "y" << false << QList<int>{int(Result::Yes), int(Result::Cancel)} << U("1個中、1個置換しました")
            << "y x x" << 2;
        QTest::newRow("from the caret after the last occurrence")
            << 0 << "SELECT 1;\r\nSELECT 2;"
            << "SELECT"
            << "" << true << yes << U("文字列は見つかりませんでした") << "SELECT 1;\r\nSELECT 2;" << 0;
        QTest::newRow("empty search text finds nothing")
            << 1 << "abc"
            << ""
            << "x" << false << yes << U("文字列は見つかりませんでした") << "abc" << 0;
        QTest::newRow("empty replacement deletes")
            << 1 << "a,b,c"
            << ","
            << "" << false << QList<int>{int(Result::All)} << U("2個中、2個置換しました") << "abc" << 1;
    }
    void runOutcomes() {
        QFETCH(int, tab);
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(QString, change);
        QFETCH(bool, fromCaret);
        QFETCH(QList<int>, answers);
        QFETCH(QString, message);
        QFETCH(QString, after);
        QFETCH(int, questions);
        Harness h;
        QVERIFY(h.Start());
        h.SetText(text.toStdString(), false);
        h.View().SetCaret(h.View().Model().Length());
        for (int a : answers) h.answers.push_back(Result(a));
        h.Run(tab, find, change, fromCaret);
        QCOMPARE(h.LastMessage(), message);
        QCOMPARE(QString::fromStdString(h.Text()), after);
        QCOMPARE(h.questions.size(), questions);
        const QString question = tab == 1 ? U("置換しますか？") : U("検索文字に色を着けますか？");
        for (const QString &q : h.questions) QCOMPARE(q, question);
        // Every run ends with the dialog closed and the main window unlocked.
        QVERIFY(!h.Search().isVisible());
        QVERIFY(!EditProbe(h.window).dlgCancel()->isVisible());
        QVERIFY(h.Unlocked());
    }

    void confirmationButtonsGiveTheirAnswers() {
        TdlgChangeKakunin dlg;
        const std::pair<QPushButton *, Result> buttons[] = {{Part<QPushButton>(&dlg, "bitAllYes"), Result::All},
                                                            {Part<QPushButton>(&dlg, "bitYes"), Result::Yes},
                                                            {Part<QPushButton>(&dlg, "bitNo"), Result::No},
                                                            {Part<QPushButton>(&dlg, "bitCancel"), Result::Cancel}};
        for (auto [button, result] : buttons) {
            QTimer::singleShot(0, button, &QPushButton::click);
            QCOMPARE(dlg.Ask(U("置換しますか？")), result);
            QCOMPARE(dlg.windowTitle(), U("置換しますか？"));
        }
        QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
        QCOMPARE(dlg.Ask(U("検索文字に色を着けますか？")), Result::Cancel);
        QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Return); });
        QCOMPARE(dlg.Ask(U("検索文字に色を着けますか？")), Result::Yes);
    }

    void noToEveryOccurrenceLeavesTheLastOneSelected() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("A;A;A", false);
        h.answers = {Result::No, Result::No, Result::No};
        h.Run(1, "A", "B");
        QCOMPARE(h.View().SelectionStart(), 4);
        QCOMPARE(h.View().SelectedText(), QString("A"));
        for (int i = 0; i < 5; ++i) QVERIFY(h.ColourAt(i) != kRed);
    }

    void acceptedOccurrencesTakeTheMarkingColour() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("ab ab ab", false);
        h.window->mnuEditSerchClick();
        Part<ColourSwatch>(&h.Search(), "pnl12")
            ->clicked(Part<ColourSwatch>(&h.Search(), "pnl12")->Colour()); // pnl12, blue
        QCOMPARE(h.Search().MarkingColour(), kBlue);
        h.Search().close();
        h.answers = {Result::No, Result::Yes, Result::No};
        h.Run(0, "ab");
        QCOMPARE(h.LastMessage(), U("3個見つかりました"));
        QVERIFY(h.ColourAt(0) != kBlue);
        QCOMPARE(h.ColourAt(3), kBlue);
        QCOMPARE(h.ColourAt(4), kBlue);
        QVERIFY(h.ColourAt(5) != kBlue);
        // Something was marked: the selection (the last occurrence) collapses to its start.
        QVERIFY(!h.View().HasSelection());
        QCOMPARE(h.View().Position(), 6);
        // The marking colour stays for the next opening, and is part of the saved document.
        h.window->mnuEditSerchClick();
        QCOMPARE(h.Search().MarkingColour(), kBlue);
        StyledText styled = EditProbe(h.window).Editor().Styled(EditProbe(h.window).EditorFont());
        QCOMPARE(styled.FormatAt(3).colour, (Rgb{0, 0, 255}));
        QVERIFY(styled.FormatAt(0).colour != (Rgb{0, 0, 255}));
    }

    void replacementKeepsTheBoldOfTheTextItReplaces() {
        Harness h;
        QVERIFY(h.Start());
        EditProbe(h.window).Editor().SetFormatted("SELECT x FROM t", {{0, 6}}, EditProbe(h.window).EditorFont());
        h.answers = {Result::All};
        h.Run(1, "SELECT", U("選択"));
        QCOMPARE(QString::fromStdString(h.Text()), U("選択 x FROM t"));
        QCOMPARE(EditProbe(h.window).BoldWords(), QStringList{U("選択")});
        QCOMPARE(h.ColourAt(0), kRed);
    }

    void historyIsPushedOnEveryRun() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("abc", false);
        h.Run(0, "zz", "yy"); // search mode: the hidden replacement box is pushed as well
        h.Run(0, "zz", "yy");
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbSearch")), (QStringList{"zz", "zz"}));
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbChangeTo")), (QStringList{"yy", "yy"}));
        h.Run(1, "", "");
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbSearch")), (QStringList{"", "zz", "zz"}));
    }

    void storedHistoryIsTakenOverOnceAndWrittenBack() {
        Harness h;
        QVERIFY(h.Start("[History]\r\nKeyWordFrom0=SELECT\r\nKeyWordFrom2=FROM\r\nKeyWordTo0=WHERE\r\n"));
        h.window->mnuEditSerchClick();
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbSearch")), (QStringList{"SELECT", "FROM"}));
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbChangeTo")), (QStringList{"WHERE"}));
        h.Search().close();
        h.window->mnuEditChangeClick();
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbSearch")), (QStringList{"SELECT", "FROM"}));
        h.Search().close();
        for (int i = 0; i < 9; ++i) h.Run(0, QString("w%1").arg(i));
        h.window->close();
        QFile ini(h.Path("Kelvra.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray bytes = ini.readAll();
        QVERIFY(bytes.contains("KeyWordFrom0=w8\r\n"));
        QVERIFY(bytes.contains("KeyWordFrom7=w1\r\n"));
        QVERIFY(!bytes.contains("KeyWordFrom8"));
        QVERIFY(!bytes.contains("SELECT"));
    }

    void boxesOpenOnTheNewestHistoryEntries() {
        Harness h;
        QVERIFY(h.Start("[History]\r\nKeyWordFrom0=newest\r\nKeyWordFrom1=older\r\nKeyWordFrom2=oldest\r\n"
                        "KeyWordTo0=to-new\r\nKeyWordTo1=to-old\r\n"));
        h.window->mnuEditChangeClick();
        QCOMPARE(Part<QComboBox>(&h.Search(), "cmbSearch")->currentText(), QString("newest"));
        QCOMPARE(Part<QComboBox>(&h.Search(), "cmbChangeTo")->currentText(), QString("to-new"));
    }

    // Typing into the real boxes with their completers, the focus moving on to
    // the button: a history entry that differs only in case is offered, never
    // put in place of what was typed.
    void typedTextIsWhatIsSearchedAndWrittenNotAHistoryEntry() {
        Harness h;
        QVERIFY(h.Start("[History]\r\nKeyWordFrom0=SELECT\r\nKeyWordTo0=Foo\r\n"));
        h.SetText("select a, SELECT b", false);
        h.window->show();
        h.window->mnuEditChangeClick();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Search()));
        h.Search().activateWindow();
        QLineEdit *find = Part<QComboBox>(&h.Search(), "cmbSearch")->lineEdit(),
                  *change = Part<QComboBox>(&h.Search(), "cmbChangeTo")->lineEdit();
        find->setFocus();
        find->selectAll();
        QTest::keyClicks(find, "select");
        change->setFocus(); // focus leaves the search box, as a click or Tab does
        change->selectAll();
        QTest::keyClicks(change, "foo");
        Part<QPushButton>(&h.Search(), "btnChange")->setFocus();
        QCOMPARE(Part<QComboBox>(&h.Search(), "cmbSearch")->currentText(), QString("select"));
        QCOMPARE(Part<QComboBox>(&h.Search(), "cmbChangeTo")->currentText(), QString("foo"));
        h.answers = {Result::All};
        QTest::mouseClick(Part<QPushButton>(&h.Search(), "btnChange"), Qt::LeftButton);
        QCOMPARE(h.Text(), std::string("foo a, SELECT b"));
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbSearch")).first(), QString("select"));
        QCOMPARE(Items(Part<QComboBox>(&h.Search(), "cmbChangeTo")).first(), QString("foo"));
    }

    void storedHistorySurvivesASessionWithoutTheDialog() {
        Harness h;
        QVERIFY(h.Start("[History]\r\nKeyWordFrom0=SELECT\r\nKeyWordTo0=WHERE\r\n"));
        h.window->close();
        QFile ini(h.Path("Kelvra.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray bytes = ini.readAll();
        QVERIFY(bytes.contains("KeyWordFrom0=SELECT\r\n"));
        QVERIFY(bytes.contains("KeyWordTo0=WHERE\r\n"));
    }

    void colourResetRestoresTheFontColourAndTheCaret() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("ab ab\r\nab", false);
        h.answers = {Result::All};
        h.Run(0, "ab");
        h.Select(4, 0);
        h.window->mnuEditSerchClick();
        Part<ColourSwatch>(&h.Search(), "pnl2")->clicked(Part<ColourSwatch>(&h.Search(), "pnl2")->Colour());
        Part<QPushButton>(&h.Search(), "btnColorReset")->click();
        for (int i = 0; i < 8; ++i) QCOMPARE(h.ColourAt(i), EditProbe(h.window).EditorFont().colour);
        QCOMPARE(h.View().Position(), 4);
        QVERIFY(!h.View().HasSelection());
        QCOMPARE(h.Search().MarkingColour(), kRed);
        QCOMPARE(h.Text(), std::string("ab ab\r\nab"));
    }

    void allAtOnceCanBeCancelled() {
        Harness h;
        QVERIFY(h.Start());
        std::string text;
        for (int i = 0; i < 200000; ++i) text += "x = 1;\r\n";
        h.SetText(text, false);
        h.answers = {Result::All};
        // The progress dialog's cancel is pressed once the run has gone through part of the text.
        bool shown = false;
        QTimer press;
        press.setInterval(0);
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (EditProbe(h.window).dlgCancel()->isVisible() &&
                Part<QProgressBar>(EditProbe(h.window).dlgCancel(), "prgBar1")->value() >= 100) {
                shown = true;
                Part<QPushButton>(EditProbe(h.window).dlgCancel(), "bitCancel")->click();
            }
        });
        press.start();
        const std::size_t messagesBefore = h.dialogs.Messages().size();
        h.Run(1, "x", "yy");
        press.stop();
        QVERIFY(shown);
        QCOMPARE(std::size_t(h.dialogs.Messages().size()), messagesBefore); // no message after a cancel
        const std::string after = h.Text();
        const std::size_t replaced = (after.size() - text.size());
        QVERIFY(replaced > 0);
        QVERIFY(replaced < 200000);
        QCOMPARE(after.substr(0, 9), std::string("yy = 1;\r\n"));
        QVERIFY(!h.Search().isVisible());
        QVERIFY(h.Unlocked());
        QVERIFY(!Part<QProgressBar>(EditProbe(h.window).dlgCancel(), "prgBar2")->isHidden());
        // What was replaced, over several steps, is one undo step.
        EditProbe(h.window).rchOut()->Undo();
        QCOMPARE(h.Text().size(), text.size());
        QVERIFY(h.Text() == text);
    }

    void paletteOpensAtThePointerAndStaysOnScreen_data() {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("topLeft");
        const QRect desk(0, 0, 1024, 768);
        QTest::newRow("middle") << QPoint(500, 400) << QPoint(485, 320);
        QTest::newRow("bottom edge") << QPoint(500, 760) << QPoint(485, 768 - 270);
        QTest::newRow("right edge") << QPoint(1020, 400) << QPoint(1024 - 41, 320);
        QTest::newRow("bottom-right corner") << QPoint(1023, 767) << QPoint(1024 - 41, 768 - 270);
        QTest::newRow("top-left sticks out") << QPoint(5, 10) << QPoint(-10, -70);
    }
    void paletteOpensAtThePointerAndStaysOnScreen() {
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, topLeft);
        Harness h;
        QVERIFY(h.Start());
        TfrmPallet &pallet = *EditProbe(h.window).frmPallet();
        pallet.SetScreenSource([&] { return pointer; }, [](QPoint) { return QRect(0, 0, 1024, 768); });
        EditProbe(h.window).Action("pmnuMarking")->trigger();
        QVERIFY(pallet.isVisible());
        QCOMPARE(pallet.pos(), topLeft);
        QCOMPARE(pallet.size(), QSize(41, 270));
        QCOMPARE(pallet.windowTitle(), U("■■■"));
        QVERIFY(Part<QTimer>(&pallet, "timX")->isActive());
    }

    void paletteColoursTheSelectionOnly() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("SELECT a", false);
        TfrmPallet &pallet = *EditProbe(h.window).frmPallet();
        // No selection: the click only closes the palette.
        h.Select(3, 0);
        pallet.ShowAtPointer();
        Part<ColourSwatch>(&pallet, "pnl9")->clicked(Part<ColourSwatch>(&pallet, "pnl9")->Colour());
        QVERIFY(!pallet.isVisible());
        for (int i = 0; i < 8; ++i) QVERIFY(h.ColourAt(i) != kRed);
        QVERIFY(!EditProbe(h.window).Editor().Modified());
        // A selection takes the colour and the caret goes to its start.
        h.Select(7, -5);
        pallet.ShowAtPointer();
        QTest::mouseClick(Part<ColourSwatch>(&pallet, "pnl9"), Qt::LeftButton); // pnl9, red
        QVERIFY(!pallet.isVisible());
        QCOMPARE(h.ColourAt(1), EditProbe(h.window).EditorFont().colour);
        for (int i = 2; i < 7; ++i) QCOMPARE(h.ColourAt(i), kRed);
        QCOMPARE(h.ColourAt(7), EditProbe(h.window).EditorFont().colour);
        QCOMPARE(h.View().Position(), 2);
        QVERIFY(!h.View().HasSelection());
        QCOMPARE(h.Text(), std::string("SELECT a"));
    }

    void paletteClosesSoonAfterThePointerLeaves() {
        Harness h;
        QVERIFY(h.Start());
        h.SetText("abc", false);
        TfrmPallet &pallet = *EditProbe(h.window).frmPallet();
        QPoint pointer(300, 300);
        pallet.SetScreenSource([&] { return pointer; }, [](QPoint) { return QRect(0, 0, 1024, 768); });
        pallet.ShowAtPointer();
        pallet.timXTimer();
        QVERIFY(pallet.isVisible());
        pointer = pallet.pos() + QPoint(41, 270); // the far edges count as inside
        pallet.timXTimer();
        QVERIFY(pallet.isVisible());
        pointer += QPoint(1, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!pallet.isVisible(), 600);
        QVERIFY(Part<QTimer>(&pallet, "timX")->isActive());
        QCOMPARE(h.Text(), std::string("abc"));
        QVERIFY(!EditProbe(h.window).Editor().Modified());
    }

    // Pictures of the dialogs and of a coloured document, for a look by eye.
    void screenshots() {
        Harness h;
        QVERIFY(h.Start("[History]\r\nKeyWordFrom0=FROM\r\nKeyWordTo0=参照元\r\n"));
        const QString out = qEnvironmentVariable("KELVRA_SHOTS", QDir::tempPath());
        h.window->resize(640, 300);
        h.window->show();
        const std::string text = "SELECT 社員番号, 氏名\r\n  FROM 社員\r\n WHERE 部署 = '開発'\r\n  FROM 部署;\r\n";
        std::vector<TextSpan> bold;
        for (std::string word : {"SELECT", "FROM", "WHERE"})
            for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
                bold.push_back({at, word.size()});
        std::sort(bold.begin(), bold.end(), [](const TextSpan &a, const TextSpan &b) { return a.start < b.start; });
        EditProbe(h.window).Editor().SetFormatted(text, bold, EditProbe(h.window).EditorFont());
        h.window->mnuEditChangeClick();
        Part<QComboBox>(&h.Search(), "cmbSearch")->setCurrentIndex(0);
        Part<QComboBox>(&h.Search(), "cmbChangeTo")->setCurrentIndex(0);
        QVERIFY(h.Search().grab().save(out + "/search-replace.png"));
        Part<ColourSwatch>(&h.Search(), "pnl12")->clicked(Part<ColourSwatch>(&h.Search(), "pnl12")->Colour());
        Part<QTabBar>(&h.Search(), "tabSearch")->setCurrentIndex(0);
        QVERIFY(h.Search().grab().save(out + "/search-search.png"));
        EditProbe(h.window).dlgChangeKakunin()->SetAsker([&](TdlgChangeKakunin &dlg) {
            dlg.grab().save(out + "/change-kakunin.png");
            return Result::All;
        });
        Part<QPushButton>(&h.Search(), "btnChange")->click();
        h.Select(7, 4);
        Part<ColourSwatch>(EditProbe(h.window).frmPallet(), "pnl9")
            ->clicked(Part<ColourSwatch>(EditProbe(h.window).frmPallet(), "pnl9")->Colour());
        QVERIFY(h.window->grab().save(out + "/coloured-result.png"));
        QVERIFY(EditProbe(h.window).frmPallet()->grab().save(out + "/palette.png"));
    }
};

QTEST_MAIN(SearchTest)
#include "SearchTest.moc"
