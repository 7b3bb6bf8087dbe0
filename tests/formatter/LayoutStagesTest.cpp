// Stages 13 to 23 on the examples of the layout rules, line by line.
#include "formatter/LayoutStages.h"
#include "formatter/TextUtil.h"
#include "StageHarness.h"

#include <gtest/gtest.h>

#include <functional>
#include "support/CaseName.h"

using namespace kelvra;
using kelvra::test::StageHarness;

namespace {

using Lines = std::vector<std::string>;

struct LineCase {
    const char *name;
    void (*stage)(FormatRunState &);
    Lines input;
    Lines expected;
    std::function<void(StageHarness &)> setup = {};
};

void PrintTo(const LineCase &c, std::ostream *os) { *os << c.name; }

void CommaBefore(StageHarness &h) { h.options.Comma = CommaPosition::Before; }
void Simple(StageHarness &h) { h.options.SimpleMode = true; }
void Indent4(StageHarness &h) { h.options.Indent = 4; }
void UncheckNvl(StageHarness &h) {
    h.catalogue.SetState(KeywordList::Kansu, KeywordCatalogue::Find(KeywordList::Kansu, "NVL"), CheckState::Unchecked);
}
// Unchecks the entry of `list` that reads `text` (directly, not through the reserved words).
void Uncheck(StageHarness &h, KeywordList list, const std::string &text) {
    h.catalogue.SetState(list, KeywordCatalogue::Find(list, text), CheckState::Unchecked);
    ASSERT_FALSE(h.catalogue.ContainsChecked(list, text)) << text;
}
void UncheckAndAfter(StageHarness &h) { Uncheck(h, KeywordList::UsiroNo, "AND"); }
void UncheckSelectStandAlone(StageHarness &h) { Uncheck(h, KeywordList::Tandoku, "SELECT"); }

class LayoutStage : public ::testing::TestWithParam<LineCase> {};

TEST_P(LayoutStage, GivesTheExactLines) {
    const LineCase &c = GetParam();
    StageHarness h;
    if (c.setup) c.setup(h);
    h.RunThrough("", "2"); // markers 《》 and joiner ~
    h.state->lines = c.input;
    c.stage(*h.state);
    Lines actual = h.state->lines.empty() ? SplitLines(h.state->work) : h.state->lines;
    EXPECT_EQ(actual, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stages15To21, LayoutStage,
    ::testing::Values(
        LineCase{"closingParensJoinedOnePerPass",
                 StageJoinClosingParens,
                 {"NVL ( A , ", "B ", ") ", ") X "},
                 {"NVL ( A , ", "B ) ) X ", ""}},
        LineCase{"parenAfterLineWithoutBlankStays", StageJoinClosingParens, {"X", ") "}, {"X", ") "}},
        LineCase{"scanStopsAtFirstEmptyLine", StageJoinClosingParens, {"", "A ", ") "}, {"", "A ", ") "}},
        LineCase{"standAloneKeywordsSplit",
                 StageSplitStandAloneKeywords,
                 {"SELECT A , ", "FROM T ", "SELECT "},
                 {"SELECT ", "A , ", "FROM ", "T ", "SELECT "}},
        LineCase{"restSplitsAgainBySameKeyword",
                 StageSplitStandAloneKeywords,
                 {"SELECT SELECT X "},
                 {"SELECT ", "SELECT ", "X "}},
        LineCase{"joinedKeywordSplit", StageSplitStandAloneKeywords, {"GROUP~BY A "}, {"GROUP~BY ", "A "}},
        LineCase{"callMadeOnePiece", StageCompactFunctionCalls, {"NVL ( A , ", "B ) X "}, {"NVL ( A , B ) X "}},
        LineCase{"callAtTheStart", StageCompactFunctionCalls, {"NVL ( ", "A ) "}, {"NVL ( A ) "}},
        LineCase{
            "nameGluedToAWordIsNoCall", StageCompactFunctionCalls, {"XNVL ( A , ", "B ) "}, {"XNVL ( A , ", "B ) "}},
        LineCase{"closeBeforeOpenIsSkipped",
                 StageCompactFunctionCalls,
                 {"MAX ) ", "MAX ( A , ", "B ) "},
                 {"MAX ) ", "MAX ( A , B ) "}},
        LineCase{"unbalancedCallLeftAlone", StageCompactFunctionCalls, {"NVL ( A , ", "( B "}, {"NVL ( A , ", "( B "}},
        LineCase{"inSubqueryOnOneLine",
                 StageCompactFunctionCalls,
                 {"X IN ( ", "SELECT C ", "FROM U ) "},
                 {"X IN ( SELECT C FROM U ) "}},
        LineCase{"uncheckedNameNotCompacted",
                 StageCompactFunctionCalls,
                 {"NVL ( A , ", "B ) "},
                 {"NVL ( A , ", "B ) "},
                 UncheckNvl},
        LineCase{"lineBreakAfterLineCommentInCallStays",
                 StageCompactFunctionCalls,
                 {"NVL ( A , ", "《C0》", "B ) "},
                 {"NVL ( A , 《C0》", "B ) "}},
        LineCase{"comparisonJoined", StageJoinComparisons, {"A = ", "NVL ( B , 0 ) "}, {"A = NVL ( B , 0 ) ", ""}},
        LineCase{
            "notEqualJoinedPlusNot", StageJoinComparisons, {"A <> ", "B ", "A + ", "C "}, {"A <> B ", "A + ", "C "}},
        LineCase{"everyComparisonSignJoins",
                 StageJoinComparisons,
                 {"A < ", "B ", "A > ", "C ", "A <= ", "D ", "A >= ", "E ", "A != ", "F "},
                 {"A < B ", "A > C ", "A <= D ", "A >= E ", "A != F ", ""}},
        LineCase{"twoCharacterLineJoined", StageJoinComparisons, {"= ", "B "}, {"= B ", ""}},
        LineCase{"oneCharacterLineNeverJoined", StageJoinComparisons, {"=", "B "}, {"=", "B "}},
        LineCase{"joinedLineNotJoinedAgain", StageJoinComparisons, {"A = ", "B = ", "C "}, {"A = B = ", "C "}},
        LineCase{"lastLineJoinedLeavesEmptyLine", StageJoinComparisons, {"A = ", "1"}, {"A = 1", ""}},
        LineCase{"halfWidthKanaLastCountsOneByte", StageJoinComparisons, {"A =ｱ", "B "}, {"A =ｱB ", ""}},
        LineCase{"lineCommentNeverSwallowsCode", StageJoinComparisons, {"X 《C0》", "B "}, {"X 《C0》", "B "}},
        LineCase{"noBreakAfterAnd", StageJoinNoBreakAfter, {"AND ", "EXISTS ( "}, {"AND EXISTS ( ", ""}},
        LineCase{"noBreakAfterComparesLengthOnly",
                 StageJoinNoBreakAfter,
                 {"ANDX", "Y ", "AND X ", "Z "},
                 {"ANDXY ", "AND X ", "Z "}},
        LineCase{"uncheckedNoBreakAfterWordIsNotJoined",
                 StageJoinNoBreakAfter,
                 {"AND ", "EXISTS ( "},
                 {"AND ", "EXISTS ( "},
                 UncheckAndAfter},
        LineCase{"uncheckedStandAloneWordIsNotSplit",
                 StageSplitStandAloneKeywords,
                 {"SELECT A , ", "FROM T "},
                 {"SELECT A , ", "FROM ", "T "},
                 UncheckSelectStandAlone},
        LineCase{"noBreakAfterCountsShiftJisBytes",
                 StageJoinNoBreakAfter,
                 {"ANDｱ", "X ", "AND表", "Y "},
                 {"ANDｱX ", "AND表", "Y "}},
        LineCase{"lineOfOnlyACommaGivesItAway", StageLeadingCommas, {", ", "B "}, {"", ", B "}, CommaBefore},
        LineCase{"leadingCommas", StageLeadingCommas, {"A , ", "B , ", "C "}, {"A ", ", B ", ", C "}, CommaBefore},
        LineCase{"leadingCommaPassesComments",
                 StageLeadingCommas,
                 {"A , ", "《C0》", "《T0》", "B "},
                 {"A ", "《C0》", "《T0》", ", B "},
                 CommaBefore},
        LineCase{"commaKeptBeforeOnlyComments",
                 StageLeadingCommas,
                 {"A , ", "《C0》", "", "B "},
                 {"A , ", "《C0》", "", "B "},
                 CommaBefore},
        LineCase{"blockCommentJoinedUp",
                 StageJoinBlockComments,
                 {"B ", "《T0》", "《T1》", "C "},
                 {"B 《T0》", "《T1》", "C "}},
        LineCase{"blockCommentOntoEmptyFirstLine", StageJoinBlockComments, {"", "《T0》", "A "}, {"《T0》", "A "}},
        LineCase{"blockCommentNotIntoLineComment",
                 StageJoinBlockComments,
                 {"《C0》", "《T0》", "A "},
                 {"《C0》", "《T0》", "A "}}),
    kelvra::test::CaseName());

INSTANTIATE_TEST_SUITE_P(
    Stage22, LayoutStage,
    ::testing::Values(
        LineCase{"indentByDepthAtLineStart",
                 StageIndent,
                 {"SELECT ", "A , ", "B ", "FROM ", "( ", "SELECT ", "C ", "FROM ", "D ) X "},
                 {"SELECT ", "    A , ", "    B ", "FROM ", "    ( ", "    SELECT ", "        C ", "    FROM ",
                  "        D ) X "},
                 Indent4},
        LineCase{"uncheckedStandAloneWordIsIndented",
                 StageIndent,
                 {"SELECT ", "A ", "FROM "},
                 {"        SELECT ", "        A ", "FROM "},
                 UncheckSelectStandAlone},
        LineCase{"widthOneAtDepthZero",
                 StageIndent,
                 {"SELECT ", "A ", "( ", "B ) "},
                 {"SELECT ", " A ", " ( ", "  B ) "},
                 [](StageHarness &h) { h.options.Indent = 1; }},
        LineCase{"negativeDepthAddsNothing", StageIndent, {") ", "A ", "FROM "}, {"        ) ", "A ", "FROM "}},
        LineCase{"lineCommentNeitherIndentedNorCounted",
                 StageIndent,
                 {"SELECT ", "《C0》 ( ", "A "},
                 {"SELECT ", "《C0》 ( ", "        A "}},
        LineCase{"firstBlankLineRemovedLastKept", StageIndent, {"", "SELECT ", " "}, {"SELECT ", "         "}},
        LineCase{"simpleModeIndentsEveryLine",
                 StageIndent,
                 {"SELECT ", "-- ( ", "A "},
                 {"SELECT ", "        -- ( ", "                A "},
                 Simple}),
    kelvra::test::CaseName());

} // namespace

TEST(ReservedWordForm, CatalogueSpellingAndBoldSpans) {
    struct Case {
        std::string text;
        bool bold;
        std::string expected;
        std::vector<std::string> boldWords;
    } cases[] = {
        {"SELECT A \r\nFROM T \r\nFOR~UPDATE~NOWAIT ",
         true,
         "SELECT A \r\nFROM T \r\nFOR UPDATE NOWAIT ",
         {"SELECT", "FROM", "FOR UPDATE NOWAIT"}},
        {"SELECT A \r\nT FROM", true, "SELECT A \r\nT FROM", {"SELECT"}},         // no blank after FROM
        {"XSELECT A.SELECT SELECT\r\n", true, "XSELECT A.SELECT SELECT\r\n", {}}, // no word boundary
        {"GROUP~BY X ", false, "GROUP BY X ", {}},
    };
    for (const auto &c : cases) {
        StageHarness h;
        h.options.Bold = c.bold;
        h.RunThrough("", "2");
        h.state->work = c.text;
        StageReservedWordForm(*h.state);
        EXPECT_EQ(h.state->work, c.expected);
        std::vector<std::string> bold;
        for (const auto &s : h.state->boldSpans) bold.push_back(h.state->work.substr(s.start, s.length));
        EXPECT_EQ(bold, c.boldWords) << c.text;
    }
}

TEST(ReservedWordForm, UncheckedEntriesKeepTheirFormAndAreNotBold) {
    StageHarness h;
    h.catalogue.SetState(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SELECT"),
                         CheckState::Unchecked);
    h.RunThrough("", "2");
    h.state->work = "SELECT A \r\nFROM B ";
    StageReservedWordForm(*h.state);
    ASSERT_EQ(h.state->boldSpans.size(), 1u);
    EXPECT_EQ(h.state->work.substr(h.state->boldSpans[0].start, h.state->boldSpans[0].length), "FROM");
}

TEST(StatementBreaks, StatementEndsAndListCommas) {
    struct Case {
        std::string text;
        const char *through;
        std::string expected;
    } cases[] = {
        {"a;b;", "13", "A ; \r\n B ; \r\n "}, {"a b", "13", "A B"},     {"a;select b", "13", "A ; \r\nSELECT B"},
        {"a,b,c", "14", "A , \r\nB , \r\nC"}, {"a,", "14", "A , \r\n"}, {"a,select b", "14", "A , \r\nSELECT B"},
    };
    for (const auto &c : cases) {
        StageHarness h;
        h.options.SimpleMode = true;
        EXPECT_EQ(h.RunThrough(c.text, c.through), c.expected) << c.text;
    }
}
