#include "platform/PlainTextFile.h"
#include "platform/RtfReader.h"
#include "platform/RtfTokenizer.h"
#include "platform/RtfWriter.h"
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <memory>

using namespace kelvra;

namespace {

std::string Fixture(const char *name) {
    std::string bytes;
    auto path = std::filesystem::path(KELVRA_TEST_DATA_DIR) / name;
    EXPECT_TRUE(ReadFileBytes(path, bytes)) << path;
    return bytes;
}

// The format of the first occurrence of `needle`, which must lie in one run.
const CharFormat &FormatOf(const StyledText &t, const std::string &needle) {
    std::size_t at = t.Text().find(needle);
    EXPECT_NE(at, std::string::npos) << needle;
    if (at == std::string::npos) return t.DefaultFormat();
    for (std::size_t k = 1; k < needle.size(); ++k)
        EXPECT_EQ(t.FormatAt(at), t.FormatAt(at + k)) << needle << " spans runs";
    return t.FormatAt(at);
}

void ExpectSameDocument(const StyledText &a, const StyledText &b) {
    ASSERT_EQ(a.Text(), b.Text());
    auto ra = a.Runs(), rb = b.Runs();
    ASSERT_EQ(ra.size(), rb.size());
    for (std::size_t k = 0; k < ra.size(); ++k) {
        EXPECT_EQ(ra[k].start, rb[k].start);
        EXPECT_EQ(ra[k].length, rb[k].length);
        EXPECT_EQ(*ra[k].format, *rb[k].format) << "run " << k;
    }
}

constexpr Rgb kRed{255, 0, 0};

} // namespace

TEST(Rtf, StyledTextSurvivesWriteAndRead) {
    CharFormat base; // ＭＳ ゴシック 10 pt
    CharFormat courier = base;
    courier.fontName = "Courier New";
    courier.pointSize = 10.5;
    struct Case {
        const char *name;
        std::string text;
    } cases[] = {
        {"ascii", "SELECT a, b\r\n  FROM t -- {braces} and \\backslash\\\r\n"},
        {"japanese", "SELECT '表示' AS ソフト, \"日本語\"\r\n\tFROM テーブル"},
        {"outside code page 932", "é ü \xE3\x80\x9C ½ 😀 한국 \xC2\xA0nbsp"},
        {"first and last characters past the BMP", "\xF0\x90\x80\x80 \xF4\x8F\xBF\xBF \xEF\xBF\xBF"},
        {"line ends", "\r\n\r\nx\r\n\r\n"},
        {"control characters", std::string("a\x01"
                                           "b\x1F",
                                           4)},
        {"empty", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StyledText doc(base);
        doc.SetText(c.text);
        std::size_t n = c.text.size();
        doc.SetBold(0, n / 3);
        doc.SetColour(n / 4, n / 4, kRed);
        doc.ModifyFormat(n / 2, n / 5, [&](CharFormat &f) {
            f.fontName = courier.fontName;
            f.pointSize = courier.pointSize;
            f.italic = f.underline = f.strikeOut = true;
        });
        std::string rtf = WriteRtf(doc);
        EXPECT_TRUE(LooksLikeRtf(rtf));
        EXPECT_FALSE(HasNonAscii(rtf)) << c.name;
        ExpectSameDocument(ReadRtf(rtf, base), doc);
    }
}

TEST(Rtf, WriterUsesCodePage932AndTheJapaneseCharset) {
    StyledText doc;
    doc.SetText("表 é");
    doc.SetBold(0, 3);
    std::string rtf = WriteRtf(doc);
    EXPECT_NE(rtf.find("\\ansicpg932"), std::string::npos);
    EXPECT_NE(rtf.find("\\fcharset128 \\'82\\'6c\\'82\\'72 \\'83\\'53"), std::string::npos); // ＭＳ ゴシック
    EXPECT_NE(rtf.find("\\'95\\'5c\\b0 "), std::string::npos); // 表 in bold; the 0x5C stays escaped
    EXPECT_NE(rtf.find("\\u233?"), std::string::npos);         // é has no code page 932 code

    // Characters without a code page 932 code as signed 16-bit numbers.
    struct Case {
        const char *text, *written;
    } cases[] = {
        {"\xE7\xBF\xBF", "\\u32767?"},  // U+7FFF, the last positive one
        {"\xED\x95\x9C", "\\u-10916?"}, // U+D55C
        {"\xEF\xBF\xAE", "\\u-18?"},    // U+FFEE
    };
    for (const Case &c : cases) {
        StyledText one;
        one.SetText(c.text);
        const std::string written = WriteRtf(one);
        EXPECT_NE(written.find(c.written), std::string::npos) << c.written << " in " << written;
        EXPECT_EQ(ReadRtf(written).Text(), c.text);
    }
}

TEST(Rtf, ReadsWhatRichTextControlsAndWordProcessorsWrite) {
    CharFormat base;
    {
        StyledText t = ReadRtf(Fixture("richedit_japanese.rtf"), base);
        EXPECT_EQ(t.Text(), "SELECT * FROM 表示\r\ncafé\tx");
        EXPECT_TRUE(FormatOf(t, "SELECT").bold);
        EXPECT_FALSE(FormatOf(t, " * ").bold);
        EXPECT_EQ(FormatOf(t, "FROM").colour, kRed);
        EXPECT_EQ(FormatOf(t, "表示").fontName, "ＭＳ ゴシック");
        EXPECT_EQ(FormatOf(t, "表示").pointSize, 10);
        const CharFormat &cafe = FormatOf(t, "café");
        EXPECT_EQ(cafe.fontName, "Arial");
        EXPECT_TRUE(cafe.italic);
        EXPECT_EQ(cafe.colour, (Rgb{0, 0, 128}));
    }
    {
        StyledText t = ReadRtf(Fixture("word_document.rtf"), base);
        EXPECT_EQ(t.Text(), "日本語テー link\r\ngone a{b}c\\d\u00A0ef");
        const CharFormat &jp = FormatOf(t, "日本語");
        EXPECT_TRUE(jp.bold);
        EXPECT_EQ(jp.colour, (Rgb{0, 0, 255}));
        EXPECT_EQ(jp.fontName, "ＭＳ 明朝");
        EXPECT_EQ(jp.pointSize, 10.5);
        EXPECT_FALSE(FormatOf(t, "テー").bold);
        EXPECT_EQ(FormatOf(t, "テー").fontName, "Times New Roman");
        EXPECT_TRUE(FormatOf(t, "link").underline);
        EXPECT_EQ(FormatOf(t, "link").colour, kRed);
        EXPECT_TRUE(FormatOf(t, "gone").strikeOut);
    }
    {
        StyledText t = ReadRtf(Fixture("writer_unicode.rtf"), base);
        EXPECT_EQ(t.Text(), "plain 日本 😀 end");
        EXPECT_EQ(FormatOf(t, "plain").fontName, "Liberation Sans");
        EXPECT_EQ(FormatOf(t, "plain").pointSize, 12);
        EXPECT_TRUE(FormatOf(t, "日本").bold);
        EXPECT_EQ(FormatOf(t, "日本").colour, (Rgb{0, 128, 0}));
        EXPECT_EQ(FormatOf(t, "日本").fontName, "Noto Sans CJK JP");
    }
}

TEST(Rtf, DamagedInputKeepsWhatCanBeRead) {
    struct Case {
        const char *name;
        std::string rtf;
        std::string text;
    } cases[] = {
        {"unclosed groups", "{\\rtf1{\\b bold{\\i both", "boldboth"},
        {"extra closing braces", "{\\rtf1 a}}}b}", "ab"},
        {"truncated control word", "{\\rtf1 abc\\", "abc"},
        {"truncated hex escape", "{\\rtf1 abc\\'8", "abc8"},
        {"invalid hex escape", "{\\rtf1 a\\'zzb}", "azzb"},
        {"half a double-byte character", "{\\rtf1\\ansicpg932 a\\'95}", "a\xEF\xBF\xBD"},
        {"undecodable byte", "{\\rtf1\\ansicpg932 a\\'a0b}",
         "a\xEF\xBF\xBD"
         "b"},
        {"huge numbers", "{\\rtf1\\fs99999999999999999999 a\\u99999999999 b\\uc2147483648\\f-99999999999 c}",
         "a\xEF\xBF\xBD"
         "c"},
        {"lone surrogate", "{\\rtf1 a\\u-10179?b}",
         "a\xEF\xBF\xBD"
         "b"},
        {"two lone high surrogates", "{\\rtf1 a\\u-10179?\\u-10179?b}",
         "a\xEF\xBF\xBD\xEF\xBF\xBD"
         "b"},
        {"high surrogate at the end", "{\\rtf1 a\\u-10179?}", "a\xEF\xBF\xBD"},
        {"surrogate pair", "{\\rtf1 a\\u-10179?\\u-8704?b}",
         "a\xF0\x9F\x98\x80"
         "b"},
        {"bin data is skipped", "{\\rtf1 a\\bin3 {}\\b}", "ab"},
        {"bin longer than the file", "{\\rtf1 a\\bin999 xyz", "a"},
        {"raw double-byte text with 0x5C", "{\\rtf1\\ansicpg932 \x95\x5C\x8E\xA6}", "表示"},
        {"not text at all", std::string("{\\rtf1 \x00\x01\x02 ok}", 13), " ok"},
        {"unknown destination", "{\\rtf1 {\\*\\unknown secret}shown}", "shown"},
        {"lead byte before a byte that cannot follow it", "{\\rtf1\\ansicpg932 a\\'951b}",
         "a\xEF\xBF\xBD"
         "1b"},
        {"escaped lead byte before an escaped blank", "{\\rtf1\\ansicpg932 a\\'95\\'20b}", "a\xEF\xBF\xBD b"},
        {"parameter past 32 bits is not wrapped", "{\\rtf1 a\\u4294967361 b}", "a\xEF\xBF\xBD"},
        {"parameter of 19 and more digits", "{\\rtf1 a\\u-9999999999999999999999 b\\u99999999999999999999 c}",
         "a\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Case &c : cases) EXPECT_EQ(ReadRtf(c.rtf).Text(), c.text) << c.name;

    // Deep nesting neither overflows the stack nor loses the text.
    std::string deep = "{\\rtf1 " + std::string(100000, '{') + "x" + std::string(100000, '}') + "y}";
    EXPECT_EQ(ReadRtf(deep).Text(), "xy");
}

TEST(Rtf, ControlWordsOfTheBody) {
    struct Case {
        const char *name;
        const char *rtf;
        std::string text;
    } cases[] = {
        {"line, tab and table cells", "{\\rtf1 a\\line b\\tab c\\cell d\\row e}", "a\r\nb\tc\td\r\ne"},
        {"final paragraph mark is not an empty line", "{\\rtf1 a\\par\\par}", "a\r\n"},
        {"uc0 has no fallback", "{\\rtf1\\uc0\\u26085 x}", "日x"},
        {"uc2 skips two escapes", "{\\rtf1\\uc2\\u26085\\'93\\'fa x}", "日 x"},
        {"fallback ends with the group", "{\\rtf1{\\uc3\\u26085}x}", "日x"},
        {"typographic words", "{\\rtf1\\lquote a\\rquote\\emdash\\bullet}", "‘a’—•"},
        {"optional hyphen and index marks", "{\\rtf1 a\\-b\\|c\\:d}", "abcd"},
        {"charset of the current font",
         "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 A;}{\\f1\\fcharset128 B;}}\\f0\\'e9\\f1\\'82\\'a0}", "éあ"},
        {"ansicpg when the font gives none", "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0 A;}}\\f0\\'82\\'a0}", "あ"},
        {"backslash before a line end is a paragraph", "{\\rtf1 a\\\r\nb\\\nc\\\rd}", "a\r\nb\r\nc\r\nd"},
        {"plain line ends are not text", "{\\rtf1 a\r\nb\nc}", "abc"},
        {"raw 0x80 of code page 1252", "{\\rtf1\\ansi a\x80 b}", "a€ b"},
        {"a \\u ends a pending lead byte", "{\\rtf1\\ansi\\ansicpg932 \\'81\\u-10179?\\'41}",
         "\xEF\xBF\xBD\xEF\xBF\xBD"
         "A"},
        {"field result kept, instruction dropped", "{\\rtf1{\\field{\\fldinst HYPERLINK x}{\\fldrslt shown}}}",
         "shown"},
    };
    for (const Case &c : cases) EXPECT_EQ(ReadRtf(c.rtf).Text(), c.text) << c.name;

    StyledText t = ReadRtf("{\\rtf1{\\fonttbl{\\f0 Base;}{\\f1\\fcharset128 \\'82\\'a0\\u9731?;}}"
                           "\\f1\\fs30\\b\\i\\ul\\strike a\\plain b\\f1 c\\ulnone d}");
    EXPECT_EQ(t.Text(), "abcd");
    const CharFormat &a = t.FormatAt(0);
    EXPECT_TRUE(a.bold && a.italic && a.underline && a.strikeOut);
    EXPECT_EQ(a.pointSize, 15);
    EXPECT_EQ(a.fontName, "あ☃");
    const CharFormat &b = t.FormatAt(1);
    EXPECT_FALSE(b.bold || b.italic || b.underline || b.strikeOut);
    EXPECT_EQ(b.fontName, "Base");
    EXPECT_EQ(b.pointSize, 12);
    EXPECT_EQ(t.FormatAt(2).fontName, "あ☃");

    // A size change alone starts a new run.
    t = ReadRtf("{\\rtf1 a\\fs40 b}");
    ASSERT_EQ(t.Text(), "ab");
    EXPECT_EQ(t.FormatAt(0).pointSize, 12);
    EXPECT_EQ(t.FormatAt(1).pointSize, 20);
    // A name in the font table before any \\f belongs to no font.
    EXPECT_EQ(ReadRtf("{\\rtf1{\\fonttbl Stray;{\\f1 One;}}x}").FormatAt(0).fontName, CharFormat{}.fontName);

    // Underline words: \\ulc sets only the underline's colour.
    t = ReadRtf("{\\rtf1 a\\ulc1 b\\uld c\\ul0 d\\ulw e\\ulnone f}");
    ASSERT_EQ(t.Text(), "abcdef");
    const bool underlined[] = {false, false, true, false, true, false};
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(t.FormatAt(k).underline, underlined[k]) << t.Text()[k];
}

// The first token of each input, at the ends of the character classes.
TEST(Rtf, TokenizerCharacterClassesAndNumbers) {
    using K = RtfTokenKind;
    struct Case {
        const char *rtf;
        K kind;
        int value;
        const char *name = "";
    } cases[] = {
        {"\\'00", K::HexByte, 0x00},
        {"\\'09", K::HexByte, 0x09},
        {"\\'0a", K::HexByte, 0x0A},
        {"\\'0f", K::HexByte, 0x0F},
        {"\\'A0", K::HexByte, 0xA0},
        {"\\'Ff", K::HexByte, 0xFF},
        {"\\'9F", K::HexByte, 0x9F},
        {"\\'0g", K::Text, 'g'},
        {"\\'0G", K::Text, 'G'},
        {"\\'0:", K::Text, ':'},
        {"\\'0/", K::Text, '/'},
        {"\\'0@", K::Text, '@'},
        {"\\'0`", K::Text, '`'},
        {"\\az9", K::ControlWord, 9, "az"},
        {"\\AZ-7 ", K::ControlWord, -7, "AZ"},
        {"\\b2147483647", K::ControlWord, 2147483647, "b"},
        {"\\b2147483648", K::ControlWord, 2147483647, "b"},
        {"\\@", K::ControlSymbol, '@'},
        {"\\[", K::ControlSymbol, '['},
        {"\\`", K::ControlSymbol, '`'},
        {"\\{", K::ControlSymbol, '{'},
        {"\\-", K::ControlSymbol, '-'},
    };
    for (const Case &c : cases) {
        RtfTokenizer tokenizer(c.rtf);
        RtfToken t = tokenizer.Next();
        ASSERT_EQ(t.kind, c.kind) << c.rtf;
        switch (c.kind) {
        case K::HexByte: EXPECT_EQ(t.byte, c.value) << c.rtf; break;
        case K::Text:
            EXPECT_EQ(t.text.substr(t.text.size() - 1), std::string(1, static_cast<char>(c.value))) << c.rtf;
            break;
        case K::ControlWord:
            EXPECT_EQ(t.name, c.name) << c.rtf;
            EXPECT_EQ(t.parameter, c.value) << c.rtf;
            break;
        default: EXPECT_EQ(t.symbol, c.value) << c.rtf;
        }
    }
}

// Each input in a heap block of its exact size, so that the sanitizer build
// reports any read past its end.
TEST(Rtf, TokenizerNeverReadsPastTheInput) {
    std::array<bool, 256> leads{};
    leads[0x81] = true;
    const std::string inputs[] = {"ab\x81", "\\b", "\\fs-", "\\fs-1", "\\", "\\'8", "x\\u-"};
    for (const std::string &input : inputs) {
        auto block = std::make_unique<char[]>(input.size());
        std::memcpy(block.get(), input.data(), input.size());
        RtfTokenizer tokenizer(std::string_view(block.get(), input.size()));
        tokenizer.SetLeadBytes(&leads);
        std::string text;
        int tokens = 0;
        for (RtfToken t = tokenizer.Next(); t.kind != RtfTokenKind::End && tokens < 10; t = tokenizer.Next(), ++tokens)
            text.append(t.text);
        EXPECT_LT(tokens, 10) << input;
        if (input == "ab\x81") {
            EXPECT_EQ(text, input);
        }
    }
}

TEST(Rtf, WriterFontTableAndInvalidBytes) {
    CharFormat base;
    StyledText doc(base);
    doc.SetText("latin 表");
    doc.ModifyFormat(0, 5, [](CharFormat &f) { f.fontName = "Courier New"; });
    std::string rtf = WriteRtf(doc);
    EXPECT_NE(rtf.find("\\fcharset0 Courier New"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\fcharset128"), std::string::npos) << rtf;
    // A byte that starts no UTF-8 character is written as U+FFFD, never as another character.
    doc.SetText(std::string("a\xBB"
                            "b\xFF"
                            "c"));
    EXPECT_EQ(ReadRtf(WriteRtf(doc), base).Text(), "a\xEF\xBF\xBD"
                                                   "b\xEF\xBF\xBD"
                                                   "c");
}

TEST(Rtf, FontAndColourTablesAsWritten) {
    CharFormat base;
    // A font entry may end with its group instead of ";".
    StyledText t =
        ReadRtf("{\\rtf1{\\fonttbl{\\f0 Alpha}{\\f1 Beta;}{\\f2\\fcharset128 Gamma}}\\f0 x\\f1 y\\f2 z}", base);
    ASSERT_EQ(t.Text(), "xyz");
    EXPECT_EQ(t.FormatAt(0).fontName, "Alpha");
    EXPECT_EQ(t.FormatAt(1).fontName, "Beta");
    EXPECT_EQ(t.FormatAt(2).fontName, "Gamma");
    // Colour 0 is "automatic"; an index past the table leaves the default colour.
    t = ReadRtf("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 a\\cf2 b\\cf0 c\\cf1 d\\cf-1 e\\cf99 f}", base);
    ASSERT_EQ(t.Text(), "abcdef");
    const Rgb expected[] = {kRed, base.colour, base.colour, kRed, base.colour, base.colour};
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(t.FormatAt(k).colour, expected[k]) << t.Text()[k];
}
