// UTF-16 to UTF-8 and back, checked against code units written out by hand.
#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelvra;

namespace {

struct Case {
    const char *name;
    std::string utf8;
    std::string littleEndian; // the same text as UTF-16LE code units
};

// "表" is U+8868, "𠮷" U+20BB7 (surrogates D842 DFB7), "ｱ" U+FF71.
const Case kCases[] = {
    {"ascii with a line end", "select 1;\r\n", std::string("s\0e\0l\0e\0c\0t\0 \0001\0;\0\r\0\n\0", 22)},
    {"kanji", "\xE8\xA1\xA8", "\x68\x88"},
    {"half-width katakana", "\xEF\xBD\xB1", "\x71\xFF"},
    {"outside the first plane", "\xF0\xA0\xAE\xB7", "\x42\xD8\xB7\xDF"},
    {"empty", "", ""},
};

std::string Swapped(const std::string &units) {
    std::string out = units;
    for (std::size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
    return out;
}

} // namespace

TEST(Utf16, DecodesAndEncodesInBothByteOrders) {
    for (const Case &c : kCases) {
        for (ByteOrder order : {ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
            const std::string units = order == ByteOrder::LittleEndian ? c.littleEndian : Swapped(c.littleEndian);
            const Utf16Decoded decoded = DecodeUtf16(units, order);
            EXPECT_EQ(decoded.text, c.utf8) << c.name;
            EXPECT_TRUE(decoded.badOffsets.empty()) << c.name;
            std::vector<std::size_t> lossy;
            EXPECT_EQ(EncodeUtf16(c.utf8, order, lossy), units) << c.name;
            EXPECT_TRUE(lossy.empty()) << c.name;
        }
    }
}

// What is no text becomes U+FFFD and is reported at its byte offset.
TEST(Utf16, UnitsThatAreNoTextAreReported) {
    struct Bad {
        const char *name;
        std::string littleEndian;
        std::string utf8;
        std::vector<std::size_t> offsets;
    } cases[] = {
        {"lone high surrogate",
         std::string("a\0\x42\xD8"
                     "b\0",
                     6),
         "a\xEF\xBF\xBD"
         "b",
         {2}},
        {"lone low surrogate at the end", std::string("a\0\xB7\xDF", 4), "a\xEF\xBF\xBD", {2}},
        {"NUL", std::string("a\0\0\0", 4), "a\xEF\xBF\xBD", {2}},
        {"odd byte at the end", std::string("a\0b", 3), "a\xEF\xBF\xBD", {2}},
    };
    for (const Bad &c : cases) {
        const Utf16Decoded decoded = DecodeUtf16(c.littleEndian, ByteOrder::LittleEndian);
        EXPECT_EQ(decoded.text, c.utf8) << c.name;
        EXPECT_EQ(decoded.badOffsets, c.offsets) << c.name;
    }
    std::vector<std::size_t> lossy;
    EXPECT_EQ(EncodeUtf16("a\xFF", ByteOrder::LittleEndian, lossy), std::string("a\0\xFD\xFF", 4));
    EXPECT_EQ(lossy, std::vector<std::size_t>{1});
}

TEST(Utf16, ByteOrderMarks) {
    ByteOrder order = ByteOrder::BigEndian;
    EXPECT_TRUE(StartsWithUtf16Bom("\xFF\xFEx", order));
    EXPECT_EQ(order, ByteOrder::LittleEndian);
    EXPECT_TRUE(StartsWithUtf16Bom("\xFE\xFFx", order));
    EXPECT_EQ(order, ByteOrder::BigEndian);
    EXPECT_FALSE(StartsWithUtf16Bom("\xEF\xBB\xBFx", order)); // UTF-8's
    EXPECT_FALSE(StartsWithUtf16Bom("\xFF", order));
}
