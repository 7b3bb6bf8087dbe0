#include "cli/SqlSegments.h"

#include "formatter/FormatDriver.h"
#include "formatter/TextUtil.h"
#include "platform/PlainTextFile.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

using namespace kelvra;
using namespace kelvra::cli;

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
