// kelvra-format's result formatted again with the same options gives the same
// bytes, so that -i, --check and --diff agree: checked over the whole corpus
// with the option sets of ../shared/golden and the repository flags.

#include "cli/FixedPoint.h"
#include "cli/FormatCommand.h"
#include "settings/SettingsStore.h"

#include "support/CaseName.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kelvra;
using namespace kelvra::cli;
namespace fs = std::filesystem;

namespace {

struct OptionSet {
    const char *name;
    const char *golden; // the folder under ../shared/golden whose Kelvra.ini is read
    bool lineBreaksSeparate, joinLines, tidy;
};

std::vector<std::string> Flags(const OptionSet &set) {
    std::vector<std::string> flags;
    if (set.lineBreaksSeparate) flags.push_back("--line-breaks-separate");
    if (set.joinLines) flags.push_back("--join-lines");
    if (set.tidy) flags.push_back("--tidy");
    return flags;
}

FormatSettings SettingsOf(const OptionSet &set, const fs::path &ini) {
    FormatSettings s;
    EXPECT_TRUE(LoadFormattingSettings(ini, s.options, s.catalogue).ok) << ini;
    s.options.LfSp = s.options.LfSp || set.lineBreaksSeparate;
    s.refuseWordJoins = !set.joinLines;
    s.tidy = set.tidy;
    return s;
}

int RunKelvraFormat(std::vector<std::string> args, std::string &out) {
    std::istringstream in;
    std::ostringstream o, e;
    const int status = RunCommand(args, in, o, e);
    out = o.str();
    return status;
}

class FixedPoint : public ::testing::TestWithParam<OptionSet> {};

TEST_P(FixedPoint, ASecondRunChangesNothingAndCheckAgreesWithInPlace) {
    const OptionSet &set = GetParam();
    const auto corpus = test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(corpus);
    const fs::path ini = fs::path(KELVRA_GOLDEN_DIR) / set.golden / "Kelvra.ini";
    if (!fs::exists(ini)) GTEST_SKIP() << "no " << ini;
    const FormatSettings settings = SettingsOf(set, ini);

    test::TempDir dir("kelvra-fixed-point");
    std::size_t formatted = 0, changed = 0;
    for (const fs::path &file : corpus) {
        const FormattedDocument first = FormatDocument(test::ReadWholeFile(file), settings);
        if (first.exitCode != 0) continue; // refused texts stay out
        ++formatted;
        const FormattedDocument second = FormatDocument(first.bytes, settings);
        if (second.exitCode != 0 || second.bytes != first.bytes) {
            if (++changed <= 5) ADD_FAILURE() << file << " changes on a second run";
            continue;
        }
        const fs::path copy = dir.path() / file.parent_path().filename() / file.filename();
        fs::create_directories(copy.parent_path());
        fs::copy_file(file, copy);
        // The corpus is read-only; a copy that -i may rewrite must not be (for
        // any user other than root, and on Windows for root too).
        fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
    }
    EXPECT_EQ(changed, 0u) << "of " << formatted;
    EXPECT_GT(formatted, corpus.size() / 2);

    // The same as a hook and CI run it: rewrite the folder, then check it.
    std::vector<std::string> args = Flags(set);
    args.insert(args.begin(), {"--settings", ini.string(), "-j", "2"});
    std::string out;
    auto with = [&](std::initializer_list<std::string> more) {
        std::vector<std::string> a = args;
        a.insert(a.end(), more);
        return a;
    };
    EXPECT_EQ(RunKelvraFormat(with({"-i", dir.path().string()}), out), 0);
    EXPECT_EQ(RunKelvraFormat(with({"--check", dir.path().string()}), out), 0);
    EXPECT_EQ(out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Sets, FixedPoint,
    ::testing::Values(OptionSet{"defaults_separate", "defaults", true, false, false},
                      OptionSet{"defaults_join", "defaults", false, true, false},
                      OptionSet{"defaults_tidy_separate", "defaults", true, false, true},
                      OptionSet{"comma_before_indent4_lfsp", "comma-before-indent4-lfsp", false, false, false},
                      OptionSet{"comma_before_indent4_lfsp_tidy", "comma-before-indent4-lfsp", false, false, true},
                      OptionSet{"simple_indent2_separate", "simple-indent2", true, false, false},
                      OptionSet{"simple_indent2_join", "simple-indent2", false, true, false},
                      OptionSet{"simple_indent2_tidy_separate", "simple-indent2", true, false, true},
                      OptionSet{"keywords_off_separate", "keywords-off", true, false, false},
                      OptionSet{"keywords_off_join", "keywords-off", false, true, false},
                      OptionSet{"keywords_off_tidy_separate_join", "keywords-off", true, true, true}),
    test::CaseName());

} // namespace

namespace {

TEST(FixedPoint, OuterBlanksAndLineBreaksAreDropped) {
    struct Case {
        const char *text, *trimmed;
    } cases[] = {
        {"  \t\r\n x;\r\n  \r\n", "x;"},
        {"select a\r\n", "select a"},
        {"'  a  '", "'  a  '"},
        {" \r\n\t ", ""},
        {"", ""},
        {"a \r\n b", "a \r\n b"},
    };
    for (const Case &c : cases) {
        std::string text = c.text;
        TrimOuterBlanks(text);
        EXPECT_EQ(text, c.trimmed) << c.text;
    }
}

TEST(FixedPoint, BlankLineBetweenACommentAndALeadingCommaGoes) {
    struct Case {
        const char *text, *expected;
        std::vector<TextSpan> bold, expectedBold;
    } cases[] = {
        // A line comment and a block comment at the line end, each followed by a blank line.
        {"A \r\n-- c\r\n    \r\n    , B \r\nFROM \r\n    T",
         "A \r\n-- c\r\n    , B \r\nFROM \r\n    T",
         {{24, 4}},
         {{18, 4}}},
        {"A /* c */\r\n        \r\n    , B", "A /* c */\r\n    , B", {{0, 1}}, {{0, 1}}},
        // Kept: no comma after it, no comment before it, or inside a block comment or a literal.
        {"A \r\n-- c\r\n    \r\n    B", "A \r\n-- c\r\n    \r\n    B", {}, {}},
        {"A \r\n    \r\n    , B", "A \r\n    \r\n    , B", {}, {}},
        {"/* -- c\r\n    \r\n  , */ x", "/* -- c\r\n    \r\n  , */ x", {}, {}},
        {"'-- c\r\n\r\n, b'", "'-- c\r\n\r\n, b'", {}, {}},
    };
    for (const Case &c : cases) {
        std::string text = c.text;
        std::vector<TextSpan> bold = c.bold;
        DropBlankLinesAfterCommentsBeforeCommas(text, bold, KeptReadings::All());
        EXPECT_EQ(text, c.expected) << c.text;
        EXPECT_EQ(bold, c.expectedBold) << c.text;
    }
}

// The two causes seen in repositories, through kelvra-format's whole run.
TEST(FixedPoint, IndentedFirstLinesAndLeadingCommentsStayAsTheyAre) {
    FormatSettings settings;
    settings.options.LfSp = true;
    for (const char *text : {"x;", "        X ;\n         ", "-- head\nselect a, b from t;\n",
                             "   /* head\n   */ select a,\n-- c\nb from t\n"}) {
        const FormattedDocument first = FormatDocument(text, settings);
        ASSERT_EQ(first.exitCode, 0) << text;
        EXPECT_EQ(FormatDocument(first.bytes, settings).bytes, first.bytes) << text;
    }
    EXPECT_EQ(FormatDocument("  x;", settings).bytes, "        X ; \n         ");
}

} // namespace
