// The editor surface: byte offsets and editor positions converted both ways
// (hand-worked, and against Qt's own count of the text), and the surface's
// operations on a real QPlainTextEdit.
#include "platform/LineEndCommands.h"
#include "ui/EditorPosition.h"
#include "ui/EditorSurface.h"
#include "TestStrings.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

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
    QPlainTextEdit widget;
    EditorSurface editor{&widget};
    EditorFontState font{QFont("Monospace", 10), QColor(0, 0, 0)};

    QTextCharFormat FormatAt(int position) {
        QTextCursor c(widget.document());
        c.setPosition(position + 1);
        return c.charFormat();
    }
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
        QCOMPARE(s.widget.document()->blockCount(), 4);
    }

    void selectionInBytesAcrossAstralCharacters() {
        Surface s;
        const std::string text = kAstral + " SELECT\r\n" + kKanji + "x";
        s.editor.SetPlainText(text, s.font);
        s.editor.Select(5, 6);
        QCOMPARE(s.editor.SelectedText(), QString("SELECT"));
        QCOMPARE(s.editor.SelectionStart(), std::size_t(5));
        QCOMPARE(s.widget.textCursor().selectionStart(), 3);
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
        QVERIFY(s.FormatAt(0).fontWeight() >= QFont::Bold);
        QVERIFY(s.FormatAt(6).fontWeight() < QFont::Bold);
        s.editor.Undo();
        QCOMPARE(s.editor.Text(), text);
    }

    void markingAndReplacingKeepTheOtherFormats() {
        Surface s;
        const QColor red(255, 0, 0), blue(0, 0, 255);
        s.editor.SetFormatted(kAstral + "AB CD", {{4, 2}}, s.font); // "AB" bold
        s.editor.MarkAt({2, 2}, red);                               // "AB"
        QCOMPARE(s.FormatAt(2).foreground().color(), red);
        QVERIFY(s.FormatAt(2).fontWeight() >= QFont::Bold);
        QCOMPARE(s.FormatAt(5).foreground().color(), QColor(0, 0, 0));
        s.editor.EditAsOneStep(false, [&] { s.editor.ReplaceAt({5, 2}, QString::fromStdString(kKanji), blue); });
        s.editor.EditAsOneStep(true, [&] { s.editor.ReplaceAt({2, 2}, QStringLiteral("xyz"), blue); });
        QCOMPARE(s.editor.Text(), kAstral + "xyz " + kKanji);
        QCOMPARE(s.FormatAt(2).foreground().color(), blue);
        QVERIFY(s.FormatAt(2).fontWeight() >= QFont::Bold); // the replaced text was bold
        s.editor.Undo();                                    // both replacements were one step
        QCOMPARE(s.editor.Text(), kAstral + "AB CD");

        s.editor.Select(0, 4);
        s.editor.ResetColours(QColor(0, 0, 0));
        for (int p = 0; p < 7; ++p) QCOMPARE(s.FormatAt(p).foreground().color(), QColor(0, 0, 0));
        QVERIFY(!s.editor.HasSelection());
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
