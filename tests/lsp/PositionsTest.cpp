#include "lsp/Positions.h"

#include "support/CaseName.h"

#include <gtest/gtest.h>

using namespace kelvra::lsp;

namespace {

// Lines ended by CR LF, LF and a lone CR; characters of one, three and four
// bytes (𠮷 is a surrogate pair in UTF-16).
//   byte:  0 a, 1 b, 2-3 CR LF | 4 日, 7 本, 10 LF | 11 𠮷, 15 x, 16 CR | 17 last, 21 end
constexpr std::string_view kText = "ab\r\n日本\n𠮷x\rlast";

struct OffsetCase {
    const char *name;
    Position position;
    PositionEncoding encoding;
    std::size_t offset;
};

class OffsetOfPosition : public testing::TestWithParam<OffsetCase> {};

TEST_P(OffsetOfPosition, IsTheByteOffsetOfThatCharacter) {
    const OffsetCase &c = GetParam();
    EXPECT_EQ(LineIndex(kText).OffsetOf(c.position, c.encoding), c.offset);
}

constexpr auto U16 = PositionEncoding::Utf16, U8 = PositionEncoding::Utf8;

INSTANTIATE_TEST_SUITE_P(Cases, OffsetOfPosition,
                         testing::Values(OffsetCase{"start", {0, 0}, U16, 0},
                                         OffsetCase{"before_cr_lf", {0, 2}, U16, 2},
                                         OffsetCase{"past_line_end_means_line_end", {0, 99}, U16, 2},
                                         OffsetCase{"after_first_kanji_utf16", {1, 1}, U16, 7},
                                         OffsetCase{"after_first_kanji_utf8", {1, 3}, U8, 7},
                                         OffsetCase{"inside_a_utf8_sequence_means_its_start", {1, 2}, U8, 4},
                                         OffsetCase{"inside_a_surrogate_pair_means_its_start", {2, 1}, U16, 11},
                                         OffsetCase{"after_surrogate_pair", {2, 2}, U16, 15},
                                         OffsetCase{"after_four_byte_character_utf8", {2, 4}, U8, 15},
                                         OffsetCase{"before_lone_cr", {2, 3}, U16, 16},
                                         OffsetCase{"end_of_last_line", {3, 4}, U16, 21},
                                         OffsetCase{"past_the_last_line_means_the_end", {9, 0}, U8, 21}),
                         kelvra::test::CaseName{});

TEST(PositionOfOffset, CountsCodeUnitsOfTheChosenEncoding) {
    const LineIndex index(kText);
    EXPECT_EQ(index.LineCount(), 4u);
    EXPECT_EQ(index.PositionOf(15, U16), (Position{2, 2}));
    EXPECT_EQ(index.PositionOf(15, U8), (Position{2, 4}));
    EXPECT_EQ(index.PositionOf(7, U16), (Position{1, 1}));
    EXPECT_EQ(index.PositionOf(12, U16), (Position{2, 0})); // inside 𠮷
    EXPECT_EQ(index.PositionOf(3, U16), (Position{0, 2}));  // the LF of a CR LF
    EXPECT_EQ(index.PositionOf(21, U16), (Position{3, 4}));
    EXPECT_EQ(index.PositionOf(99, U16), (Position{3, 4}));
}

TEST(PositionOfOffset, GoesBackToTheSameOffsetForEveryCharacter) {
    const std::string text = "-- 日本語\r\nselect '𠮷野家', \"ｶﾅ\"\n\nx\r";
    const LineIndex index(text);
    for (PositionEncoding encoding : {U16, U8}) {
        for (std::size_t offset = 0; offset <= text.size(); ++offset) {
            if (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) == 0x80) continue;
            if (offset > 0 && offset < text.size() && text[offset] == '\n' && text[offset - 1] == '\r') continue;
            EXPECT_EQ(index.OffsetOf(index.PositionOf(offset, encoding), encoding), offset) << offset;
        }
    }
}

TEST(LineIndex, ANewLineStartsAfterAFinalLineEndAndNotInAnEmptyText) {
    EXPECT_EQ(LineIndex("").LineCount(), 1u);
    EXPECT_EQ(LineIndex("a\n").LineCount(), 2u);
    EXPECT_EQ(LineIndex("a\r\n").LineStart(1), 3u);
    EXPECT_EQ(LineIndex("a\r\nb").LineContentEnd(0), 1u);
    EXPECT_EQ(LineIndex("日本\nb").OffsetOfCharacter(0, 1), 3u);
    EXPECT_EQ(LineIndex("日本\nb").OffsetOfCharacter(0, 5), 6u);
}

} // namespace
