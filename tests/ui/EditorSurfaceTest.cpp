// The editor surface: byte offsets and editor positions converted both ways
// (hand-worked, and against Qt's own count of the text), and the surface's
// operations on the real editor control.
#include "platform/LineEndCommands.h"
#include "ui/EditorPosition.h"
#include "ui/EditorSurface.h"
#include "ui/TextView.h"
#include "TestStrings.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QTextLayout>

using namespace kelvra;

namespace {

// U+20BB7 (four UTF-8 bytes, a surrogate pair in the editor) and 表 (three bytes, one position).
const std::string kAstral = "\xF0\xA0\xAE\xB7";
const std::string kKanji = "\xE8\xA1\xA8";

// Offsets at which a character or a line break starts, and the end.
std::vector<std::size_t> Boundaries(const std::string &text) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (i > 0 && text[i] == '\n' && text[i - 1] == '\r') continue;
        out.push_back(i);
    }
    out.push_back(text.size());
    return out;
}

struct Surface {
    TextView widget;
    EditorSurface editor{&widget};
    EditorFontState font{QFont("Monospace", 10), QColor(0, 0, 0)};

    QTextCharFormat FormatAt(int position) { return widget.Model().FormatAt(position); }
    bool BoldAt(int position) {
        for (const EditorRange &r : editor.BoldRanges())
            if (r.start <= position && position < r.start + r.length) return true;
        return false;
    }
    QString Spans() {
        QStringList parts;
        for (const EditorRange &r : editor.BoldRanges()) parts << QString("%1+%2").arg(r.start).arg(r.length);
        return parts.join(' ');
    }
    // The bold ranges that line `line` is drawn with, relative to the line.
    QString Drawn(int line) {
        QStringList parts;
        for (const QTextLayout::FormatRange &r : widget.Model().DrawingFormats(line))
            if (r.format.fontWeight() >= QFont::Bold) parts << QString("%1+%2").arg(r.start).arg(r.length);
        return parts.join(' ');
    }
    void Show() {
        widget.resize(400, 300);
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&widget, Qt::Key(key), modifiers);
    }
    void CaretAt(int position) { widget.SetCaret(position); }
};

} // namespace

class EditorSurfaceTest : public QObject {
    Q_OBJECT
private slots:
    void positionsOfByteOffsets_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("position");
        QTest::newRow("empty") << QByteArray("") << 0 << 0;
        QTest::newRow("ASCII") << QByteArray("abc") << 2 << 2;
        QTest::newRow("CR LF is one position") << QByteArray("a\r\nb") << 3 << 2;
        QTest::newRow("inside CR LF counts as after it") << QByteArray("a\r\nb") << 2 << 2;
        QTest::newRow("lone CR") << QByteArray("a\rb") << 2 << 2;
        QTest::newRow("lone LF") << QByteArray("a\nb") << 2 << 2;
        QTest::newRow("kanji is one") << QByteArray((kKanji + "x").c_str()) << 3 << 1;
        QTest::newRow("after kanji") << QByteArray((kKanji + "x").c_str()) << 4 << 2;
        QTest::newRow("astral is two") << QByteArray((kAstral + "a").c_str()) << 4 << 2;
        QTest::newRow("after astral") << QByteArray((kAstral + "a").c_str()) << 5 << 3;
        QTest::newRow("mixed, before z") << QByteArray((kKanji + "\r\n" + kAstral + "\r\nz").c_str()) << 11 << 5;
        QTest::newRow("mixed, end") << QByteArray((kKanji + "\r\n" + kAstral + "\r\nz").c_str()) << 12 << 6;
        QTest::newRow("past the end") << QByteArray("ab") << 10 << 2;
    }
    void positionsOfByteOffsets() {
        QFETCH(QByteArray, text);
        QFETCH(int, offset);
        QFETCH(int, position);
        const std::string t = text.toStdString();
        QCOMPARE(EditorPosition(t, offset), position);
        if (offset <= static_cast<int>(t.size()) && (offset == 0 || t[offset - 1] != '\r'))
            QCOMPARE(ByteOffsetOf(t, position), static_cast<std::size_t>(std::min<int>(offset, t.size())));
    }

    // At every boundary the position equals Qt's own length of the text before it,
    // the conversion back gives the offset, and the walker agrees with one-off calls.
    void conversionsAgreeWithQtAndWithEachOther() {
        const std::string texts[] = {
            "SELECT '" + kKanji + "' FROM t;\r\n-- " + kAstral + kAstral + "\r\n\r\nWHERE a = 1",
            kAstral + "\r\n" + kKanji + "\r" + "x\n" + kAstral,
            "",
        };
        for (const std::string &text : texts) {
            EditorPositionWalker walker(text);
            for (std::size_t offset : Boundaries(text)) {
                QString before = QString::fromStdString(text.substr(0, offset));
                before.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                const int position = EditorPosition(text, offset);
                QCOMPARE(position, static_cast<int>(before.size()));
                QCOMPARE(walker.PositionOf(offset), position);
                QCOMPARE(ByteOffsetOf(text, position), offset);
            }
            QCOMPARE(EditorLength(text), EditorPosition(text, text.size()));
        }
    }

    void textComesBackWithCrLf() {
        Surface s;
        s.editor.SetPlainText("a\r\nb\rc\nd", s.font);
        QCOMPARE(s.editor.Text(), std::string("a\r\nb\r\nc\r\nd"));
        QCOMPARE(s.widget.Model().LineCount(), 4);
    }

    void selectionInBytesAcrossAstralCharacters() {
        Surface s;
        const std::string text = kAstral + " SELECT\r\n" + kKanji + "x";
        s.editor.SetPlainText(text, s.font);
        s.editor.Select(5, 6);
        QCOMPARE(s.editor.SelectedText(), QString("SELECT"));
        QCOMPARE(s.editor.SelectionStart(), std::size_t(5));
        QCOMPARE(s.widget.SelectionStart(), 3);
        s.editor.Select(4, 12); // " SELECT", the line break and the kanji
        QCOMPARE(s.editor.SelectedText(), QString::fromStdString(" SELECT\r\n" + kKanji));
        QCOMPARE(s.editor.CaretLineColumn(), std::make_pair(1, 3));
        s.editor.CaretToSelectionStart();
        QVERIFY(!s.editor.HasSelection());
        QCOMPARE(s.editor.SelectionStart(), std::size_t(4));
    }

    // The insertions give the text that the line-end functions promise, in one undo step,
    // and the text around them keeps its bold.
    void insertionsMatchTheTextFunctionsAndKeepFormats() {
        Surface s;
        const std::string text = "SELECT '" + kAstral + "';\r\n" + kKanji + ";\r\n\r\nx";
        s.editor.SetFormatted(text, {{0, 6}}, s.font);
        s.editor.SetModified(false);
        const std::vector<LineInsertion> insertions = SeparatorInsertions(text);
        QVERIFY(insertions.size() >= 2);
        s.editor.Insert(insertions, s.font);
        QCOMPARE(s.editor.Text(), ApplyInsertions(text, insertions));
        QVERIFY(s.BoldAt(0) && s.BoldAt(5));
        QVERIFY(!s.BoldAt(6));
        s.editor.Undo();
        QCOMPARE(s.editor.Text(), text);
    }

    void markingAndReplacingKeepTheOtherFormats() {
        Surface s;
        const QColor red(255, 0, 0), blue(0, 0, 255);
        s.editor.SetFormatted(kAstral + "AB CD", {{4, 2}}, s.font); // "AB" bold
        s.editor.MarkAt({2, 2}, red);                               // "AB"
        QCOMPARE(s.FormatAt(2).foreground().color(), red);
        QVERIFY(s.BoldAt(2));
        QCOMPARE(s.FormatAt(5).foreground().color(), QColor(0, 0, 0));
        s.editor.EditAsOneStep(false, [&] { s.editor.ReplaceAt({5, 2}, QString::fromStdString(kKanji), blue); });
        s.editor.EditAsOneStep(true, [&] { s.editor.ReplaceAt({2, 2}, QStringLiteral("xyz"), blue); });
        QCOMPARE(s.editor.Text(), kAstral + "xyz " + kKanji);
        QCOMPARE(s.FormatAt(2).foreground().color(), blue);
        QVERIFY(s.BoldAt(2) && s.BoldAt(4)); // the replaced text was bold
        s.editor.Undo();                     // both replacements were one step
        QCOMPARE(s.editor.Text(), kAstral + "AB CD");

        s.editor.Select(0, 4);
        s.editor.ResetColours(QColor(0, 0, 0));
        for (int p = 0; p < 7; ++p) QCOMPARE(s.FormatAt(p).foreground().color(), QColor(0, 0, 0));
        QVERIFY(!s.editor.HasSelection());
    }

    // Every line is drawn with the bold of its spans, at the top and after scrolling to the end.
    void boldIsDrawnPerVisibleLine() {
        Surface s;
        std::string text;
        std::vector<TextSpan> bold;
        for (int i = 0; i < 3000; ++i) {
            bold.push_back({text.size() + 2, 6});
            text += "  SELECT x, y;\r\n";
        }
        s.editor.SetFormatted(text, bold, s.font);
        s.Show();
        QCOMPARE(s.Drawn(0), QString("2+6"));
        s.widget.verticalScrollBar()->setValue(s.widget.verticalScrollBar()->maximum());
        QVERIFY(s.widget.LastVisibleLine() >= 2999);
        QCOMPARE(s.Drawn(2999), QString("2+6"));
        QCOMPARE(s.Drawn(1500), QString("2+6"));
    }

    // Typed text moves the bold after it, grows a bold word it goes into, and a
    // line break inside a bold word leaves both halves bold.
    void typingMovesTheBold() {
        Surface s;
        s.editor.SetFormatted("ab SELECT cd", {{3, 6}}, s.font);
        s.Show();
        s.CaretAt(0);
        QTest::keyClicks(&s.widget, "xy");
        QCOMPARE(s.Spans(), QString("5+6"));
        QTRY_COMPARE(s.Drawn(0), QString("5+6"));
        s.CaretAt(7); // xyab SE|LECT
        QTest::keyClicks(&s.widget, "Z");
        QCOMPARE(s.Spans(), QString("5+7"));
        s.CaretAt(7);
        s.Key(Qt::Key_Return);
        QCOMPARE(s.editor.Text(), std::string("xyab SE\r\nZLECT cd"));
        QTRY_COMPARE(s.Drawn(0), QString("5+2"));
        QTRY_COMPARE(s.Drawn(1), QString("0+5"));
        s.CaretAt(13); // after ZLECT
        QTest::keyClicks(&s.widget, "Q");
        QCOMPARE(s.Spans(), QString("5+8")); // typing at a word's end does not make the new text bold
        s.Key(Qt::Key_Backspace);
        s.Key(Qt::Key_Backspace);
        QCOMPARE(s.Spans(), QString("5+7"));
        QCOMPARE(s.editor.Text(), std::string("xyab SE\r\nZLEC cd"));
    }

    // A replacement of the whole text is one step for Undo and Redo, from the
    // keyboard too; the edits before it stay undoable, and the modified flag
    // follows the text that was last saved.
    void undoAndRedoStepAcrossAReplacement() {
        Surface s;
        s.editor.SetPlainText("a", s.font);
        s.CaretAt(1);
        QTest::keyClicks(&s.widget, "b");
        s.editor.SetModified(false); // "ab" is the saved text
        s.editor.ReplaceText("SELECT", {{0, 6}}, s.font);
        QCOMPARE(s.editor.Text(), std::string("SELECT"));
        QVERIFY(s.editor.Modified());
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.editor.Text(), std::string("ab"));
        QCOMPARE(s.Spans(), QString());
        QVERIFY(!s.editor.Modified());
        s.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.editor.Text(), std::string("a"));
        QVERIFY(s.editor.Modified());
        s.Key(Qt::Key_Z, Qt::ControlModifier); // nothing before the first text
        QCOMPARE(s.editor.Text(), std::string("a"));
        s.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.editor.Text(), std::string("ab"));
        s.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(s.editor.Text(), std::string("SELECT"));
        QCOMPARE(s.Spans(), QString("0+6"));
        QVERIFY(s.editor.Modified());
        s.Key(Qt::Key_Y, Qt::ControlModifier); // nothing after the last
        QCOMPARE(s.editor.Text(), std::string("SELECT"));

        // A new edit after Undo: the replacement can no longer be redone.
        s.editor.Undo();
        s.CaretAt(2);
        QTest::keyClicks(&s.widget, "c");
        s.editor.Redo();
        s.editor.Redo();
        QCOMPARE(s.editor.Text(), std::string("abc"));
        s.editor.Undo();
        s.editor.Undo();
        s.editor.Undo();
        QCOMPARE(s.editor.Text(), std::string("a"));

        // The same where the typing after Undo joins the typing before it.
        s.editor.SetPlainText("a", s.font);
        s.CaretAt(1);
        QTest::keyClicks(&s.widget, "b");
        s.editor.ReplaceText("SELECT", {{0, 6}}, s.font);
        s.editor.Undo();
        QTest::keyClicks(&s.widget, "c");
        s.editor.Redo();
        QCOMPARE(s.editor.Text(), std::string("abc"));
    }

    // Undo of insertions at many lines at once gives back the spans of before,
    // and Redo those of after, also for a bold word between two insertions.
    void undoOfManyInsertionsKeepsTheBold() {
        Surface s;
        const std::string text = "a\r\nFROM b\r\nc";
        s.editor.SetFormatted(text, {{3, 4}}, s.font); // FROM
        s.editor.Insert(SuffixInsertions(text, ";"), s.font);
        QCOMPARE(s.editor.Text(), std::string("a;\r\nFROM b;\r\nc;"));
        QCOMPARE(s.Spans(), QString("3+4"));
        s.editor.Undo();
        QCOMPARE(s.editor.Text(), text);
        QCOMPARE(s.Spans(), QString("2+4"));
        s.editor.Redo();
        QCOMPARE(s.Spans(), QString("3+4"));
    }

    // Colours over part of a bold word and beyond leave the word bold.
    void colouringPartOfABoldWordKeepsItBold() {
        Surface s;
        s.editor.SetFormatted("SELECT x FROM t", {{0, 6}, {9, 4}}, s.font);
        s.editor.MarkAt({3, 8}, QColor(255, 0, 0));
        QCOMPARE(s.Spans(), QString("0+6 9+4"));
        s.editor.Select(4, 10);
        s.editor.ColourSelection(QColor(0, 0, 255));
        s.editor.ResetColours(QColor(0, 0, 0));
        QCOMPARE(s.Spans(), QString("0+6 9+4"));
    }

    // A rich-text save and a printout carry the bold of the spans.
    void savedTextAndPrintoutCarryTheBold() {
        Surface s;
        const std::string text = kKanji + " SELECT x\r\nFROM";
        s.editor.SetFormatted(text, {{4, 6}, {14, 4}}, s.font);
        const StyledText styled = s.editor.Styled(s.font);
        for (std::size_t offset = 0; offset < text.size(); ++offset) {
            const bool bold = (offset >= 4 && offset < 10) || offset >= 14;
            QVERIFY2(styled.FormatAt(offset).bold == bold, qPrintable(QString::number(offset)));
        }
        const std::unique_ptr<QTextDocument> printed = s.editor.PrintedCopy();
        QCOMPARE(printed->toPlainText(), s.widget.Model().Text());
        for (int position = 0; position < 15; ++position) {
            if (position == 10) continue; // the line break
            QTextCursor c(printed.get());
            c.setPosition(position + 1);
            const bool bold = (position >= 2 && position < 8) || position >= 11;
            QVERIFY2((c.charFormat().fontWeight() >= QFont::Bold) == bold, qPrintable(QString::number(position)));
        }
    }

    // The font given to a selection takes the bold off it; given to the whole text, off everything.
    void fontTakesTheBoldOff() {
        Surface s;
        s.editor.SetFormatted("SELECT x FROM t", {{0, 6}, {9, 4}}, s.font);
        const EditorFontState chosen{QFont("Monospace", 12), QColor(0, 0, 0)};
        s.editor.Select(2, 9); // LECT x FR
        s.editor.ApplyFontToSelection(chosen);
        QCOMPARE(s.Spans(), QString("0+2 11+2"));
        s.editor.ApplyFontToAll(chosen);
        QCOMPARE(s.Spans(), QString());
        s.editor.Undo(); // the font change is one step, the bold comes back with it
        QCOMPARE(s.Spans(), QString("0+2 11+2"));
    }

    void colouringWithoutASelectionChangesNothing() {
        Surface s;
        s.editor.SetPlainText("abc", s.font);
        s.editor.SetModified(false);
        s.editor.ColourSelection(QColor(255, 0, 0));
        QVERIFY(!s.editor.Modified());
        s.editor.Select(1, 1);
        s.editor.ColourSelection(QColor(255, 0, 0));
        QCOMPARE(s.FormatAt(1).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(s.editor.SelectionStart(), std::size_t(1));
        QVERIFY(!s.editor.HasSelection());
    }
};

QTEST_MAIN(EditorSurfaceTest)
#include "EditorSurfaceTest.moc"
