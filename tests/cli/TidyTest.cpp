#include "cli/Tidy.h"

#include "formatter/FormatDriver.h"
#include "platform/PlainTextFile.h"
#include "support/Corpus.h"
#include "meaning/MeaningCheck.h"
#include "meaning/MeaningLexer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvra;
using namespace kelvra::cli;

namespace {

// The bytes that some reader takes as part of a literal, comment or client
// command (a command to its line end, the blanks there included).
std::vector<bool> KeptBytes(std::string_view text) {
    using meaning::Reading;
    std::vector<bool> kept(text.size());
    for (const Reading reading : {Reading::Oracle, Reading::PostgreSql, Reading::MySql, Reading::SqlServer})
        for (const meaning::Token &t : meaning::Tokenize(text, reading))
            if (t.kind != meaning::TokenKind::Word && t.kind != meaning::TokenKind::Sign) {
                std::size_t end = t.end;
                if (t.kind == meaning::TokenKind::LineCommand)
                    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
                std::fill(kept.begin() + static_cast<std::ptrdiff_t>(t.start),
                          kept.begin() + static_cast<std::ptrdiff_t>(end), true);
            }
    return kept;
}

} // namespace

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

// Under every reading the tidy text reads as the run's result; a blank stays
// before a line end only inside what some reader keeps whole (a literal, a
// comment, a client command).
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
        const meaning::CheckReport report = meaning::CompareMeaning(r.text, tidy);
        EXPECT_TRUE(report.Same()) << path << ": " << report.first.front().what;
        EXPECT_EQ(TidyText(tidy, KeptReadings::All()), tidy) << path;
        const std::vector<bool> kept = KeptBytes(tidy);
        for (std::size_t at = tidy.find(" \r\n"); at != std::string::npos; at = tidy.find(" \r\n", at + 1))
            EXPECT_TRUE(kept[at]) << path << ": " << tidy.substr(at > 60 ? at - 60 : 0, 64);
    }
}
