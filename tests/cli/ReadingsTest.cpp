// What each client and server reads in a script stays as it reads it: the
// texts of each kind that made the format run change a script's meaning,
// formatted through kelvra-format's own path. Each result holds the kept text
// byte for byte (on its own line where a client needs one), the code around it
// formatted; no reading reads it otherwise; a second run changes nothing.
#include "cli/CheckOptionsFor.h"
#include "cli/FormatCommand.h"
#include "formatter/ProtectedText.h"
#include "meaning/MeaningCheck.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelvra;
using namespace kelvra::cli;

namespace {

struct ScriptCase {
    const char *name;
    std::string text;
    std::vector<std::string> kept;      // lines or pieces the result holds as written
    std::vector<std::string> formatted; // what shows the code around them was formatted
    bool lineBreaksSeparate = true;
    SqlDialect dialect = SqlDialect::Any;
    CommaPosition comma = CommaPosition::After;
};

void PrintTo(const ScriptCase &c, std::ostream *os) { *os << c.name; }

FormatSettings SettingsFor(const ScriptCase &c) {
    FormatSettings s;
    s.options.LfSp = c.lineBreaksSeparate;
    s.options.Dialect = c.dialect;
    s.options.Comma = c.comma;
    return s;
}

class Scripts : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Scripts, KeepWhatTheirReadersReadAndFormatTheRest) {
    const ScriptCase &c = GetParam();
    const FormatSettings settings = SettingsFor(c);
    const FormattedDocument first = FormatDocument(c.text, settings);
    ASSERT_EQ(first.exitCode, 0) << (first.problems.empty() ? "" : first.problems.front().message);
    const std::string &out = first.bytes;
    for (const std::string &kept : c.kept) EXPECT_NE(out.find(kept), std::string::npos) << kept << " in\n" << out;
    for (const std::string &code : c.formatted) EXPECT_NE(out.find(code), std::string::npos) << code << " in\n" << out;
    EXPECT_TRUE(meaning::CompareMeaning(c.text, out, 1, CheckOptionsFor(settings.options)).Same()) << out;
    const FormattedDocument second = FormatDocument(out, settings);
    EXPECT_EQ(second.bytes, out) << "a second run changes it";
}

INSTANTIATE_TEST_SUITE_P(
    Readings, Scripts,
    ::testing::Values(
        ScriptCase{"sqlPlusCommandsKeepTheirLines",
                   "set timing off\nset echo off\nset lines 400 pages 1000\nconnect aczm12c/oracle_4U\n"
                   "set serveroutput on size 1000000\nselect a from t;\n",
                   {"set timing off\nset echo off\nset lines 400 pages 1000\nconnect aczm12c/oracle_4U\n"
                    "set serveroutput on size 1000000\n"},
                   {"SELECT A \nFROM T ;"}},
        ScriptCase{"anUpdateSetIsSql", "update t\nset x = 1;\n", {}, {"T SET X = 1 ;"}},
        ScriptCase{"plsqlBlockIsCodeUpToItsSlash",
                   "begin\n  loop\n    exit when x > 1;\n  end loop;\nend;\n/\nset echo on\n",
                   {"\n/\nset echo on\n"},
                   {"EXIT WHEN X > 1 ;"}},
        ScriptCase{"psqlCommandsAndVariables",
                   "select 1 as a \\gset\n\\echo :a\nselect :'name', :x from t \\g out.txt\n",
                   {"\n\\gset\n\\echo :a\n", ":'name' ,", ":x \n", "\n\\g out.txt"},
                   {"SELECT \n        1 AS A \n"}},
        ScriptCase{"copyDataUpToItsEnd",
                   "COPY t (a, b) FROM stdin;\n1\tx  y\n\\.\nselect 1;\n",
                   {"COPY t (a, b) FROM stdin;\n1\tx  y\n\\.\n"},
                   {"SELECT 1 ;"}},
        ScriptCase{"copyDataAfterABlock",
                   "begin\n  null;\nend;\nCOPY t FROM stdin;\nx  y\n\\.\n",
                   {"\nx  y\n\\.\n"},
                   {"BEGIN NULL ;"}},
        ScriptCase{"aSetStatementOfPostgreSql",
                   "SET client_min_messages TO 'warning';\nselect array[1, 2];\n",
                   {"'warning'"},
                   {"CLIENT_MIN_MESSAGES TO", "ARRAY[1 , \n        2]"},
                   true,
                   SqlDialect::PostgreSql},
        ScriptCase{"theSameUnderEveryReading",
                   "SET client_min_messages TO 'warning';\nselect array[1, 2];\n",
                   {"SET client_min_messages TO 'warning';\n", "[1, 2]"},
                   {"SELECT ARRAY"}},
        ScriptCase{"mysqlEscapesCommentsAndNumbers",
                   "select 'don\\'t  stop\\'  me', 0x1F, 0b101, 1e5 from t;\nselect 1 # it's\n;\n",
                   {"'don\\'t  stop\\'  me'", "# it's\n"},
                   {"0x1F , ", "\n        1 \n# it's\n"},
                   true,
                   SqlDialect::MySql},
        ScriptCase{
            "numbersKeepTheirCase", "select 0x1F, 0b101, 1e5 from t;\n", {"0x1F ,", "0b101 ,", "1e5 \n"}, {"FROM"}},
        ScriptCase{"bracketNamesOfSqlServer",
                   "select [my  col], [a--b], [c/*d] from t;\n",
                   {"[my  col] ,", "[a--b] ,", "[c/*d] \n"},
                   {"FROM \n        T ;"},
                   true,
                   SqlDialect::SqlServer},
        ScriptCase{"wideLettersKeepTheirCase", "select ａｂｃ, abc from t;\n", {"ａｂｃ ,"}, {"ABC"}},
        ScriptCase{"batchEnds", "select 1\ngo 2\nselect 2\n", {"\ngo 2\n"}, {"SELECT \n        2"}},
        ScriptCase{"aBlankLineEndsAStatementForSqlPlus",
                   "load x\n\nrem y\nselect 1;\n",
                   {" \n\nrem y\n"},
                   {"LOAD X", "SELECT \n        1 ;"}},
        ScriptCase{"aPromptWithAnApostrophe",
                   "prompt it's done\nselect 'a' from t;\n",
                   {"prompt it's done\n"},
                   {"SELECT 'a' \nFROM T ;"}},
        ScriptCase{"theDefaultModeKeepsWordsApart",
                   "select a\nfrom t\nwhere x = 1\nand y = 2;\n",
                   {},
                   {"SELECT \n        A \nFROM \n        T \nWHERE \n        X = 1 \n        AND Y = 2 ;"},
                   false},
        ScriptCase{"aMultiByteQuoteDelimiter", "select q'あa'bあ' from dual;\n", {"q'あa'bあ'"}, {"DUAL ;"}},
        ScriptCase{"aColumnNamedRemWithLeadingCommas",
                   "select a,\nrem\nfrom t;\n",
                   {},
                   {"        A \n        , REM \n"},
                   true,
                   SqlDialect::Any,
                   CommaPosition::Before},
        ScriptCase{"aLineCommentGluedToAWord", "select a--c\nfrom t;\n", {"--c\n"}, {"A \n--c"}},
        ScriptCase{"anOperatorBeforeACommentLine", "select a +\n-- c\nb from t;\n", {"-- c\n"}, {"A + \n"}}),
    test::CaseName());

// Line ends of only CR: a command line after one is found all the same.
TEST(ReadingsLines, CommandsAfterCarriageReturnsAlone) {
    const std::vector<ProtectedPiece> pieces = ProtectedPieces("select 1;\rrem note\rselect 2;", KeptReadings::All());
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0], (ProtectedPiece{10, 18, 'L'}));
}

// A number that holds letters is found wherever it starts, after digits that
// are none (plain numbers, digits inside names) or a long stretch without any.
TEST(ReadingsLines, NumbersWithLettersFoundAtEveryOffset) {
    for (std::size_t offset = 0; offset < 40; ++offset)
        for (const std::string &before : {std::string(), std::string("12 v1 ")}) {
            const std::string text = std::string(offset, ' ') + before + "0x1F 7 b2";
            const std::vector<ProtectedPiece> pieces = ProtectedPieces(text, KeptReadings::All());
            ASSERT_EQ(pieces.size(), 1u) << text;
            const std::size_t at = offset + before.size();
            EXPECT_EQ(pieces[0], (ProtectedPiece{at, at + 4, 'R'})) << text;
        }
}

} // namespace
