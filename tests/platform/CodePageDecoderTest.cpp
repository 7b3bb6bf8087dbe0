#include "platform/TextCodec.h"

#include <gtest/gtest.h>

using namespace kelvra;

TEST(CodePageDecoder, DecodesSingleAndDoubleByteCharacters) {
    CodePageDecoder cp932(932);
    EXPECT_TRUE(cp932.IsLeadByte(0x95));
    EXPECT_FALSE(cp932.IsLeadByte(0xB1)); // half-width katakana stands alone
    EXPECT_EQ(cp932.Decode(0xB1), "ｱ");
    EXPECT_EQ(cp932.Decode(0x95, 0x5C), "表");
    EXPECT_EQ(cp932.Decode(0x81, 0x60), "～"); // code page 932, not the strict JIS table
    EXPECT_EQ(cp932.Decode(0x5C), "\\");
    EXPECT_TRUE(cp932.Decode(0x95, 0x0A).empty());
    EXPECT_TRUE(cp932.Decode(0xA0).empty());

    CodePageDecoder cp1252(1252);
    EXPECT_FALSE(cp1252.IsLeadByte(0x95));
    EXPECT_EQ(cp1252.Decode(0xE9), "é");
    EXPECT_EQ(cp1252.Decode(0x80), "€");

    CodePageDecoder unknown(99999);
    EXPECT_EQ(unknown.Decode(0xE9), "é");
}

TEST(CodePageDecoder, AppendUtf8EncodesEveryPlaneAndRejectsSurrogates) {
    struct Case {
        char32_t cp;
        const char *utf8;
    } cases[] = {{0x41, "A"},
                 {0xE9, "é"},
                 {0x8868, "表"},
                 {0x1F600, "😀"},
                 {0xD800, "\xEF\xBF\xBD"},
                 {0x110000, "\xEF\xBF\xBD"},
                 // Each end of each length.
                 {0x7F, "\x7F"},
                 {0x80, "\xC2\x80"},
                 {0x7FF, "\xDF\xBF"},
                 {0x800, "\xE0\xA0\x80"},
                 {0xD7FF, "\xED\x9F\xBF"},
                 {0xDFFF, "\xEF\xBF\xBD"},
                 {0xE000, "\xEE\x80\x80"},
                 {0xFFFF, "\xEF\xBF\xBF"},
                 {0x10000, "\xF0\x90\x80\x80"},
                 {0x10FFFF, "\xF4\x8F\xBF\xBF"}};
    for (const Case &c : cases) {
        std::string out;
        AppendUtf8(out, c.cp);
        EXPECT_EQ(out, c.utf8) << std::hex << static_cast<unsigned>(c.cp);
    }
}
