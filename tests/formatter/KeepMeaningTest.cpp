// What a run keeps when meaning is kept (the default): dialect literals and
// quoted names, client line commands, words of block comments apart; and that
// with KeepMeaning off the base rules apply.
#include "formatter/FormatDriver.h"
#include "formatter/LineCommands.h"
#include "formatter/Protection.h"
#include "formatter/TextUtil.h"
#include "platform/TextCodec.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kelvra;

namespace {

FormatResult FormatWith(const std::string &text, bool keepMeaning, bool lfSp = false,
                        SqlDialect dialect = SqlDialect::Any) {
    EditorOptions options;
    options.KeepMeaning = keepMeaning;
    options.LfSp = lfSp;
    options.Dialect = dialect;
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
}

// The SQL*Plus commands and their abbreviations, where no statement is open
// and outside PL/SQL blocks; "-" at the end continues a command on the next line.
TEST(LineCommands, SqlPlusCommandsWhereTheScriptStandsBetweenStatements) {
    struct Case {
        const char *line;
        bool command, inBlock = false, continues = false;
    } cases[] = {
        {"set timing off", true},
        {"SET LINES 400 PAGES 1000", true},
        {"SET TRANSACTION READ ONLY;", false},
        {"set role all;", false},
        {"set constraints all deferred;", false},
        {"set x = 1;", false, true},
        {"col name format a20", true},
        {"column name format a20 -", true, false, true},
        {"co name", false}, // two letters are no abbreviation
        {"connect scott/Tiger", true},
        {"conn / as sysdba", true},
        {"connected", false},
        {"undefine 1", true},
        {"var n number", true},
        {"variable n number", true},
        {"exec dbms_stats.gather_table_stats(user, 'T');", true},
        {"exit;", true},
        {"exit", true},
        {"exit when x > 1;", false, true}, // code inside a PL/SQL block
        {"spool off", true},
        {"whenever sqlerror exit failure", true},
        {"archive log list", true},
        {"archive logs", false},
        {"desc t", true},
        {"describe t", true},
        {"show errors", true},
        {"start script.sql", true},
        {"setting x", false},
        {"set(1)", false},
        {"commit;", false},
        {"rem it's a remark -", true}, // a remark ends with its line
        {"prompt row -", true, false, true},
    };
    for (const Case &c : cases) {
        const auto command = RecogniseLineCommand(c.line, LineContext{KeptReadings::All(), false, c.inBlock});
        EXPECT_EQ(command.has_value(), c.command) << c.line;
        if (command) {
            EXPECT_EQ(command->continues, c.continues) << c.line;
        }
        // Inside a statement each is SQL: "update t⏎set x = 1;", "select a,⏎rem⏎from t;".
        EXPECT_FALSE(RecogniseLineCommand(c.line, LineContext{KeptReadings::All(), true, c.inBlock})) << c.line;
    }
    // Only the readings kept recognise their commands.
    const LineContext postgresOnly{{false, true, false, false}};
    EXPECT_FALSE(RecogniseLineCommand("SET client_min_messages TO 'warning';", postgresOnly));
    EXPECT_FALSE(RecogniseLineCommand("go", postgresOnly));
    EXPECT_FALSE(RecogniseLineCommand("/", postgresOnly));
    EXPECT_TRUE(RecogniseLineCommand("go", LineContext{{false, false, false, true}}));
    EXPECT_TRUE(RecogniseLineCommand("delimiter //", LineContext{{false, false, true, false}}));
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
        SqlDialect dialect = SqlDialect::Any;
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
        // Oracle pairs the quotes of E'' otherwise: under every reading the rest of the line is kept.
        {"escapeStringsEveryReading",
         "select e'it\\'s' as a from t; -- it's\r\nselect 1;",
         false,
         {"SELECT \r\n        e'it\\'s' as a from t; -- it's\r\nSELECT"},
         {"E'it\\'S' as a from t; -- it'SSELECT"}},
        {"escapeStringsOfPostgreSql",
         "select e'it\\'s' as a, 'x' from t; -- it's",
         false,
         {"e'it\\'s' AS A , ", "'x' ", "FROM ", "-- it's"},
         {"E'it\\'S' as a, 'X' from t; -- it'S"},
         SqlDialect::PostgreSql},
        {"alternativeQuotingOfOracle",
         "select q'[it's]' as a from t; -- it's",
         false,
         {"q'[it's]' AS A ", "FROM ", "-- it's"},
         {"Q'[it'S]' as a from t; -- it'S"},
         SqlDialect::Oracle},
        {"backquotedNames", "select `my  col` from t;", false, {"`my  col` ", "FROM "}, {"`MY COL`"}},
        {"hintAcrossLines",
         "select /*+ ordered\r\nuse_nl(a) */ a from t;",
         false,
         {"/*+ ordered use_nl(a) */", "FROM "},
         {"/*+ ordereduse_nl(a) */"}},
    };
    for (const Case &c : cases) {
        for (bool keep : {true, false}) {
            const FormatResult r = FormatWith(c.text, keep, c.lfSp, c.dialect);
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

// Refused for the dialect that opens them; while other readers read the text
// too, an opening that never ends is none (the text is none of that dialect's).
TEST(KeepMeaning, UnclosedDialectTextIsRefusedWithItsRange) {
    struct Case {
        std::string text, message;
        TextSpan range;
        SqlDialect dialect;
        const char *underEveryReading; // the result with every reading kept
    } cases[] = {
        {"select a from t where x = $body$ y;",
         "対になる文字列（$body$）が見つかりません",
         {26, 6},
         SqlDialect::PostgreSql,
         "X = $BODY$ Y ;"},
        {"select q'<a>' from t where x = q'{y';",
         "対になる文字列（}'）が見つかりません",
         {31, 3},
         SqlDialect::Oracle,
         "X = Q'{y' ;"},
        {"select `a from t;", "対になる文字列（`）が見つかりません", {7, 1}, SqlDialect::MySql, "`A \r\nFROM"},
    };
    for (const Case &c : cases) {
        const FormatResult every = FormatWith(c.text, true);
        EXPECT_EQ(every.end, RunEnd::Normal) << c.text;
        EXPECT_NE(every.text.find(c.underEveryReading), std::string::npos) << every.text;
        const FormatResult r = FormatWith(c.text, true, false, c.dialect);
        EXPECT_EQ(r.end, RunEnd::Failed) << c.text;
        EXPECT_EQ(r.message.text, c.message);
        EXPECT_TRUE(r.hasHighlight);
        EXPECT_EQ(r.highlight, c.range) << c.text;
        EXPECT_EQ(r.text, c.text);
    }
}
