// Whole runs: exact lines (trailing blanks included) and bold words, and the
// literal-and-comment property over the real-world corpus.
#include "formatter/FormatDriver.h"
#include "formatter/ReservedWords.h"
#include "formatter/TextUtil.h"
#include "platform/TextCodec.h"
#include "StageHarness.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include "support/CaseName.h"

using namespace kelvra;
using kelvra::test::CorpusFiles;
using kelvra::test::CountingSink;
using kelvra::test::StageHarness;

namespace {

using Lines = std::vector<std::string>;

struct RunCase {
    const char *name;
    std::string text;
    Lines expected;
    std::vector<std::string> bold;
    bool commaBefore = false;
    int indent = 8;
};

void PrintTo(const RunCase &c, std::ostream *os) { *os << c.name; }

std::string Pad(int blanks, const std::string &s) { return std::string(blanks, ' ') + s; }

const std::string kExample =
    "select a.id, b.name, nvl(b.qty, 0) qty from orders a, items b where a.id = b.id and b.qty > 10 order by a.id;";
const std::vector<std::string> kExampleBold = {"SELECT", "NVL", "FROM", "WHERE", "AND", "ORDER BY"};

class WholeRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(WholeRun, GivesTheExactLinesAndBoldWords) {
    const RunCase &c = GetParam();
    EditorOptions options;
    if (c.commaBefore) options.Comma = CommaPosition::Before;
    options.Indent = c.indent;
    CountingSink sink;
    FormatResult r = RunFormat(c.text, options, KeywordCatalogue{}, sink);
    ASSERT_EQ(r.end, RunEnd::Normal) << r.message.text;
    EXPECT_EQ(SplitLines(r.text), c.expected);
    std::vector<std::string> bold;
    for (const auto &s : r.boldSpans) bold.push_back(r.text.substr(s.start, s.length));
    EXPECT_EQ(bold, c.bold);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, WholeRun,
    ::testing::Values(
        RunCase{"defaultOptions",
                kExample,
                {"SELECT ", Pad(8, "A.ID , "), Pad(8, "B.NAME , "), Pad(8, "NVL ( B.QTY , 0 ) QTY "), "FROM ",
                 Pad(8, "ORDERS A , "), Pad(8, "ITEMS B "), "WHERE ", Pad(8, "A.ID = B.ID "), Pad(8, "AND B.QTY > 10 "),
                 "ORDER BY ", Pad(8, "A.ID ; "), Pad(9, "")},
                kExampleBold},
        RunCase{"leadingCommas",
                kExample,
                {"SELECT ", Pad(8, "A.ID "), Pad(8, ", B.NAME "), Pad(8, ", NVL ( B.QTY , 0 ) QTY "), "FROM ",
                 Pad(8, "ORDERS A "), Pad(8, ", ITEMS B "), "WHERE ", Pad(8, "A.ID = B.ID "), Pad(8, "AND B.QTY > 10 "),
                 "ORDER BY ", Pad(8, "A.ID ; "), Pad(9, "")},
                kExampleBold,
                true},
        RunCase{"comments",
                "select a, -- first column\r\n b /* second */ from t;",
                {"SELECT ", Pad(8, "A , "), "-- first column", Pad(8, "B /* second */"), "FROM ", Pad(8, "T ; "),
                 Pad(9, "")},
                {"SELECT", "FROM"}},
        RunCase{"leadingLineComment",
                "-- head\r\nselect a, b from t;",
                {"-- head", "SELECT A , ", Pad(8, "B "), "FROM T ; ", Pad(9, "")},
                {"SELECT", "FROM"}},
        RunCase{"hintAfterLineCommentKeepsItsLine",
                "select a -- c\r\n/*+ hint */ b from t",
                {"SELECT ", Pad(8, "A "), "-- c", Pad(8, "/*+ hint */"), Pad(8, "B "), "FROM ", Pad(8, "T")},
                {"SELECT", "FROM"}},
        RunCase{"lineCommentInsideACallEndsItsLine",
                "select nvl(a, -- c\r\nb) x from t",
                {"SELECT ", Pad(8, "NVL ( A , -- c"), Pad(16, "B ) X "), "FROM ", Pad(8, "T")},
                {"SELECT", "NVL", "FROM"}},
        RunCase{"indentWidthOne",
                "select a, b from t;",
                {"SELECT ", Pad(1, "A , "), Pad(1, "B "), "FROM ", Pad(1, "T ; "), Pad(2, "")},
                {"SELECT", "FROM"},
                false,
                1},
        RunCase{"indentWidthTenInsideParens",
                "select nvl(a, (b)) from t",
                {"SELECT ", Pad(10, "NVL ( A , ( B ) ) "), "FROM ", Pad(10, "T")},
                {"SELECT", "NVL", "FROM"},
                false,
                10},
        RunCase{"leadingBlanksBecomeOne", "   x  y", {Pad(9, "X Y")}, {}},
        RunCase{"emptyQuotedNamesAndLiterals",
                "select \"\" x, '' y, \"a\" from t",
                {"SELECT ", Pad(8, "\"\" X , "), Pad(8, "'' Y , "), Pad(8, "\"a\" "), "FROM ", Pad(8, "T")},
                {"SELECT", "FROM"}},
        RunCase{"japaneseKeptWhole",
                "select '表示' 名前, ソ表 from 表 -- ソ\r\n",
                {"SELECT ", Pad(8, "'表示' 名前 , "), Pad(8, "ソ表 "), "FROM ", Pad(8, "表 "), "-- ソ", Pad(8, "")},
                {"SELECT", "FROM"}}),
    kelvra::test::CaseName());

// An unchecked multi-word reserved word is left as separate words: its joined
// form must never reach the result, and it is not emphasised as one word.
TEST(WholeRunCatalogue, UncheckedPhrasesStaySeparateWords) {
    int phrases = 0;
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Yoyaku); ++i) {
        const std::string &entry = KeywordCatalogue::Text(KeywordList::Yoyaku, i);
        if (entry.find(' ') == std::string::npos) continue;
        ++phrases;
        KeywordCatalogue catalogue;
        catalogue.SetState(KeywordList::Yoyaku, i, CheckState::Unchecked);
        catalogue.MirrorDependentLists();
        CountingSink sink;
        FormatResult r = RunFormat("select x from t " + entry + " y", EditorOptions{}, catalogue, sink);
        ASSERT_EQ(r.end, RunEnd::Normal) << entry;
        EXPECT_EQ(r.text.find('~'), std::string::npos) << entry << ":\n" << r.text;
        for (const auto &s : r.boldSpans) EXPECT_NE(r.text.substr(s.start, s.length), entry);
    }
    EXPECT_GT(phrases, 20);
}

std::vector<std::string> BoldWords(const FormatResult &r) {
    std::vector<std::string> bold;
    for (const auto &s : r.boldSpans) bold.push_back(r.text.substr(s.start, s.length));
    return bold;
}

// The keyword tables are kept between runs: runs that switch the check states
// or the word joiner back and forth, on one thread or on two at once, must
// each see their own states and joiner.
TEST(WholeRunCatalogue, StatesAndJoinerMayChangeFromRunToRun) {
    const KeywordCatalogue all;
    KeywordCatalogue noSelect;
    noSelect.SetState(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SELECT"),
                      CheckState::Unchecked);
    noSelect.MirrorDependentLists();
    struct Case {
        const KeywordCatalogue &catalogue;
        std::string text;
        std::vector<std::string> bold;
    };
    // From each case to the next, the states or the joiner change, or both.
    const std::vector<Case> cases = {
        {all, "select x from t order by x", {"SELECT", "FROM", "ORDER BY"}},
        // '~' in the text: the joiner is another character
        {all, "select '~' from t order by x", {"SELECT", "FROM", "ORDER BY"}},
        {noSelect, "select '~' from t order by x", {"FROM", "ORDER BY"}},
        {noSelect, "select x from t order by x", {"FROM", "ORDER BY"}},
    };
    auto runAll = [&cases] {
        for (int round = 0; round < 3; ++round)
            for (const Case &c : cases) {
                CountingSink sink;
                const FormatResult r = RunFormat(c.text, EditorOptions{}, c.catalogue, sink);
                ASSERT_EQ(r.end, RunEnd::Normal) << c.text;
                EXPECT_EQ(BoldWords(r), c.bold) << c.text << ":\n" << r.text;
            }
    };
    runAll();
    std::thread other(runAll);
    runAll();
    other.join();
}

// A corpus file as the editor would hand it over: UTF-8 with CR LF line ends.
std::string AsEditorText(const std::string &bytes) {
    std::string text = IsValidUtf8(bytes) ? bytes : DecodeCp932(bytes).text;
    return ToCrLf(text);
}

// Stage 23 exactly as the rule reads: one search pass per entry over the whole text.
std::string ReservedWordFormOnePassPerEntry(std::string text, const KeywordCatalogue &cat, const std::string &joiner,
                                            std::vector<bool> &bold) {
    bold.assign(text.size(), false);
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Yoyaku); ++i) {
        if (!cat.IsChecked(KeywordList::Yoyaku, i)) continue;
        const std::string &e = KeywordCatalogue::Text(KeywordList::Yoyaku, i);
        const std::string conv = funKeyConv(e, joiner);
        std::size_t from = 0;
        while ((from = text.find(conv + " ", from)) != std::string::npos) {
            if (from != 0 && text[from - 1] != ' ' && text[from - 1] != '\n') {
                from += e.size();
                continue;
            }
            text.replace(from, conv.size(), e);
            bold.erase(bold.begin() + from, bold.begin() + from + conv.size());
            bold.insert(bold.begin() + from, e.size(), true);
            from += e.size();
        }
    }
    return text;
}

} // namespace

TEST(Corpus, EveryFileFormatsAndKeepsEveryLiteralAndComment) {
    int normal = 0, refused = 0;
    const auto files = CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    for (const auto &path : files) {
        const std::string text = AsEditorText(kelvra::test::ReadWholeFile(path));
        CountingSink sink;
        FormatResult r = RunFormat(text, EditorOptions{}, KeywordCatalogue{}, sink);
        if (r.end != RunEnd::Normal) {
            ASSERT_EQ(r.end, RunEnd::Failed) << path;
            EXPECT_EQ(r.text, text);
            ++refused;
            continue;
        }
        ++normal;
        StageHarness h;
        h.RunThrough(text, "3");
        const FormatRunState &s = *h.state;
        std::size_t from = 0;
        // Segments come back in text order; each kind's list is in text order too.
        for (const auto *list : {&s.segments.K, &s.segments.R, &s.segments.C, &s.segments.T}) {
            from = 0;
            for (const std::string &segment : *list) {
                std::size_t at = r.text.find(segment, from);
                ASSERT_NE(at, std::string::npos) << path << ": " << segment.substr(0, 80);
                from = at + segment.size();
            }
        }
        EXPECT_EQ(r.text.find(s.markerOpen), std::string::npos) << path;
        EXPECT_EQ(r.text.find(s.markerClose), std::string::npos) << path;
    }
    EXPECT_GT(normal, 300);
    std::cout << normal << " formatted, " << refused << " refused\n";
}

TEST(Corpus, OnePassEmphasisEqualsOnePassPerEntry) {
    const auto files = CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    for (std::size_t f = 0; f < files.size(); f += 5) {
        const std::string text = AsEditorText(kelvra::test::ReadWholeFile(files[f])).substr(0, 60000);
        for (bool simple : {false, true}) {
            StageHarness h;
            h.options.SimpleMode = simple;
            try {
                h.RunThrough(text, "22");
            } catch (const StageFailure &) {
                continue;
            }
            std::vector<bool> expectedBold;
            std::string expected = ReservedWordFormOnePassPerEntry(JoinLines(h.state->lines), h.catalogue,
                                                                   h.state->wordJoiner, expectedBold);
            h.RunThrough(text, "23");
            ASSERT_EQ(h.state->work, expected) << files[f];
            std::vector<bool> bold(h.state->work.size(), false);
            for (const auto &s : h.state->boldSpans) std::fill_n(bold.begin() + s.start, s.length, true);
            ASSERT_EQ(bold, expectedBold) << files[f];
        }
    }
}

TEST(WholeRun, SimpleModeCountsNothingAndUpperCasesLiterals) {
    EditorOptions options;
    options.SimpleMode = true;
    CountingSink sink;
    FormatResult r = RunFormat("select 'abc' from t -- x", options, KeywordCatalogue{}, sink);
    ASSERT_EQ(r.end, RunEnd::Normal);
    EXPECT_NE(r.text.find("'ABC'"), std::string::npos);
    EXPECT_EQ(r.counts.K + r.counts.R + r.counts.C + r.counts.T, 0);
}

TEST(WholeRun, IndentWidthAndNoEmphasis) {
    EditorOptions options;
    options.Indent = 3;
    options.Bold = false;
    CountingSink sink;
    FormatResult r = RunFormat("select a from t", options, KeywordCatalogue{}, sink);
    EXPECT_EQ(SplitLines(r.text), (Lines{"SELECT ", "   A ", "FROM ", "   T"}));
    EXPECT_TRUE(r.boldSpans.empty());
    options.Indent = 12; // out of range: 8
    r = RunFormat("select a from t", options, KeywordCatalogue{}, sink);
    EXPECT_EQ(SplitLines(r.text)[1], "        A ");
}
