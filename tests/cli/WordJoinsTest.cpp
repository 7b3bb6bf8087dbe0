#include "cli/SqlSegments.h"
#include "cli/WordJoins.h"

#include "formatter/FormatDriver.h"
#include "formatter/TextUtil.h"
#include "platform/PlainTextFile.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

using namespace kelvra;
using namespace kelvra::cli;

TEST(WordJoins, FoundWhereRemovingTheLineBreakRunsWordsTogether) {
    struct Case {
        const char *text;
        std::size_t count;
        const char *before, *after; // the first join, when count > 0
    } cases[] = {
        {"select a\r\nfrom t", 1, "a", "from"},
        {"select a\r\n\r\n\r\nfrom t", 1, "a", "from"}, // blank lines between are removed too
        {"select a \r\nfrom t", 0, "", ""},             // a blank stays between them
        {"select a\r\n from t", 0, "", ""},
        {"select a\r\n\tfrom t", 0, "", ""},  // a tab becomes a blank
        {"select a,\r\nb from t", 0, "", ""}, // separators get blanks of their own
        {"select f(a\r\n) from t", 0, "", ""},
        {"select x_1\r\n2y from t", 1, "x_1", "2y"},
        {"select 表\r\nfrom t", 1, "表", "from"}, // any non-ASCII character is a word character
        {"select 'a'\r\nfrom t", 0, "", ""},      // the literal's quote is not a word character
        {"select a\r\n'b' from t", 0, "", ""},
        {"select a -- note\r\nfrom t", 0, "", ""},   // a line comment keeps its line break
        {"select a /* x\r\ny */ from t", 0, "", ""}, // inside a block comment
        {"select 'x\r\ny' from t", 0, "", ""},       // inside a literal
        {"select \"a\r\nb\" from t", 0, "", ""},
        {"select 'it''s'\r\nfrom t", 0, "", ""},
        {"select 5 -\r\n-3 from t", 1, "-", "-"},  // would start a line comment
        {"select a /\r\n* b from t", 1, "/", "*"}, // would start a block comment
        {"select a\r\nfrom t\r\nwhere b\r\nand c\r\n", 3, "a", "from"},
        {"select a\r\n", 0, "", ""}, // the final line break joins nothing
        {"\r\nselect a", 0, "", ""},
        {"", 0, "", ""},
    };
    for (const Case &c : cases) {
        WordJoins joins = FindWordJoins(c.text, false);
        EXPECT_EQ(joins.count, c.count) << c.text;
        if (c.count == 0) continue;
        ASSERT_FALSE(joins.first.empty()) << c.text;
        EXPECT_EQ(joins.first[0].before, c.before) << c.text;
        EXPECT_EQ(joins.first[0].after, c.after) << c.text;
    }
}

TEST(WordJoins, SimpleModeLooksInsideLiteralsAndComments) {
    // Simple mode protects nothing, so the line breaks inside go as well.
    EXPECT_EQ(FindWordJoins("select 'x\r\ny' from t", true).count, 1u);
    EXPECT_EQ(FindWordJoins("select a -- note\r\nfrom t", true).count, 1u);
    EXPECT_EQ(FindWordJoins("select a -- note\r\nfrom t", false).count, 0u);
}

TEST(WordJoins, KeepsTheFirstFewAndCountsAll) {
    std::string text;
    for (int i = 0; i < 9; ++i) text.append("a").append(std::to_string(i)).append("\r\n");
    WordJoins joins = FindWordJoins(text, false, 3);
    EXPECT_EQ(joins.count, 8u);
    ASSERT_EQ(joins.first.size(), 3u);
    EXPECT_EQ(joins.first[2].before, "a2");
    EXPECT_EQ(joins.first[2].after, "a3");
    EXPECT_EQ(joins.first[2].lineBreak, 10u);
}

TEST(WordJoins, LongWordsAreShortenedAtACharacterStart) {
    std::string longWord;
    for (int i = 0; i < 30; ++i) longWord += "表";
    WordJoins joins = FindWordJoins(longWord + "\r\n" + longWord, false);
    ASSERT_EQ(joins.count, 1u);
    EXPECT_EQ(joins.first[0].before, "…" + longWord.substr(longWord.size() - 39));
    EXPECT_EQ(joins.first[0].after, longWord.substr(0, 39) + "…");
}

TEST(SqlSegments, FollowTheFirstOpeningThatComes) {
    struct Case {
        const char *text;
        std::vector<SqlSegment> ranges;
        bool complete;
    } cases[] = {
        {"a 'b' c", {{2, 5}}, true},
        {"'a--b' -- it's\r\nx", {{0, 6}, {7, 14}}, true},
        {"/*/ x */ y", {{0, 8}}, true}, // "*/" must begin after the "/*"
        {"\"a'b\" 'c\"d'", {{0, 5}, {6, 11}}, true},
        {"-- to the end", {{0, 13}}, true},
        {"x 'open", {{2, 7}}, false},
        {"x /* open", {{2, 9}}, false},
    };
    for (const Case &c : cases) {
        SqlSegments s = FindLiteralsAndComments(c.text);
        EXPECT_EQ(s.protectedRanges, c.ranges) << c.text;
        EXPECT_EQ(s.complete, c.complete) << c.text;
    }
}

// The format core lifts out the same literals and comments: their counts agree.
TEST(SqlSegments, AgreeWithTheFormatCoreOverTheCorpus) {
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    EditorOptions options;
    options.KeepMeaning = false; // the finders here know the base rules only
    KeywordCatalogue catalogue;
    int compared = 0;
    for (const auto &path : files) {
        DecodedText decoded = DecodePlainText(kelvra::test::ReadWholeFile(path));
        SqlSegments segments = FindLiteralsAndComments(decoded.text);
        ProgressSink quiet;
        FormatResult r = RunFormat(decoded.text, options, catalogue, quiet);
        if (r.end != RunEnd::Normal) {
            EXPECT_FALSE(segments.complete && r.hasHighlight) << path;
            continue;
        }
        ++compared;
        EXPECT_TRUE(segments.complete) << path;
        EXPECT_EQ(segments.protectedRanges.size(),
                  static_cast<std::size_t>(r.counts.K + r.counts.R + r.counts.C + r.counts.T))
            << path;
    }
    EXPECT_GT(compared, 300);
}

// Every reported join is real: the editor's run does put the two words side
// by side (upper-cased) in its result.
TEST(WordJoins, TheFormatCoreJoinsWhatIsReported) {
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    EditorOptions options;
    options.KeepMeaning = false; // the finders here know the base rules only
    KeywordCatalogue catalogue;
    std::size_t filesWithJoins = 0, joins = 0;
    for (const auto &path : files) {
        DecodedText decoded = DecodePlainText(kelvra::test::ReadWholeFile(path));
        WordJoins found = FindWordJoins(decoded.text, false, 5);
        joins += found.count;
        if (found.count == 0) continue;
        ++filesWithJoins;
        ProgressSink quiet;
        FormatResult r = RunFormat(decoded.text, options, catalogue, quiet);
        ASSERT_EQ(r.end, RunEnd::Normal) << path;
        for (const WordJoin &j : found.first) {
            if (j.before.starts_with("…") || j.after.ends_with("…")) continue;
            std::string joined = j.before + j.after;
            UpperCaseInPlace(joined);
            EXPECT_NE(r.text.find(joined), std::string::npos) << path << ": " << joined;
        }
    }
    std::printf("corpus: %zu of %zu files, %zu line breaks that would join words\n", filesWithJoins, files.size(),
                joins);
    EXPECT_GT(filesWithJoins, 200u);
}
