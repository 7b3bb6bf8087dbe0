#include "cli/SqlSegments.h"
#include "cli/Tidy.h"

#include "formatter/FormatDriver.h"
#include "platform/PlainTextFile.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvra;
using namespace kelvra::cli;

TEST(Tidy, DropsLineEndBlanksAndEndsWithOneLineBreak) {
    struct Case {
        const char *text, *tidy;
    } cases[] = {
        {"SELECT \r\n        A \r\nFROM \r\n        T ; \r\n         ",
         "SELECT\r\n        A\r\nFROM\r\n        T ;\r\n"},
        {"SELECT 'a  \r\nb' \r\n", "SELECT 'a  \r\nb'\r\n"}, // a literal keeps its blanks
        {"-- note  \r\nA ", "-- note  \r\nA\r\n"},           // and so does a comment
        {"A \r\n\r\nB ", "A\r\n\r\nB\r\n"},                  // blank lines inside stay
        {"A /* x */ \r\n \r\n  \r\n", "A /* x */\r\n"},
        {"A -- c", "A -- c\r\n"},
        {"   \r\n  ", ""},
        {"", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(TidyText(c.text), c.tidy) << c.text;
}

TEST(Tidy, KeepsEveryLiteralAndCommentOfTheCorpus) {
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    EditorOptions options;
    KeywordCatalogue catalogue;
    auto segmentTexts = [](const std::string &text) {
        std::vector<std::string> out;
        for (const SqlSegment &s : FindLiteralsAndComments(text).protectedRanges)
            out.push_back(text.substr(s.start, s.end - s.start));
        return out;
    };
    for (const auto &path : files) {
        ProgressSink quiet;
        FormatResult r = RunFormat(DecodePlainText(kelvra::test::ReadWholeFile(path)).text, options, catalogue, quiet);
        if (r.end != RunEnd::Normal) continue;
        const std::string tidy = TidyText(r.text);
        EXPECT_EQ(segmentTexts(tidy), segmentTexts(r.text)) << path;
        EXPECT_EQ(TidyText(tidy), tidy) << path;
        // A blank before a line end is one that a literal or comment holds.
        const std::vector<SqlSegment> kept = FindLiteralsAndComments(tidy).protectedRanges;
        for (std::size_t at = tidy.find(" \r\n"); at != std::string::npos; at = tidy.find(" \r\n", at + 1))
            EXPECT_TRUE(std::any_of(kept.begin(), kept.end(),
                                    [at](const SqlSegment &s) { return s.start <= at && at < s.end; }))
                << path << " at " << at;
    }
}
