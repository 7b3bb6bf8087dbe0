#include "formatter/Protection.h"
#include "formatter/ReservedWords.h"
#include "StageHarness.h"

#include <gtest/gtest.h>
#include "support/CaseName.h"

using namespace kelvra;
using kelvra::test::StageHarness;

namespace {

std::string AllMarkerCharacters() {
    std::string s;
    for (const auto &p : MarkerPairs()) s += std::string(p.open) + p.close;
    return s;
}

} // namespace

TEST(MarkerPair, FirstPairWhoseCharactersAreBothAbsent) {
    struct Case {
        std::string text;
        bool simple;
        std::string open;
    } cases[] = {
        {"select 1", false, "《"},
        {"a 《 b", false, "≪"},
        {"a 》 b", false, "≪"},
        {"《≫〉", false, "＜"},
        {AllMarkerCharacters(), true, "《"},
        // Long texts are searched in pieces of 64 KiB: a character across a
        // piece boundary still counts, and bytes of two characters on either
        // side of ASCII text do not make one.
        {std::string(65535, 'a') + "《", false, "≪"},
        {std::string(65534, 'a') + "》x", false, "≪"},
        {std::string(65535, 'a') + "\xE3" + "a\x80\x8A", false, "《"},
        {std::string(65536, 'a') + "\x80\x8A" + std::string(10, 'b') + "\xE3\x80", false, "《"},
    };
    for (const auto &c : cases) {
        auto pair = ChooseMarkerPair(c.text, c.simple);
        ASSERT_TRUE(pair) << c.text;
        EXPECT_EQ(pair->open, c.open) << c.text;
    }
    EXPECT_FALSE(ChooseMarkerPair(AllMarkerCharacters(), false));
    std::string allButLast = AllMarkerCharacters();
    allButLast.resize(allButLast.size() - std::string("♂♀").size());
    EXPECT_EQ(std::string(ChooseMarkerPair(allButLast + "♀", false).value_or(MarkerPair{"-", "-"}).open), "-");
    EXPECT_EQ(std::string(ChooseMarkerPair(allButLast, false)->open), "♂");
}

TEST(WordJoiner, SingleThenDoubledThenTripled) {
    const std::string all = "~^`|\\%$@!?";
    struct Case {
        std::string text;
        std::optional<std::string> joiner;
    } cases[] = {
        {"select", "~"},
        {"a~b", "^"},
        {all, "~~"},
        {all + "~~", "^^"},
        {all + "~~^^``||\\\\%%$$@@!!??", "~~~"},
        {std::string(65535, 'x') + "~~" + all, "^^"}, // a run across the pieces between cancel checks
    };
    for (const auto &c : cases) EXPECT_EQ(ChooseWordJoiner(c.text), c.joiner) << c.text;
    std::string everything;
    for (char c : all) everything += std::string(3, c) + " ";
    EXPECT_FALSE(ChooseWordJoiner(everything));
}

TEST(FunMiniCode, SmallestPositionWinsAndTiesFollowKRTC) {
    EXPECT_EQ(funMiniCode(std::nullopt, std::nullopt, std::nullopt, std::nullopt), "");
    EXPECT_EQ(funMiniCode(9, 3, std::nullopt, 5), "R");
    EXPECT_EQ(funMiniCode(std::nullopt, std::nullopt, 1, 2), "C");
    EXPECT_EQ(funMiniCode(4, 4, 4, 4), "K");
    EXPECT_EQ(funMiniCode(std::nullopt, 4, 4, 4), "R");
    EXPECT_EQ(funMiniCode(std::nullopt, std::nullopt, 4, 4), "T");
}

TEST(FunDelCRLF, RemovesLineBreaksWithoutPuttingAnythingInTheirPlace) {
    EXPECT_EQ(funDelCRLF("/* a\r\nb */"), "/* ab */");
    EXPECT_EQ(funDelCRLF("x\r\n\r\ny"), "xy");
    // A lone CR must not take the character after it with it.
    EXPECT_EQ(funDelCRLF("a\rb"), "ab");
}

struct SaveCase {
    const char *name;
    std::string text;
    std::string tokens;                  // expected text after stage 3 (with pair 1)
    std::vector<std::string> K, R, C, T; // expected segments
    std::string restored = {};           // after the restore, when not the text itself
    bool baseRules = false;              // KeepMeaning off
    std::vector<std::string> L = {};     // expected line commands
    SqlDialect dialect = SqlDialect::Any;
};

void PrintTo(const SaveCase &c, std::ostream *os) { *os << c.name; }

class SaveLiterals : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveLiterals, ReplacesEachSegmentByItsTokenAndRestoresIt) {
    const SaveCase &c = GetParam();
    StageHarness h;
    h.options.KeepMeaning = !c.baseRules;
    h.options.Dialect = c.dialect;
    EXPECT_EQ(h.RunThrough(c.text, "3"), c.tokens);
    EXPECT_EQ(h.state->segments.K, c.K);
    EXPECT_EQ(h.state->segments.R, c.R);
    EXPECT_EQ(h.state->segments.C, c.C);
    EXPECT_EQ(h.state->segments.T, c.T);
    EXPECT_EQ(h.state->segments.L, c.L);
    std::string restored = h.state->work;
    std::vector<TextSpan> spans;
    proRestKRCT(*h.state, restored, spans);
    EXPECT_EQ(restored, c.restored.empty() ? c.text : c.restored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveLiterals,
    ::testing::Values(
        SaveCase{"hyphensInsideLiteral", "SELECT 'a--b' FROM T", "SELECT 《R0》 FROM T", {}, {"'a--b'"}, {}, {}},
        SaveCase{"apostropheInsideLineComment", "-- it's here\r\nx", "《C0》\r\nx", {}, {}, {"-- it's here"}, {}},
        SaveCase{"lineCommentRunsToTheEnd", "a -- last", "a 《C0》", {}, {}, {"-- last"}, {}},
        SaveCase{"blockCommentLosesLineBreaksUnderBaseRules",
                 "x /* a\r\nb */ y",
                 "x 《T0》 y",
                 {},
                 {},
                 {},
                 {"/* ab */"},
                 "x /* ab */ y",
                 true},
        SaveCase{"blockCommentLineBreakBecomesBlank",
                 "x /* a\r\nb */ y",
                 "x 《T0》 y",
                 {},
                 {},
                 {},
                 {"/* a b */"},
                 "x /* a b */ y"},
        SaveCase{"dollarQuotesAreLiterals",
                 "select $re$\\s+$re$, $$It is  Ok$$;",
                 "select 《R0》, 《R1》;",
                 {},
                 {"$re$\\s+$re$", "$$It is  Ok$$"},
                 {},
                 {}},
        SaveCase{"dollarInsideNamesAndParametersIsCode",
                 "V$SESSION SYS.V_$SQL $1 a$$b$$",
                 "V$SESSION SYS.V_$SQL $1 a$$b$$",
                 {},
                 {},
                 {},
                 {}},
        SaveCase{"dollarQuoteHoldsQuotesAndComments",
                 "$f$ it's -- no /* $$ $f$ 'x'",
                 "《R0》 《R1》",
                 {},
                 {"$f$ it's -- no /* $$ $f$", "'x'"},
                 {},
                 {},
                 {},
                 false,
                 {},
                 SqlDialect::PostgreSql},
        SaveCase{"escapeStringThenLaterLiteralsPairRight",
                 "select e'it\\'s', 'x' from t;",
                 "select 《R0》, 《R1》 from t;",
                 {},
                 {"e'it\\'s'", "'x'"},
                 {},
                 {},
                 {},
                 false,
                 {},
                 SqlDialect::PostgreSql},
        SaveCase{
            "escapeStringUnderBaseRules", "e'it\\'s' x'", "e《R0》s《R1》", {}, {"'it\\'", "' x'"}, {}, {}, {}, true},
        SaveCase{"alternativeQuotingClosesWithPartnerOrSelf",
                 "nq'{a}b}' Q'!it's!' q'<'>'",
                 "《R0》 《R1》 《R2》",
                 {},
                 {"nq'{a}b}'", "Q'!it's!'", "q'<'>'"},
                 {},
                 {},
                 {},
                 false,
                 {},
                 SqlDialect::Oracle},
        SaveCase{"prefixThatEndsANameIsNot", "type'x' seq'y'", "type《R0》 seq《R1》", {}, {"'x'", "'y'"}, {}, {}},
        SaveCase{"backquotedNames",
                 "select `my  col`, `it's` from t",
                 "select 《K0》, 《K1》 from t",
                 {"`my  col`", "`it's`"},
                 {},
                 {},
                 {},
                 {},
                 false,
                 {},
                 SqlDialect::MySql},
        SaveCase{"lineCommands",
                 "end;\r\n/\r\nrem it's done\r\n  PROMPT -- next\r\n@@sub.sql 1\r\n\\d+ t\r\nx -- c",
                 "end;\r\n《L0》\r\n《L1》\r\n  《L2》\r\n《L3》\r\n《L4》\r\nx 《C0》",
                 {},
                 {},
                 {"-- c"},
                 {},
                 {},
                 false,
                 {"/", "rem it's done", "PROMPT -- next", "@@sub.sql 1", "\\d+ t"}},
        SaveCase{"variableLinesStaySql",
                 "select @a = 1,\r\n@b = 'x'\r\nrem := 2;",
                 "select @a = 1,\r\n@b = 《R0》\r\nrem := 2;",
                 {},
                 {"'x'"},
                 {},
                 {}},
        SaveCase{"delimiterLinesOfMySql",
                 "DELIMITER $$\r\nend $$\r\nDELIMITER ;\r\n$$a$$",
                 "《L0》\r\nend $$\r\n《L1》\r\n$$a$$",
                 {},
                 {},
                 {},
                 {},
                 {},
                 false,
                 {"DELIMITER $$", "DELIMITER ;"},
                 SqlDialect::MySql},
        // PostgreSQL reads a dollar quote where mysql reads a statement end: the
        // command is kept up to where both read code again.
        SaveCase{"delimiterDollarsUnderEveryReading",
                 "DELIMITER $$\r\nend $$\r\nDELIMITER ;\r\n$$a$$",
                 "《L0》\r\n《L1》\r\n《R0》",
                 {},
                 {"$$a$$"},
                 {},
                 {},
                 {},
                 false,
                 {"DELIMITER $$\r\nend $$", "DELIMITER ;"}},
        SaveCase{"doubledQuoteIsTwoLiterals", "'it''s'", "《R0》《R1》", {}, {"'it'", "'s'"}, {}, {}},
        SaveCase{"numberedPerKindInTextOrder",
                 "\"a\" 'b' \"c\"",
                 "《K0》 《R0》 《K1》",
                 {"\"a\"", "\"c\""},
                 {"'b'"},
                 {},
                 {}},
        SaveCase{"blockOpeningInsideLineComment", "-- /* x\r\ny", "《C0》\r\ny", {}, {}, {"-- /* x"}, {}},
        SaveCase{"quotesInsideBlockComment", "/* \"it's\" */", "《T0》", {}, {}, {}, {"/* \"it's\" */"}},
        SaveCase{"hint", "select /*+ index(t) */ 1", "select 《T0》 1", {}, {}, {}, {"/*+ index(t) */"}},
        SaveCase{"japaneseWholeInsideAndOutside",
                 "表 '表示' -- ソ表\r\n能",
                 "表 《R0》 《C0》\r\n能",
                 {},
                 {"'表示'"},
                 {"-- ソ表"},
                 {}}),
    kelvra::test::CaseName());

TEST(SaveLiterals, UnmatchedOpeningFailsWithItsMessageAndRange) {
    struct Case {
        std::string text;
        std::string message;
        TextSpan range;
        SqlDialect dialect = SqlDialect::Any; // a dialect's own openings are refused when only it reads the text
    } cases[] = {
        {"select 'abc", "対になる文字列（'）が見つかりません", {7, 1}},
        {"select \"abc", "対になる文字列（\"\"）が見つかりません", {7, 1}},
        {"表 /* open", "対になる文字列（*/）が見つかりません", {4, 2}},
        {"'ok' x 'no", "対になる文字列（'）が見つかりません", {7, 1}},
        {"select $body$ x", "対になる文字列（$body$）が見つかりません", {7, 6}, SqlDialect::PostgreSql},
        {"x E'it\\'", "対になる文字列（'）が見つかりません", {2, 2}, SqlDialect::PostgreSql},
        {"x nq'[a]' q'(b'", "対になる文字列（)'）が見つかりません", {10, 3}, SqlDialect::Oracle},
        {"x q'表a表", "対になる文字列（表'）が見つかりません", {2, 5}, SqlDialect::Oracle},
        {"x q'表a表", "対になる文字列（'）が見つかりません", {3, 1}}, // a plain quote for the others
        {"`a` `b", "対になる文字列（`）が見つかりません", {4, 1}, SqlDialect::MySql},
    };
    for (const auto &c : cases) {
        StageHarness h;
        h.options.Dialect = c.dialect;
        try {
            h.RunThrough(c.text, "3");
            ADD_FAILURE() << "no failure for " << c.text;
        } catch (const StageFailure &f) {
            EXPECT_EQ(f.message.caption, "エラー");
            EXPECT_EQ(f.message.text, c.message);
            EXPECT_EQ(f.message.icon, MessageIcon::Error);
            ASSERT_TRUE(f.hasHighlight);
            EXPECT_EQ(f.highlight, c.range) << c.text;
        }
    }
}

TEST(RestoreLiterals, MovesSpansWithTheTextAndReportsDamagedTokens) {
    StageHarness h;
    h.RunThrough("a 'xy' b 'long literal' c", "3");
    std::string text = "A 《R0》 B 《R1》 C";
    // Spans on "A", "B" and "C".
    std::vector<TextSpan> spans = {{0, 1}, {text.find('B'), 1}, {text.find('C'), 1}};
    proRestKRCT(*h.state, text, spans);
    EXPECT_EQ(text, "A 'xy' B 'long literal' C");
    EXPECT_EQ(text.substr(spans[1].start, 1), "B");
    EXPECT_EQ(text.substr(spans[2].start, 1), "C");

    struct Damaged {
        std::string text;
        std::string message;
    } damaged[] = {
        {"x 《R0", "内部処理(proRestRCT(R))でエラーが発生しました"},
        {"x 《K0", "内部処理(proRestKRCT(K))でエラーが発生しました"},
        {"x 《R9》", "内部処理(proRestKRCT)でエラーが発生しました"},
        {"x 《Rz》", "内部処理(proRestKRCT)でエラーが発生しました"},
    };
    for (const auto &d : damaged) {
        std::string t = d.text;
        std::vector<TextSpan> none;
        try {
            proRestKRCT(*h.state, t, none);
            ADD_FAILURE() << d.text;
        } catch (const StageFailure &f) {
            EXPECT_EQ(f.message.text, d.message);
        }
    }
}
