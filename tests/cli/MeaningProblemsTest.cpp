#include "cli/FormatCommand.h"
#include "cli/MeaningProblems.h"
#include "formatter/FormatDriver.h"
#include "formatter/TextUtil.h"
#include "meaning/MeaningCheck.h"
#include "platform/PlainTextFile.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

using namespace kelvra;
using namespace kelvra::cli;

namespace {

std::string Lines(const std::vector<Problem> &problems) {
    std::string s;
    for (const Problem &p : problems) s += ProblemLine("f.sql", p) + "\n";
    return s;
}

FormatSettings BaseRules() {
    FormatSettings s;
    s.options.KeepMeaning = false;
    return s;
}

} // namespace

// Line breaks that go under the default options (they do not separate words):
// where words would run together the file is refused, elsewhere it is written.
TEST(MeaningProblems, RefusesTextsWhoseWordsTheRunWouldJoin) {
    struct Case {
        const char *text;
        const char *first; // the first refusal, or nullptr when the text is written
    } cases[] = {
        {"select a\r\nfrom t", "f.sql:1:9: the line break between \"a\" and \"from\" would join them"},
        {"select a\r\n\r\n\r\nfrom t", "f.sql:1:9: the line break between \"a\" and \"from\" would join them"},
        {"select a \r\nfrom t", nullptr}, // a blank stays between them
        {"select a\r\n from t", nullptr},
        {"select a\r\n\tfrom t", nullptr}, // a tab becomes a blank
        {"select a,\r\nb from t", nullptr},
        {"select f(a\r\n) from t", nullptr},
        {"select x_1\r\n2y from t", "f.sql:1:11: the line break between \"x_1\" and \"2y\" would join them"},
        {"select 表\r\nfrom t", "f.sql:1:9: the line break between \"表\" and \"from\" would join them"},
        {"select 'a'\r\nfrom t", nullptr},
        {"select x\r\n'41' from t", "f.sql:1:9: the line break between \"x\" and \"'41'\" would join them"},
        {"select a -- note\r\nfrom t", nullptr},
        {"select 'x\r\ny' from t", nullptr},
        {"select 'it''s'\r\nfrom t", nullptr},
        {"select 'a'\r\n'b' from t", "f.sql:1:11: \"'a'\" and \"'b'\" would become one literal"},
        {"select 5 -\r\n-3 from t", "f.sql:1:11: \"-\" and \"-\" would start a comment"},
        {"select a /\r\n* b from t", "f.sql:1:11: \"/\" and \"*\" would start a comment"},
        {"select a\r\n", nullptr},
        {"", nullptr},
    };
    for (const Case &c : cases) {
        const FormattedDocument doc = FormatDocument(c.text, BaseRules());
        if (!c.first) {
            EXPECT_EQ(doc.exitCode, 0) << c.text << "\n" << Lines(doc.problems);
            continue;
        }
        EXPECT_EQ(doc.exitCode, 1) << c.text;
        ASSERT_GE(doc.problems.size(), 2u) << c.text;
        EXPECT_EQ(ProblemLine("f.sql", doc.problems[0]), c.first) << c.text;
        EXPECT_EQ(doc.problems.back().message.find(" would change what the SQL means; nothing was written") !=
                      std::string::npos,
                  true)
            << Lines(doc.problems);
        EXPECT_TRUE(doc.bytes.empty());
    }
}

// Which places refuse and which are only told, for each allowance
// (hand-made texts before and after, not a format run).
TEST(MeaningProblems, EachAllowanceRefusesOnlyWhatItMust) {
    struct Case {
        const char *before, *after;
        MeaningAllowance allowed;
        bool refused, warned, joinsWords;
    } cases[] = {
        {"select a\nfrom t", "SELECT AFROM T", {false, false}, true, false, true},
        {"select a\nfrom t", "SELECT AFROM T", {true, false}, false, false, false},
        {"select a\nfrom t", "SELECT AFROM T", {true, true}, false, false, false},
        // A word run onto a literal makes another literal (or breaks it): --join-lines does not allow it.
        {"select x\n'41'", "SELECT X'41'", {true, false}, true, false, false},
        {"as\n$$ x $$", "AS$$ x $$", {true, true}, false, true, false},
        {"where a <\n> b", "WHERE A <> B", {true, false}, true, false, false},
        {"where a <\n> b", "WHERE A <> B", {false, true}, true, false, true},
        {"where a <\n> b", "WHERE A <> B", {true, true}, false, true, false},
        {"select $re$\\s+$re$", "SELECT $RE$\\S+$RE$", {true, false}, true, false, false},
        {"select $re$\\s+$re$", "SELECT $RE$\\S+$RE$", {false, true}, false, true, false},
        {"rem x\nselect 1;", "REM X\nSELECT 1 ;", {false, true}, false, true, false},
        {"select a", "SELECT A", {false, false}, false, false, false},
    };
    for (const Case &c : cases) {
        const MeaningProblems p = JudgeMeaning(c.before, c.after, c.allowed, {});
        const std::string why = std::string(c.before) + " / join-lines " + (c.allowed.joinLines ? "on" : "off") +
                                ", base rules " + (c.allowed.baseRules ? "on" : "off");
        EXPECT_EQ(!p.refusals.empty(), c.refused) << why << "\n" << Lines(p.refusals);
        EXPECT_EQ(!p.warnings.empty(), c.warned) << why << "\n" << Lines(p.warnings);
        EXPECT_EQ(p.joinsWords, c.joinsWords) << why;
    }
}

// Joins that --join-lines lets through come first in the text; the refused
// place after them is still named with its line and column.
TEST(MeaningProblems, ARefusedPlaceIsNamedAfterManyAllowedOnes) {
    std::string before, after;
    for (int i = 0; i < 100; ++i) {
        before.append("select a\nfrom t;\n");
        after.append("SELECT AFROM T ;\n");
    }
    before.append("select 'x'\n'y';\n");
    after.append("SELECT 'x''y' ;\n");
    const MeaningProblems p = JudgeMeaning(before, after, {true, false}, {});
    ASSERT_EQ(p.refusals.size(), 2u) << Lines(p.refusals);
    EXPECT_EQ(p.refusals[0].line, 201u);
    EXPECT_EQ(p.refusals[0].column, 11u);
    EXPECT_NE(p.refusals[0].message.find("would become one literal"), std::string::npos) << p.refusals[0].message;
    EXPECT_EQ(p.refusals[1].message, "1 place would change what the SQL means; nothing was written");
}

TEST(MeaningProblems, WarningsListAFewAndCountAll) {
    std::string before, after;
    for (int i = 0; i < 7; ++i) {
        before += "select 'a" + std::to_string(i) + "';\n";
        after += "SELECT 'A" + std::to_string(i) + "' ;\n";
    }
    const MeaningProblems p = JudgeMeaning(before, after, {false, true}, {});
    EXPECT_TRUE(p.refusals.empty());
    EXPECT_EQ(Lines(p.warnings), "f.sql:1:8: warning: the literal \"'a0'\" would change\n"
                                 "f.sql:2:8: warning: the literal \"'a1'\" would change\n"
                                 "f.sql:3:8: warning: the literal \"'a2'\" would change\n"
                                 "kelvra-format: f.sql: warning: 7 places changed beyond letter case and blanks, "
                                 "as the base rules say\n");
}

// Every join the check names over the corpus is real: the format core's
// result holds the two words side by side, upper-cased.
TEST(MeaningProblems, TheFormatCoreJoinsWhatTheCheckNames) {
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    EditorOptions options;
    options.KeepMeaning = false;
    KeywordCatalogue catalogue;
    std::size_t filesWithJoins = 0;
    const std::string lead = "the line break between \"", middle = "\" and \"", tail = "\" would join them";
    for (const auto &path : files) {
        const std::string text = DecodePlainText(kelvra::test::ReadWholeFile(path)).text;
        ProgressSink quiet;
        const FormatResult r = RunFormat(text, options, catalogue, quiet);
        if (r.end != RunEnd::Normal) continue;
        const meaning::CheckReport report = meaning::CompareMeaning(text, r.text, 5);
        if (report.CountOf(meaning::ChangeKind::JoinedWords) == 0) continue;
        ++filesWithJoins;
        for (const meaning::Difference &d : report.first) {
            if (d.kind != meaning::ChangeKind::JoinedWords || !d.what.starts_with(lead)) continue;
            const std::size_t split = d.what.find(middle, lead.size());
            ASSERT_NE(split, std::string::npos) << d.what;
            std::string left = d.what.substr(lead.size(), split - lead.size());
            std::string right =
                d.what.substr(split + middle.size(), d.what.size() - tail.size() - split - middle.size());
            if ((left + right).find("…") != std::string::npos) continue;
            UpperCaseInPlace(left);
            if (right[0] != '\'' && right[0] != '"') UpperCaseInPlace(right); // a literal keeps its case
            const std::string joined = left + right;
            EXPECT_NE(r.text.find(joined), std::string::npos) << path << ": " << joined;
        }
    }
    EXPECT_GT(filesWithJoins, 200u);
}

// What the base rules do to dialect text, comments, line commands and signs
// on two lines (each seen in real files): the check names every one of them.
TEST(MeaningProblems, TheCheckFindsWhatTheBaseRulesChange) {
    struct Case {
        const char *text;
        bool lineBreaksSeparate;
        meaning::ChangeKind kind;
    } cases[] = {
        {"select a\nfrom t", false, meaning::ChangeKind::JoinedWords},
        {"select x\n'41' from t", false, meaning::ChangeKind::WordOnLiteral},
        {"create function f() returns int as\n$$ select 1 $$ language sql;", false, meaning::ChangeKind::WordOnLiteral},
        {"select 'a'\n'b' from t", false, meaning::ChangeKind::MergedLiterals},
        {"select \"a\"\n\"b\" from t", false, meaning::ChangeKind::MergedLiterals},
        {"select 5 -\n-3 from t", false, meaning::ChangeKind::CommentFormed},
        {"select a /\n* b from t", false, meaning::ChangeKind::CommentFormed},
        {"select a from t where b <\n> c", false, meaning::ChangeKind::OperatorFormed},
        {"select a |\n| b from t", false, meaning::ChangeKind::OperatorFormed},
        {"select a :\n: int from t", false, meaning::ChangeKind::OperatorFormed},
        {"select 1\n.5 from t", false, meaning::ChangeKind::OperatorFormed},
        {"select /*+ ordered\nuse_nl(a) */ a from t;", true, meaning::ChangeKind::CommentChanged},
        {"select $re$\\s+$re$, $$It is  Ok$$;", true, meaning::ChangeKind::LiteralChanged},
        {"select e'it\\'s' as a from t; -- it's", true, meaning::ChangeKind::LiteralChanged},
        {"select q'[it's]' as a from t; -- it's", true, meaning::ChangeKind::LiteralChanged},
        {"select `my  col` from t;", true, meaning::ChangeKind::LiteralChanged},
        {"rem drop the old copy\ndrop table t;", true, meaning::ChangeKind::LineCommandMerged},
        {"create view v as select 1 x from dual\n/\nselect 2 from dual;", true, meaning::ChangeKind::LineCommandMerged},
        {"select 1 from dual;\nprompt Done\n", true, meaning::ChangeKind::LineCommandMerged},
    };
    EditorOptions options;
    options.KeepMeaning = false;
    const KeywordCatalogue catalogue;
    for (const Case &c : cases) {
        options.LfSp = c.lineBreaksSeparate;
        ProgressSink quiet;
        const FormatResult r = RunFormat(ToCrLf(c.text), options, catalogue, quiet);
        ASSERT_EQ(r.end, RunEnd::Normal) << c.text;
        const meaning::CheckReport report = meaning::CompareMeaning(c.text, r.text);
        EXPECT_GT(report.CountOf(c.kind), 0u) << c.text << "\n" << r.text;
    }
}
