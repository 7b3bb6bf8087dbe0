// Every corpus file with meaning kept, in both line-break modes and with the
// comma-first tidy layout, through kelvra-format's own path: no client or
// server reads the result differently (the meaning check runs on every
// result and refuses one that any reading reads otherwise), a second run
// changes nothing, and only the texts that no reader can take are refused.
#include "cli/FormatCommand.h"
#include "support/CaseName.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelvra;
using namespace kelvra::cli;

namespace {

struct Layout {
    const char *name;
    bool lineBreaksSeparate, commaBefore, tidy;
};

void PrintTo(const Layout &l, std::ostream *os) { *os << l.name; }

class EveryReading : public ::testing::TestWithParam<Layout> {};

TEST_P(EveryReading, NoReaderReadsTheResultOtherwiseAndASecondRunChangesNothing) {
    const auto files = test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    const Layout &layout = GetParam();
    FormatSettings settings;
    settings.options.LfSp = layout.lineBreaksSeparate;
    settings.options.Comma = layout.commaBefore ? CommaPosition::Before : CommaPosition::After;
    settings.tidy = layout.tidy;
    ASSERT_TRUE(settings.options.KeepMeaning);
    ASSERT_EQ(settings.options.Dialect, SqlDialect::Any);

    std::vector<std::string> refused, changing;
    for (const auto &path : files) {
        const FormattedDocument first = FormatDocument(test::ReadWholeFile(path), settings);
        if (first.exitCode != 0) {
            std::string why = path.filename().string();
            if (!first.problems.empty()) why += ": " + first.problems.front().message;
            refused.push_back(why);
            continue;
        }
        const FormattedDocument second = FormatDocument(first.bytes, settings);
        if (second.exitCode != 0 || second.bytes != first.bytes) changing.push_back(path.filename().string());
    }
    // Two files are in neither encoding. (One more holds a quote that only
    // mysql, with its backslash escapes, closes: it is formatted for mysql.)
    EXPECT_EQ(refused.size(), 2u) << ::testing::PrintToString(refused);
    EXPECT_TRUE(changing.empty()) << changing.size()
                                  << " change on a second run: " << ::testing::PrintToString(changing);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EveryReading,
                         ::testing::Values(Layout{"lineBreaksSeparate", true, false, false},
                                           Layout{"defaultMode", false, false, false},
                                           Layout{"commaFirstTidy", true, true, true}),
                         test::CaseName());

} // namespace
