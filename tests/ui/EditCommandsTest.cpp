// Editing and line-end commands, font and background, printing, help and the
// about box, driven headless on the main window.
#include "EditHarness.h"
#include "TestStrings.h"
#include "ui/UiTexts.h"
#include "settings/SettingsStore.h"
#include "ui/AboutBox.h"
#include "ui/Edit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace kelvra;
using namespace kelvra::test;

namespace {

using texts::U;

const QString kReference = "http://www.norvatek.example/cgi-bin/virozururo/virozururo.php?";
const std::string kSep = "-------------------- ";

// The window, started at construction.
struct Harness : EditHarness {
    Harness() { Start(); }
    QTextCharFormat FormatAt(int position) { return EditProbe(window).rchOut()->Model().FormatAt(position); }
};

// Text of a PDF as pdftotext reads it.
QString PdfText(const QString &pdf) {
    QProcess p;
    p.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfInfo(const QString &pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class EditCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void lineEndCommands_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("semicolons with an empty line")
            << "mnuExeS" << QByteArray("SELECT a\r\n\r\nFROM t") << QByteArray("SELECT a;\r\n;\r\nFROM t;");
        QTest::newRow("hidden space command") << "mnuExeSpace" << QByteArray("a\r\nb") << QByteArray("a \r\nb ");
        QTest::newRow("separator at the very end")
            << "mnuExeComment" << QByteArray("SELECT 1;") << QByteArray(("SELECT 1;\r\n" + kSep).c_str());
        QTest::newRow("semicolon then blanks, semicolon then comment")
            << "mnuExeComment" << QByteArray("a;   \r\nb; -- x\r\nc")
            << QByteArray(("a;   \r\n" + kSep + "\r\nb; -- x\r\nc").c_str());
        QTest::newRow("Japanese text before the insertion point")
            << "mnuExeComment" << QByteArray("SELECT '表';\r\n日本語")
            << QByteArray(("SELECT '表';\r\n" + kSep + "\r\n日本語").c_str());
    }
    void lineEndCommands() {
        QFETCH(QString, command);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        Harness h;
        h.SetText(input.toStdString());
        h.window->findChild<QAction *>(command)->trigger();
        QCOMPARE(QByteArray::fromStdString(h.Text()), expected);
        QCOMPARE(QByteArray::fromStdString(EditProbe(h.window).RevertText()), input);
        QVERIFY(h.dialogs.asked.isEmpty());
        // The whole command is one step of the editor's undo.
        h.window->mnuEditUndoClick();
        QCOMPARE(QByteArray::fromStdString(h.Text()), input);
    }

    void separatorTwiceAddsNoSecondSeparator() {
        Harness h;
        h.SetText("a;\r\nb;\r\n");
        h.window->mnuExeCommentClick();
        const std::string once = h.Text();
        QCOMPARE(once, "a;\r\n" + kSep + "\r\nb;\r\n" + kSep + "\r\n");
        h.window->mnuExeCommentClick();
        QCOMPARE(h.Text(), once);
        QCOMPARE(EditProbe(h.window).RevertText(), once); // each run keeps the text from before it
    }

    void lineEndCommandKeepsTheEmphasis() {
        Harness h;
        EditProbe(h.window).Editor().SetFormatted("SELECT a", {{0, 6}}, EditProbe(h.window).EditorFont());
        h.window->mnuExeSClick();
        QCOMPARE(h.Text(), std::string("SELECT a;"));
        QCOMPARE(EditProbe(h.window).BoldWords(), QStringList{"SELECT"});
    }

    void revert() {
        Harness h;
        h.SetText("select 1");
        // Before any run there is no text to go back to: the command does nothing
        // (it once emptied the editor).
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), std::string("select 1"));
        QVERIFY(h.dialogs.asked.isEmpty());
        EditProbe(h.window).SetRevertText("");
        h.dialogs.answers = {Answer::No, Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), std::string("select 1"));
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), std::string()); // a run on an empty text had an empty text before it
        QCOMPARE(h.dialogs.asked.size(), 2);
        QCOMPARE(h.dialogs.asked[0].text, U("整形前に戻しますか？"));

        // After a line-end command, revert gives the text from before it.
        h.SetText("x");
        h.window->mnuExeSClick();
        h.dialogs.answers = {Answer::Yes};
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.Text(), std::string("x"));
    }

    void clipboardAndSelectAll() {
        Harness h;
        h.SetText("alpha beta");
        h.window->mnuEditAllClick();
        QCOMPARE(EditProbe(h.window).rchOut()->SelectedText(), QString("alpha beta"));
        EditProbe(h.window).Editor().Select(0, 5);
        h.window->mnuEditCopyClick();
        QCOMPARE(QApplication::clipboard()->text(), QString("alpha"));
        h.window->mnuEditCutClick();
        QCOMPARE(h.Text(), std::string(" beta"));
        EditProbe(h.window).rchOut()->SetCaret(EditProbe(h.window).rchOut()->Model().Length());
        h.window->mnuEditPasteClick();
        QCOMPARE(h.Text(), std::string(" betaalpha"));
        h.window->mnuEditUndoClick();
        QCOMPARE(h.Text(), std::string(" beta"));
        QVERIFY(h.dialogs.asked.isEmpty());
    }

    void disabledMenusStopTheirCommands() {
        Harness h;
        h.SetText("abc");
        EditProbe(h.window).SetRunLock(true);
        EditProbe(h.window).Editor().SetReadOnly(false); // only the menu guard is under test
        QApplication::clipboard()->setText("zz");
        h.window->mnuEditAllClick();
        QVERIFY(!EditProbe(h.window).rchOut()->HasSelection());
        h.window->mnuEditPasteClick();
        h.window->mnuEditUndoClick();
        QCOMPARE(h.Text(), std::string("abc"));
        h.window->mnuFormatFontClick();
        h.window->mnuFormatColorClick();
        h.window->mnuHelpAboutClick();
        QVERIFY(h.dialogs.asked.isEmpty());
        // Printing and the line-end commands have no guard.
        h.window->mnuExeSClick();
        QCOMPARE(h.Text(), std::string("abc;"));
        EditProbe(h.window).SetRunLock(false);
    }

    void fontWithASelectionChangesOnlyThatWord() {
        Harness h;
        h.SetText("select a from t");
        const QFont before = EditProbe(h.window).rchOut()->DefaultFont();
        QFont chosen("Courier New");
        chosen.setPointSize(17);
        h.dialogs.fonts = {chosen};
        h.dialogs.fontColours = {QColor(200, 0, 0)};
        EditProbe(h.window).Editor().Select(7, 1);
        h.window->mnuFormatFontClick();
        QCOMPARE(h.dialogs.asked.front().text, QString("fixed"));
        QCOMPARE(h.FormatAt(7).font().pointSize(), 17);
        QCOMPARE(h.FormatAt(7).foreground().color(), QColor(200, 0, 0));
        QVERIFY(h.FormatAt(0).font().pointSize() != 17);
        QVERIFY(h.FormatAt(9).font().pointSize() != 17);
        QCOMPARE(EditProbe(h.window).rchOut()->DefaultFont(), before);
        QCOMPARE(EditProbe(h.window).EditorFont().font.pointSize(), 17);

        // The next revert gives the whole text the new font.
        h.dialogs.answers = {Answer::Yes};
        EditProbe(h.window).SetRevertText("x y");
        h.window->mnuEditRichUndoClick();
        QCOMPARE(h.FormatAt(0).font().pointSize(), 17);

        // Stored at close: name, size and colour.
        h.window->SaveSettings();
        Settings stored;
        QVERIFY(LoadSettings(h.dir.path(), DefaultSettings(h.dir.path()), stored).ok);
        QCOMPARE(QString::fromStdString(stored.Options.EditorFont.name), chosen.family());
        QCOMPARE(stored.Options.EditorFont.size, 17);
        QCOMPARE(stored.Options.EditorFont.colour, StoredColour(200));
    }

    void fontWithoutASelectionChangesAllAndTheDefault() {
        Harness h;
        h.SetText("select a\r\nfrom t");
        EditProbe(h.window).Options().FixedOnly = false;
        QFont chosen("DejaVu Serif");
        chosen.setPointSize(15);
        h.dialogs.fonts = {chosen};
        EditProbe(h.window).rchOut()->SetCaret(4);
        h.window->mnuFormatFontClick();
        QCOMPARE(h.dialogs.asked.front().text, QString("all"));
        QCOMPARE(h.FormatAt(0).font().pointSize(), 15);
        QCOMPARE(h.FormatAt(12).font().pointSize(), 15);
        QCOMPARE(EditProbe(h.window).rchOut()->DefaultFont().pointSize(), 15);
        QCOMPARE(EditProbe(h.window).rchOut()->Position(), 0);
        QVERIFY(!EditProbe(h.window).rchOut()->HasSelection());

        // Cancelled: nothing changes.
        h.window->mnuFormatFontClick();
        QCOMPARE(EditProbe(h.window).EditorFont().font.pointSize(), 15);
    }

    void backgroundColour() {
        Harness h;
        h.dialogs.colours = {QColor(10, 20, 30), std::nullopt};
        h.window->mnuFormatColorClick();
        QCOMPARE(EditProbe(h.window).rchOut()->palette().color(QPalette::Base), QColor(10, 20, 30));
        // The dialog opens on its last choice; a cancel keeps the colour.
        h.window->mnuFormatColorClick();
        QCOMPARE(h.dialogs.asked[1].text, QColor(10, 20, 30).name());
        QCOMPARE(EditProbe(h.window).rchOut()->palette().color(QPalette::Base), QColor(10, 20, 30));
        h.window->SaveSettings();
        Settings stored;
        QVERIFY(LoadSettings(h.dir.path(), DefaultSettings(h.dir.path()), stored).ok);
        QCOMPARE(stored.Options.BackColor, StoredColour(10 | 20 << 8 | 30 << 16));
    }

    void onlineReference_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::newRow("blanks around") << " SELECT "
                                       << "select";
        QTest::newRow("two words, blank unescaped") << "GROUP BY"
                                                    << "group by";
        QTest::newRow("tab and line break trimmed") << "\tFrom\r\n"
                                                    << "from";
        QTest::newRow("nothing selected") << ""
                                          << "";
    }
    void onlineReference() {
        QFETCH(QString, text);
        QFETCH(QString, query);
        Harness h;
        h.SetText(("x" + text + "x").toStdString());
        EditProbe(h.window).Editor().Select(1, text.toUtf8().size());
        h.window->mnuHelpSQLHelpClick();
        QCOMPARE(h.desktop.urls, QStringList{kReference + query});
    }

    void f1RunsTheReferenceOncePerPress() {
        Harness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        EditProbe(h.window).rchOut()->setFocus();
        h.SetText("where");
        EditProbe(h.window).Editor().Select(0, 5);
        QTest::keyClick(EditProbe(h.window).rchOut(), Qt::Key_F1);
        QCOMPARE(h.desktop.urls, QStringList{kReference + "where"});
    }

    void help() {
        Harness h;
        h.window->mnuHelpHelpClick();
        QCOMPARE(h.dialogs.asked.size(), 1);
        QCOMPARE(h.dialogs.asked[0].caption, U("警告"));
        QCOMPARE(h.dialogs.asked[0].icon, MessageIcon::Warning);
        QCOMPARE(h.dialogs.asked[0].text, U("ヘルプファイルが見つかりません\r\n/opt/kelvra/kelvra-help.html"));
        QVERIFY(h.desktop.urls.isEmpty());

        QFile page(h.Path("kelvra-help.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        h.desktop.programPath = h.Path("kelvra");
        h.window->mnuHelpHelpClick();
        QCOMPARE(h.desktop.urls, QStringList{QUrl::fromLocalFile(h.Path("kelvra-help.html")).toString()});
        QCOMPARE(h.dialogs.asked.size(), 1);
    }

    void printToPdf() {
        Harness h;
        h.SetText("SELECT name FROM 社員 WHERE id = 1;\r\nORDER BY name;");
        EditProbe(h.window).Editor().Select(0, 6); // a selection does not narrow the job
        const QString pdf = h.Path("out.pdf");
        h.dialogs.printToFile = pdf;
        h.dialogs.printAnswers = {false};
        h.window->mnuFilePrintClick();
        QVERIFY(!QFile::exists(pdf));

        h.dialogs.printAnswers = {true};
        h.window->mnuFilePrintClick();
        QVERIFY(QFile::exists(pdf));
        QCOMPARE(EditProbe(h.window).Printer().docName(), QString("Untitled"));
        const QString text = PdfText(pdf);
        QVERIFY2(text.contains("SELECT name FROM") && text.contains(U("社員")) && text.contains("ORDER BY name;"),
                 qPrintable(text));
        QVERIFY2(PdfInfo(pdf).contains(QRegularExpression("Title:\\s+Untitled")), qPrintable(PdfInfo(pdf)));
        QVERIFY(h.dialogs.Messages().isEmpty());
    }

    void printerSetupAppliesToLaterJobs() {
        Harness h;
        h.SetText("select 1");
        EditProbe(h.window).SetDocPath(h.Path("query.sql"));
        h.dialogs.onPrinter = [](QPrinter &printer) { printer.setPageOrientation(QPageLayout::Landscape); };
        h.dialogs.printAnswers = {true, true};
        h.window->mnuFilePrintSetupClick();
        h.dialogs.onPrinter = nullptr;
        const QString pdf = h.Path("landscape.pdf");
        h.dialogs.printToFile = pdf;
        h.window->mnuFilePrintClick();
        const QString info = PdfInfo(pdf);
        const QRegularExpressionMatch m = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+)").match(info);
        QVERIFY2(m.hasMatch(), qPrintable(info));
        QVERIFY(m.captured(1).toDouble() > m.captured(2).toDouble());
        QVERIFY(info.contains(QRegularExpression("Title:\\s+query.sql")));
    }

    void printFailureIsReported() {
        Harness h;
        h.SetText("select 1");
        h.dialogs.printToFile = h.Path("no/such/folder/out.pdf");
        h.dialogs.printAnswers = {true};
        h.window->mnuFilePrintClick();
        QCOMPARE(h.dialogs.Messages(), QStringList{U("”印刷”でエラーが発生しました")});
        QVERIFY(!QApplication::overrideCursor());
    }

    void aboutBox() {
        Harness h;
        TfrmAboutBox *box = EditProbe(h.window).frmAboutBox();
        QVERIFY(box && !box->isVisible());
        bool checked = false;
        h.dialogs.onModal = [&](QDialog &dialog) {
            QCOMPARE(&dialog, static_cast<QDialog *>(box));
            box->show();
            QCOMPARE(box->windowTitle(), U("バージョン情報"));
            QCOMPARE(Part<QLabel>(box, "lblMaker")->text(), QString("Norvatek"));
            QCOMPARE(Part<QLabel>(box, "lblProduct")->text(), QString("Kelvra"));
            QCOMPARE(Part<QLabel>(box, "lblVersion")->text(), QString("Version  1.09"));
            QVERIFY(Part<QPushButton>(box, "btnOK")->isDefault());
            // Top to bottom: maker, icon with the name and version, home page, mail.
            auto y = [box](QWidget *w) { return w->mapTo(box, QPoint(0, 0)).y(); };
            QVERIFY(y(Part<QLabel>(box, "lblMaker")) < y(Part<QLabel>(box, "imgIcon")));
            QVERIFY(y(Part<QLabel>(box, "lblProduct")) < y(Part<QLabel>(box, "lblVersion")));
            QVERIFY(y(Part<QLabel>(box, "lblVersion")) < y(Part<QLineEdit>(box, "txtHomePage")));
            QVERIFY(y(Part<QLineEdit>(box, "txtHomePage")) < y(Part<QLineEdit>(box, "txtMail")));
            QVERIFY(Part<QLineEdit>(box, "txtHomePage")->isReadOnly() &&
                    Part<QLineEdit>(box, "txtHomePage")->focusPolicy() == Qt::NoFocus);
            QTest::mouseDClick(Part<QLineEdit>(box, "txtHomePage"), Qt::LeftButton);
            QTest::mouseDClick(Part<QLineEdit>(box, "txtMail"), Qt::LeftButton);
            QTest::mouseClick(Part<QPushButton>(box, "btnOK"), Qt::LeftButton);
            QVERIFY(!box->isVisible());
            checked = true;
        };
        h.window->mnuHelpAboutClick();
        QVERIFY(checked);
        QCOMPARE(h.desktop.urls, (QStringList{"http://www.norvatek.example/", "mailto:kelvra@norvatek.example"}));
    }
};

QTEST_MAIN(EditCommandsTest)
#include "EditCommandsTest.moc"
