// What a run keeps when meaning is kept (the default): dialect literals and
// quoted names, client line commands, words of block comments apart; and that
// with KeepMeaning off the base rules apply.
#include "formatter/FormatDriver.h"
#include "formatter/LineCommands.h"
#include "formatter/Protection.h"
#include "formatter/TextUtil.h"
#include "platform/TextCodec.h"
#include "support/Corpus.h"
#include "support/KeptPieces.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvra;

namespace {

FormatResult FormatWith(const std::string &text, bool keepMeaning, bool lfSp = false) {
    EditorOptions options;
    options.KeepMeaning = keepMeaning;
    options.LfSp = lfSp;
    ProgressSink quiet;
    return RunFormat(text, options, KeywordCatalogue{}, quiet);
}

bool HasLine(const std::vector<std::string> &lines, const std::string &line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(LineCommands, RecognisedOnlyWhereNoSqlCanBeMeant) {
    constexpr std::size_t no = std::string::npos;
    struct Case {
        const char *line;
        std::size_t start; // npos: not a command
    } cases[] = {
        {"/", 0},
        {"  / ", 2},
        {"/ 2", no},
        {"//", no},
        {"REM drop the old copy", 0},
        {"rem", 0},
        {"Remark it's here", 0},
        {"\tREMA x", 1},
        {"re x", no},
        {"remove x", no},
        {"rem1 x", no},
        {"rem := 1;", no},
        {"rem = 2", no},
        {"prompt ====", 0},
        {"PRO Parameter 1:", 0},
        {"PROMPT", 0},
        {"promptly", no},
        {"pro(1)", no},
        {"@@co_create.sql", 0},
        {"@x", 0},
        {"@&vscript &vrs", 0},
        {"  @?/rdbms/admin/utlxplan", 2},
        {"@@htmlset nowrap \"&_user report\"", 0},
        {"@var = 1,", no},
        {"@total = @total + 1", no},
        {"@a int,", no},
        {"@p varchar(10)", no},
        {"@ x", no},
        {"@x 'unclosed", no},
        {"@x /* opens", no},
        {"\\d+ aliased_view_1", 0},
        {"\\set ON_ERROR_STOP on", 0},
        {"\\", no},
        {"\\ x", no},
        {"DELIMITER $$", 0},
        {"delimiter // -- procedures follow", 0},
        {"delimiter '|';", no},
        {"delimiter as ','", no},
        {"GO", 0},
        {"  go 5 ", 2},
        {"Go\t", 0},
        {"gone", no},
        {"go1", no},
        {"go 5 times", no},
        {"go -- next batch", 0},
        {"go;", no},
        {"select a", no},
        {"", no},
        {"   ", no},
    };
    for (const Case &c : cases) {
        const auto command = RecogniseLineCommand(c.line);
        EXPECT_EQ(command ? command->start : no, c.start) << c.line;
    }
    EXPECT_EQ(RecogniseLineCommand("DELIMITER $$ -- now")->delimiter, "$$");
    EXPECT_EQ(RecogniseLineCommand("rem x")->delimiter, "");
}

TEST(BlockComments, LineBreaksBetweenTwoNonBlanksBecomeOneBlank) {
    struct Case {
        const char *text, *kept;
    } cases[] = {
        {"/*+ ordered\r\nuse_nl(a) */", "/*+ ordered use_nl(a) */"},
        {"/* a \r\nb */", "/* a b */"},
        {"/* a\r\n b */", "/* a b */"},
        {"/* a\r\n\r\n\r\nb */", "/* a b */"},
        {"/* a\r\n \r\nb */", "/* a b */"},
        {"/*\r\na\r\n*/", "/* a */"}, // the comment's own signs count as characters
        {"/*a\r\n*/ x", "/*a */ x"},
        {"/* a\rb */", "/* a b */"},
        {"/* a\t\r\nb */", "/* a\tb */"},
        {"/* 表\r\n示 */", "/* 表 示 */"},
        {"/* nothing to do */", "/* nothing to do */"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(BlockCommentOnOneLine(c.text), c.kept) << c.text;
        EXPECT_EQ(test::BlockCommentOnOneLine(c.text), c.kept) << c.text; // the corpus test's own reading
    }
}

// Each text once with meaning kept and once with the base rules: what must
// (and must not) stand in the result. Hand-worked from the rules.
TEST(KeepMeaning, KeepsTheTextAndStillFormatsTheCodeAround) {
    struct Case {
        const char *name;
        std::string text;
        bool lfSp;
        std::vector<std::string> kept, base; // pieces of the result with meaning kept, and under the base rules
    } cases[] = {
        {"tsqlBatchEnds", "select 1\r\ngo\r\nselect 2", true, {"1 \r\ngo\r\nSELECT"}, {"1 GO"}},
        {"dollarQuotes",
         "select $re$\\s+$re$, $$It is  Ok$$ from t;",
         false,
         {"SELECT ", "$re$\\s+$re$ , ", "$$It is  Ok$$ ", "FROM "},
         {"$RE$\\S+$RE$", "$$IT IS OK$$"}},
        {"namesAndParametersWithDollars",
         "select sid from v$session, sys.v_$sql where x = $1;",
         true,
         {"V$SESSION", "SYS.V_$SQL", "X = $1"},
         {"V$SESSION", "SYS.V_$SQL", "X = $1"}},
        {"escapeAndAlternativeQuoting",
         "select e'it\\'s', 'x', q'[it's]' from t;",
         false,
         {"e'it\\'s' , ", "'x' , ", "q'[it's]' ", "FROM "},
         {"E'it\\'S', 'X', q'[IT's]'"}},
        {"backquotedNames", "select `my  col` from t;", false, {"`my  col` ", "FROM "}, {"`MY COL`"}},
        {"hintAcrossLines",
         "select /*+ ordered\r\nuse_nl(a) */ a from t;",
         false,
         {"/*+ ordered use_nl(a) */", "FROM "},
         {"/*+ ordereduse_nl(a) */"}},
    };
    for (const Case &c : cases) {
        for (bool keep : {true, false}) {
            const FormatResult r = FormatWith(c.text, keep, c.lfSp);
            ASSERT_EQ(r.end, RunEnd::Normal) << c.name << ": " << r.message.text;
            for (const std::string &piece : keep ? c.kept : c.base)
                EXPECT_NE(r.text.find(piece), std::string::npos)
                    << c.name << (keep ? "" : " (base)") << ": " << piece << " in\n"
                    << r.text;
        }
    }
}

TEST(KeepMeaning, LineCommandsKeepTheirOwnLineAndBytes) {
    const std::string text =
        "select a from t;\r\n/\r\nrem it's done\r\n  @@next.sql &1\r\n\\echo x\r\nselect b from u;";
    const FormatResult r = FormatWith(text, true);
    ASSERT_EQ(r.end, RunEnd::Normal) << r.message.text;
    const std::vector<std::string> lines = SplitLines(r.text);
    for (const char *command : {"/", "rem it's done", "@@next.sql &1", "\\echo x"})
        EXPECT_TRUE(HasLine(lines, command)) << command << " in\n" << r.text;
    EXPECT_NE(r.text.find("T ; "), std::string::npos) << r.text; // the code around is formatted
    EXPECT_NE(r.text.find("U ; "), std::string::npos) << r.text;
    // Under the base rules the remark's apostrophe opens a literal that never ends.
    const FormatResult base = FormatWith(text, false);
    EXPECT_EQ(base.end, RunEnd::Failed);
    EXPECT_EQ(base.message.text, "対になる文字列（'）が見つかりません");
}

TEST(KeepMeaning, AnIndentedAtSignIsAScriptCallOnlyAfterAStatement) {
    const FormatResult r = FormatWith("grant x to y; \t\r\n-- then\r\n   @sub/Script &1\r\n @sub/Next\r\nselect "
                                      "f.f1,\r\n        @f.f1 as a\r\nfrom t;",
                                      true, true);
    ASSERT_EQ(r.end, RunEnd::Normal) << r.message.text;
    const std::vector<std::string> lines = SplitLines(r.text);
    EXPECT_TRUE(HasLine(lines, "@sub/Script &1")) << r.text;
    EXPECT_TRUE(HasLine(lines, "@sub/Next")) << r.text;
    EXPECT_NE(r.text.find("@F.F1 AS A"), std::string::npos) << r.text; // the operator is code
}

TEST(KeepMeaning, VariableLinesOfTSqlStayCode) {
    const FormatResult r = FormatWith("select @a = 1,\r\n@b = 2\r\nfrom t;", true, true);
    ASSERT_EQ(r.end, RunEnd::Normal);
    EXPECT_NE(r.text.find("@B = 2"), std::string::npos) << r.text; // upper-cased: formatted as SQL
}

TEST(KeepMeaning, UnclosedDialectTextIsRefusedWithItsRange) {
    struct Case {
        std::string text, message;
        TextSpan range;
    } cases[] = {
        {"select a from t where x = $body$ y;", "対になる文字列（$body$）が見つかりません", {26, 6}},
        {"select q'<a>' from t where x = q'{y';", "対になる文字列（}'）が見つかりません", {31, 3}},
        {"select `a from t;", "対になる文字列（`）が見つかりません", {7, 1}},
    };
    for (const Case &c : cases) {
        const FormatResult r = FormatWith(c.text, true);
        EXPECT_EQ(r.end, RunEnd::Failed) << c.text;
        EXPECT_EQ(r.message.text, c.message);
        EXPECT_TRUE(r.hasHighlight);
        EXPECT_EQ(r.highlight, c.range) << c.text;
        EXPECT_EQ(r.text, c.text);
    }
}

// Every corpus file, line breaks as separators: the literals, quoted names,
// comments and line commands that the test reads in the input come out in the
// same order and byte for byte (block comments with their line breaks made
// blanks), and nothing new of their kinds appears.
TEST(KeepMeaning, EveryCorpusFileKeepsItsPiecesByteForByte) {
    const auto files = test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    int formatted = 0, refused = 0, differing = 0;
    for (const auto &path : files) {
        const std::string bytes = test::ReadWholeFile(path);
        const std::string text = ToCrLf(IsValidUtf8(bytes) ? bytes : DecodeCp932(bytes).text);
        test::KeptPieces in = test::ReadKeptPieces(text);
        const FormatResult r = FormatWith(text, true, true);
        if (r.end != RunEnd::Normal) {
            EXPECT_TRUE(in.unclosed) << path << ": refused with " << r.message.text;
            ++refused;
            continue;
        }
        ++formatted;
        for (test::KeptPiece &p : in.pieces)
            if (p.kind == 'b') p.text = test::BlockCommentOnOneLine(p.text);
        // Commands of the result are read at the start of a line only: a list
        // break can put PostgreSQL's "@" operator first on an indented line.
        const test::KeptPieces out = test::ReadKeptPieces(r.text, false);
        EXPECT_FALSE(out.unclosed) << path;
        const auto mismatch = std::mismatch(in.pieces.begin(), in.pieces.end(), out.pieces.begin(), out.pieces.end());
        if (mismatch.first == in.pieces.end() && mismatch.second == out.pieces.end()) continue;
        if (++differing <= 5)
            ADD_FAILURE() << path << ": piece " << (mismatch.first - in.pieces.begin()) << " was ["
                          << (mismatch.first == in.pieces.end() ? "(none)" : mismatch.first->text.substr(0, 120))
                          << "], came out as ["
                          << (mismatch.second == out.pieces.end() ? "(none)" : mismatch.second->text.substr(0, 120))
                          << "]";
    }
    EXPECT_EQ(differing, 0) << differing << " of " << formatted << " files";
    EXPECT_GT(formatted, 300);
    EXPECT_LT(refused, 10);
}
