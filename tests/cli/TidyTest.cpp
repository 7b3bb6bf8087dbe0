#include "cli/Tidy.h"

#include "formatter/FormatDriver.h"
#include "platform/PlainTextFile.h"
#include "support/Corpus.h"
#include "support/KeptPieces.h"

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
        {"SELECT $$a  \r\nb$$ \r\n", "SELECT $$a  \r\nb$$\r\n"}, // a dollar quote keeps its blanks
        {"PROMPT x  \r\nA ", "PROMPT x  \r\nA\r\n"},             // and so does a line command
    };
    for (const Case &c : cases) EXPECT_EQ(TidyText(c.text, KeptReadings::All()), c.tidy) << c.text;
    // Under the base rules the run formats a dollar quote like code.
    EXPECT_EQ(TidyText("$$A \r\nB$$ ", KeptReadings::None()), "$$A\r\nB$$\r\n");
}

TEST(Tidy, KeepsEveryLiteralAndCommentOfTheCorpus) {
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    EditorOptions options;
    options.LfSp = true;
    KeywordCatalogue catalogue;
    for (const auto &path : files) {
        ProgressSink quiet;
        FormatResult r = RunFormat(DecodePlainText(kelvra::test::ReadWholeFile(path)).text, options, catalogue, quiet);
        if (r.end != RunEnd::Normal) continue;
        const std::string tidy = TidyText(r.text, KeptReadings::All());
        const auto pieces = kelvra::test::ReadKeptPieces(tidy).pieces;
        EXPECT_EQ(pieces, kelvra::test::ReadKeptPieces(r.text).pieces) << path;
        EXPECT_EQ(TidyText(tidy, KeptReadings::All()), tidy) << path;
        // A blank before a line end is one that a kept piece holds.
        std::size_t from = 0;
        for (const auto &piece : pieces) {
            const std::size_t at = tidy.find(piece.text, from);
            ASSERT_NE(at, std::string::npos) << path;
            const std::string code = tidy.substr(from, at - from);
            EXPECT_EQ(code.find(" \r\n"), std::string::npos) << path << ": " << code.substr(0, 200);
            from = at + piece.text.size();
        }
        EXPECT_EQ(tidy.find(" \r\n", from), std::string::npos) << path;
    }
}
