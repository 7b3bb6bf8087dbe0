#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace kelvra;

TEST(TextCodec, Cp932RoundTripsJapaneseAndTheTrailBytesThatLookLikeAscii) {
    // 表 is 0x95 0x5C, ソ is 0x83 0x5C: a naive byte scan would see a backslash.
    const std::string utf8 = "SELECT '表示' FROM ソフト -- コメント\r\n～";
    EncodeResult e = EncodeCp932(utf8);
    EXPECT_TRUE(e.lossyOffsets.empty());
    EXPECT_EQ(e.bytes.substr(8, 2), "\x95\x5C");
    DecodeResult d = DecodeCp932(e.bytes);
    EXPECT_TRUE(d.badOffsets.empty());
    EXPECT_EQ(d.text, utf8);
}

TEST(TextCodec, ReportsCharactersThatWouldNotComeBackUnchanged) {
    // U+301C (wave dash) is written as 0x8160, which reads back as U+FF5E;
    // U+00A5 is written as a backslash; emoji have no code at all.
    struct Case {
        std::string text;
        std::size_t offset;
    } cases[] = {{"a\xE3\x80\x9C"
                  "b",
                  1},
                 {"ab\xC2\xA5", 2},
                 {"\xF0\x9F\x98\x80", 0}};
    for (const auto &c : cases) {
        EncodeResult e = EncodeCp932(c.text);
        ASSERT_EQ(e.lossyOffsets.size(), 1u) << c.text;
        EXPECT_EQ(e.lossyOffsets[0], c.offset) << c.text;
    }
}

TEST(TextCodec, CharactersWithoutTheirOwnCodeGetTheNearestOneOrAQuestionMark) {
    struct Case {
        std::string text, bytes;
    } cases[] = {
        {"a\xE3\x80\x9C"
         "b",
         "a\x81\x60"
         "b"},                         // wave dash: the full-width tilde's code
        {"ab\xC2\xA5", "ab\\"},        // yen sign: the backslash byte
        {"\xE2\x80\x94", "\x81\x5C"},  // em dash: the horizontal bar's code
        {"x\xF0\x9F\x98\x80y", "x?y"}, // no code at all
        {"\xC3\xA9", "?"},
        {"\xE3\x81"
         "A",
         "?A"}, // a broken sequence takes one question mark, not the letter after it
    };
    for (const auto &c : cases) EXPECT_EQ(EncodeCp932(c.text).bytes, c.bytes) << c.text;
}

TEST(TextCodec, UndecodableBytesAreReportedWithTheirOffsets) {
    DecodeResult d = DecodeCp932(std::string("ab\xA0\x81", 4)); // 0xA0 unused, 0x81 cut off
    EXPECT_EQ(d.badOffsets, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(d.text.substr(0, 2), "ab");
}

TEST(TextCodec, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("日本語"));
    EXPECT_FALSE(IsValidUtf8("\x95\x5C"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_EQ(InvalidUtf8Offsets("ab\xE3\x81"), (std::vector<std::size_t>{2, 3}));
    // Long ASCII runs are passed eight bytes at a time: the bad bytes after them are still named.
    EXPECT_EQ(
        InvalidUtf8Offsets(std::string(13, 'a') + "\xE3\x81" + std::string(9, 'b') + "日\xFF" + std::string(8, 'c')),
        (std::vector<std::size_t>{13, 14, 27}));

    // The shortest and longest form of each length, and the first form past each end.
    struct Case {
        const char *bytes;
        bool valid;
    } cases[] = {
        {"\xC2\x80", true},
        {"\xDF\xBF", true},
        {"\xC1\xBF", false},
        {"\xC0\x80", false},
        {"\xE0\xA0\x80", true},
        {"\xEF\xBF\xBF", true},
        {"\xE0\x9F\xBF", false},
        {"\xE0\x80\x80", false},
        {"\xED\x9F\xBF", true},
        {"\xEE\x80\x80", true},
        {"\xED\xBF\xBF", false},
        {"\xF0\x90\x80\x80", true},
        {"\xF4\x8F\xBF\xBF", true},
        {"\xF0\x8F\xBF\xBF", false},
        {"\xF4\x90\x80\x80", false},
        {"\xF7\xBF\xBF\xBF", false},
        {"\xF8\x88\x80\x80\x80", false},
        {"\x80", false},
        {"\xBF", false},
        {"\xFF", false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << testing::PrintToString(c.bytes);
        EXPECT_EQ(InvalidUtf8Offsets(c.bytes).empty(), c.valid) << testing::PrintToString(c.bytes);
        if (!c.valid) {
            EXPECT_EQ(InvalidUtf8Offsets(c.bytes).front(), 0u);
        }
    }
}

// Each text in a heap block of its exact size, so that the sanitizer build
// reports any read past its end.
TEST(TextCodec, NonAsciiStartsAtByte0x80) {
    EXPECT_FALSE(HasNonAscii(std::string("abc\x7F", 4)));
    EXPECT_TRUE(HasNonAscii("abc\x80"));
    EXPECT_TRUE(HasNonAscii("\xFF"));
    EXPECT_FALSE(HasNonAscii(""));
}

TEST(TextCodec, Utf8CheckStaysInsideItsInput) {
    const std::string texts[] = {"abc", "ab\xE3\x81", "\xE3\x81\x82", "\xF0\x9F\x98"};
    for (const std::string &t : texts) {
        auto block = std::make_unique<char[]>(t.size());
        std::memcpy(block.get(), t.data(), t.size());
        const std::vector<std::size_t> bad = InvalidUtf8Offsets(std::string_view(block.get(), t.size()));
        for (std::size_t offset : bad) EXPECT_LT(offset, t.size()) << testing::PrintToString(t);
    }
}
