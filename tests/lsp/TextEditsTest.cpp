#include "lsp/DocumentFormatting.h"

#include "AppliedEdits.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

using namespace kelvra::lsp;
using nlohmann::json;

namespace {

struct EditCase {
    const char *name;
    const char *before, *after;
    std::size_t edits; // how many a line diff needs
};

class TextEditsOf : public testing::TestWithParam<EditCase> {};

TEST_P(TextEditsOf, TurnTheOldTextIntoTheNewWithFewEdits) {
    const EditCase &c = GetParam();
    for (bool utf16 : {true, false}) {
        const json edits = TextEdits(c.before, c.after, utf16 ? PositionEncoding::Utf16 : PositionEncoding::Utf8);
        EXPECT_EQ(kelvra::test::Applied(c.before, edits, utf16), c.after) << edits.dump();
        EXPECT_EQ(edits.size(), c.edits) << edits.dump();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, TextEditsOf,
                         testing::Values(EditCase{"same", "a\nb\n", "a\nb\n", 0},
                                         EditCase{"one_line_in_the_middle", "a\nb\nc\n", "a\nB\nc\n", 1},
                                         EditCase{"two_places", "a\nb\nc\nd\ne\n", "A\nb\nc\nd\nE\n", 2},
                                         EditCase{"lines_added_at_the_end_without_line_end", "a\nb", "a\nb\nc", 1},
                                         EditCase{"crlf_kept", "a\r\nb\r\nc\r\n", "a\r\nB\r\nB2\r\nc\r\n", 1},
                                         EditCase{"everything_removed", "a\nb\n", "", 1},
                                         EditCase{"from_nothing", "", "x\ny", 1},
                                         EditCase{"after_surrogate_pairs", "𠮷\n𩸽 a\n𠮷\n", "𠮷\n𩸽 A\n𠮷\n", 1},
                                         EditCase{"lone_cr_lines", "a\rb\rc", "a\rB\rc", 1}),
                         kelvra::test::CaseName{});

TEST(TextEdits, StartAtTheDocumentLineOfTheFormattedLines) {
    const json edits = TextEdits("b\nc\n", "b\nC\n", PositionEncoding::Utf16, 7);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0]["range"]["start"], (json{{"line", 8}, {"character", 0}}));
    EXPECT_EQ(edits[0]["range"]["end"], (json{{"line", 9}, {"character", 0}}));
}

TEST(LinesOf, TakesEveryLineTheRangeTouchesButOneItOnlyReaches) {
    struct Case {
        Position start, end;
        std::size_t first, last;
    } cases[] = {
        {{1, 3}, {2, 0}, 1, 1},
        {{1, 3}, {1, 3}, 1, 1},
        {{0, 0}, {2, 5}, 0, 2},
        {{2, 0}, {2, 0}, 2, 2},
    };
    for (const Case &c : cases) {
        const LineRange lines = LinesOf(c.start, c.end);
        EXPECT_EQ(lines.first, c.first);
        EXPECT_EQ(lines.last, c.last);
    }
    EXPECT_EQ(LinesText("a\nb\r\nc", {1, 1}), "b\r\n");
    EXPECT_EQ(LinesText("a\nb\r\nc", {1, 5}), "b\r\nc");
}

json RangeOf(int l1, int c1, int l2, int c2) {
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

TEST(Diagnostics, PlaceProblemsAndMeaningChangesInClientPositions) {
    const std::string text = "select '𠮷' a\nfrom t\n";
    Formatting refused;
    refused.problems = {{true, 1, 9, "quote", 1}, // the 𠮷: one character, two UTF-16 units
                        {true, 1, 13, "line break"},
                        {false, 0, 0, "2 problems"}};
    const json d = Diagnostics(refused, text, PositionEncoding::Utf16);
    ASSERT_EQ(d.size(), 2u) << d.dump(); // the summary without a place is left out
    EXPECT_EQ(d[0]["range"], RangeOf(0, 8, 0, 10));
    EXPECT_EQ(d[0]["severity"], 1);
    EXPECT_EQ(d[1]["range"], RangeOf(0, 13, 1, 0));

    Formatting unplaced;
    unplaced.problems = {{false, 0, 0, "not a text file"}};
    EXPECT_EQ(Diagnostics(unplaced, text, PositionEncoding::Utf16)[0]["range"], RangeOf(0, 0, 0, 0));

    Formatting changed;
    changed.ok = true;
    kelvra::meaning::Difference joined;
    joined.offset = 14; // the "a" before the line break
    joined.length = 0;
    joined.what = "joined";
    changed.meaning.count = 1;
    changed.meaning.first = {joined};
    const json m = Diagnostics(changed, text, PositionEncoding::Utf8);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0]["range"], RangeOf(0, 14, 0, 15));
    EXPECT_EQ(m[0]["severity"], 2);
}

TEST(RefusalMessage, NamesTheFirstPlaceInDocumentLines) {
    Formatting refused;
    refused.problems = {{false, 0, 0, "summary"}, {true, 2, 5, "quote"}};
    EXPECT_EQ(RefusalMessage(refused, 10), "kelvra-format leaves the text as it is: 12:5: quote");
}

} // namespace
