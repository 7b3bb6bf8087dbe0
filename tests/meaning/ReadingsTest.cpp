// The readings of the meaning check one by one: what each client and server
// reads as a command line, free text, an escape or a case-sensitive name,
// and that only that reading holds a run to it.
#include "meaning/MeaningCheck.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

#include <string>

using namespace kelvra::meaning;

namespace {

enum : unsigned { O = 1, P = 2, M = 4, S = 8, None = 0, All = O | P | M | S };

const struct {
    unsigned reading;
    const char *name;
} kReadings[] = {{O, "oracle"}, {P, "postgresql"}, {M, "mysql"}, {S, "sqlserver"}};

CheckOptions Only(unsigned reading) {
    return {(reading & O) != 0, (reading & P) != 0, (reading & M) != 0, (reading & S) != 0};
}

// ASCII letters upper-cased, but not inside '…'.
std::string Upper(std::string s) {
    bool quoted = false;
    for (char &c : s) {
        quoted ^= c == '\'';
        if (!quoted && c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    }
    return s;
}

struct Case {
    std::string before, after;
    unsigned changedUnder; // the readings under which the meaning changes
};

void ExpectChangedUnder(const Case &c) {
    for (const auto &[reading, name] : kReadings) {
        const CheckReport r = CompareMeaning(c.before, c.after, 5, Only(reading));
        const std::string first = r.first.empty() ? "" : r.first[0].what;
        EXPECT_EQ(!r.Same(), (c.changedUnder & reading) != 0) << name << " reading of:\n"
                                                              << c.before << "\nagainst:\n"
                                                              << c.after << "\n"
                                                              << first;
    }
}

} // namespace

// SQL*Plus reads its commands where no statement and no PL/SQL block is
// open: they keep their line and every byte. The same words inside SQL are SQL.
TEST(MeaningReadings, SqlPlusCommandLines) {
    const char *commands[] = {
        "set serveroutput on",
        "set define off",
        "column ename format a20",
        "col ename heading 'Name'",
        "connect scott/Tiger",
        "conn scott/Tiger@db",
        "disconnect",
        "spool out.txt",
        "whenever sqlerror exit sql.sqlcode",
        "variable n number",
        "var n number",
        "print n",
        "define x = 1",
        "def x = 1",
        "undefine x",
        "accept x prompt 'X? '",
        "pause Press enter",
        "exec p(1)",
        "execute p(1)",
        "start setup.sql",
        "host ls",
        "show errors",
        "describe emp",
        "desc emp",
        "clear breaks",
        "break on deptno",
        "compute sum of sal on deptno",
        "ttitle left 'Report'",
        "btitle off",
        "repheader off",
        "repfooter off",
        "timing start t",
        "store set s.sql",
        "save s.sql",
        "get s.sql",
        "run",
        "exit",
        "quit",
        "password",
        "startup",
        "shutdown immediate",
        "recover database",
        "archive log list",
        "attribute a format a9",
        "copy from a@b create t using select 1",
        "xquery for $i in (1) return $i",
        "remark note",
        "rem note",
        "prompt Done",
        "pro Done",
        "@setup.sql",
        "@@child.sql",
    };
    for (const char *command : commands) {
        const std::string before = std::string("select 1 from t;\r\n") + command + "\r\nselect 2 from t;";
        // Re-cased, then joined to the lines around it: SQL*Plus alone reads a change.
        ExpectChangedUnder({before, "SELECT 1 FROM T ;\r\n" + Upper(command) + "\r\nSELECT 2 FROM T ;", O});
        ExpectChangedUnder({before, "SELECT 1 FROM T ; " + std::string(command) + " SELECT 2 FROM T ;", O});
        // Kept as it is on its own line, it passes.
        ExpectChangedUnder({before, "SELECT 1 FROM T ;\r\n" + std::string(command) + "\r\nSELECT 2 FROM T ;", None});
    }
    const char *sql[] = {
        "set transaction read only;",
        "set role all;",
        "set constraints all deferred;",
        "set constraint c deferred;",
        "se x;",
        "commit;",
        "savepoint a;",
        "rem := 1;",
        "exit(1);",
        "archive t;",
        "comment on table t is 'x';",
    };
    for (const char *statement : sql)
        ExpectChangedUnder({std::string("select 1;\r\n") + statement, "SELECT 1 ;\r\n" + Upper(statement), None});
}

TEST(MeaningReadings, SqlPlusLinesInAndAroundStatements) {
    const Case cases[] = {
        // Inside a statement, "set" and "rem" are SQL.
        {"update t\r\nset x = 1;", "UPDATE T SET X = 1 ;", None},
        {"select a,\r\nrem\r\nfrom t;", "SELECT A , REM FROM T ;", None},
        // A line ending in " -" goes on on the next.
        {"select 1;\r\nttitle left 'Report' -\r\nskip 1\r\nselect 2;",
         "SELECT 1 ;\r\nttitle left 'Report' -\r\nSKIP 1\r\nSELECT 2 ;", O},
        {"select 1;\r\nttitle left 'Report'\r\nskip 1\r\nselect 2;",
         "SELECT 1 ;\r\nttitle left 'Report'\r\nSKIP 1\r\nSELECT 2 ;", None},
        {"select 1;\r\nttitle a -\r\nb\r\n", "SELECT 1 ;\nttitle a -\nb\n", None}, // any line end between its lines
        // PL/SQL blocks run to a "/" or "." line; inside them "exit" and "show" are code.
        {"begin\r\n  loop\r\n    exit when x > 1;\r\n  end loop;\r\nend;\r\n/\r\n",
         "BEGIN\r\nLOOP\r\nEXIT WHEN X > 1 ;\r\nEND LOOP ;\r\nEND ;\r\n/\r\n", None},
        {"declare\r\n  v int;\r\nbegin\r\n  set_it(v);\r\nend;\r\n/\r\n",
         "DECLARE V INT ;\r\nBEGIN SET_IT ( V ) ;\r\nEND ;\r\n/\r\n", None},
        {"create or replace package body k is\r\nv int;\r\nshow int;\r\nend;\r\n.\r\nshow errors\r\n",
         "CREATE OR REPLACE PACKAGE BODY K IS\r\nV INT ;\r\nSHOW INT ;\r\nEND ;\r\n.\r\nshow errors\r\n", None},
        {"create or replace package body k is\r\nv int;\r\nend;\r\n.\r\nshow errors\r\n",
         "CREATE OR REPLACE PACKAGE BODY K IS\r\nV INT ;\r\nEND ;\r\n.\r\nSHOW ERRORS\r\n", O},
        {"create or replace editionable procedure p is\r\nbegin\r\n  null;\r\nend;\r\n/\r\nset x on\r\n",
         "CREATE OR REPLACE EDITIONABLE PROCEDURE P IS\r\nBEGIN\r\nNULL ;\r\nEND ;\r\n/\r\nSET X ON\r\n", O},
        {"create type body t as\r\nmember function f return int is begin return 1; end;\r\nend;\r\n/\r\n",
         "CREATE TYPE BODY T AS\r\nMEMBER FUNCTION F RETURN INT IS BEGIN RETURN 1 ; END ;\r\nEND ;\r\n/\r\n", None},
        // A table is no block: after its ";" commands are read again.
        {"create table t (a int);\r\nset x on\r\n", "CREATE TABLE T ( A INT ) ;\r\nSET X ON\r\n", O},
        // "/" and "." alone end a statement wherever they stand.
        {"select 1\r\n.\r\nselect 2;", "SELECT 1 . SELECT 2 ;", O},
        {"select 1\r\n/\r\n", "SELECT 1 /\r\n", O},
    };
    for (const Case &c : cases) ExpectChangedUnder(c);
}

TEST(MeaningReadings, PsqlMetaCommandsCopyDataAndVariables) {
    const Case cases[] = {
        {"select 1 \\gset\r\nselect :v;", "SELECT 1 \\gset\r\nSELECT :v ;", None},
        {"select 1 \\gset\r\nselect 2;", "SELECT 1 \\GSET\r\nSELECT 2 ;", P},
        {"select 1 \\gset\r\nselect 2;", "SELECT 1 \\gset SELECT 2 ;", P},
        {"select 1\r\n\\g out.txt\r\nselect 2;", "SELECT 1 \\g out.txt\r\nSELECT 2 ;", None}, // after SQL on a line
        {"select 1 -- \\gset\r\n", "SELECT 1 -- \\gset\r\n", None},
        {"select 1 -- x\r\n\\gset\r\n", "SELECT 1 -- x \\gset\r\n", All}, // into a comment
        {"select 'a\\gset' from t", "SELECT 'a\\gset' FROM T", None},
        // psql variables keep their letter case and stay one piece.
        {"select :v, :'v', :\"v\" from t;", "SELECT :V , :'v' , :\"v\" FROM T ;", P},
        {"select :'v';", "SELECT : 'v' ;", P},
        {"select :abc;", "SELECT : abc ;", P},
        {"select a::int, b := 1, c[1:2]", "SELECT A::INT , B := 1 , C[1:2]", None},
        // COPY data runs to "\." as it stands.
        {"COPY t FROM stdin;\r\n1\tabc\r\n  2\tdef\r\n\\.\r\nselect 1;",
         "COPY t FROM stdin;\r\n1\tabc\r\n  2\tdef\r\n\\.\r\nSELECT 1 ;", None},
        {"COPY t FROM stdin;\r\n1\tabc\r\n\\.\r\nselect 1;", "COPY t FROM stdin;\r\n1\tABC\r\n\\.\r\nSELECT 1 ;", P},
        {"COPY t FROM stdin;\r\n1\tabc\r\n\\.\r\nselect 1;", "COPY t FROM stdin;\r\n1 abc\r\n\\.\r\nSELECT 1 ;", P},
        {"COPY t FROM stdin;\r\n  1\tabc\r\n\\.\r\n", "COPY t FROM stdin;\r\n1\tabc\r\n\\.\r\n", P},
        {"COPY t FROM 'f.txt';\r\nselect 1;", "COPY t FROM 'f.txt';\r\nSELECT 1 ;", None},
    };
    for (const Case &c : cases) ExpectChangedUnder(c);
}

TEST(MeaningReadings, MySqlEscapesCommentsAndNumbers) {
    const Case cases[] = {
        // (A backslash outside quotes begins a psql command, so the lines end there.)
        {"select 'don\\'t  stop\\'  me'\r\nfrom t", "SELECT 'don\\'t  stop\\'  me'\r\nFROM T", None},
        {"select 'don\\'t  stop\\'  me'\r\nfrom t", "SELECT 'don\\'t stop\\'  me'\r\nFROM T", M},
        {"select 'don\\'t  stop\\'  me'\r\nfrom t", "SELECT 'don\\'T  stop\\'  me'\r\nFROM T", M},
        {"select \"a\\\"b  c\\\"d\"\r\nfrom t", "SELECT \"a\\\"b c\\\"d\"\r\nFROM T", M},
        {"select 'a\\\\' , 'b' from t", "SELECT 'a\\\\' , 'b' FROM T", None},
        {"select a # note\r\nfrom t", "SELECT A # NOTE\r\nFROM T", M},
        {"select a # b\r\nfrom t", "SELECT A # B FROM T", M},
        {"select a#b\r\nfrom t", "SELECT A#B\r\nFROM T", M},
        {"select #t.a from #t", "SELECT #T.A FROM #T", M},
        {"select 0x1F, 0b101, 1e5 from t", "SELECT 0x1F , 0b101 , 1e5 FROM T", None},
        {"select 0x1f from t", "SELECT 0X1F FROM T", M},
        {"select 0b101 from t", "SELECT 0B101 FROM T", M},
        {"select 1.5e3 from t", "SELECT 1.5E3 FROM T", M},
        {"select `my  col` from t", "SELECT `MY  col` FROM T", M},
        // The mysql client's delimiter: "$$" ends a statement, it opens no quote; to
        // PostgreSQL the last "$$" opens one that never ends, a text it cannot take.
        {"DELIMITER $$ -- now $$\r\nbegin select 1; end;\r\n$$ -- done, it's\r\nDELIMITER ;\r\nselect 'a';",
         "DELIMITER $$ -- now $$\r\nBEGIN SELECT 1 ; END ;\r\n$$ -- done, it's\r\nDELIMITER ;\r\nSELECT 'a' ;", None},
        {"DELIMITER $$\r\nbegin select 1; end $$\r\nDELIMITER ;",
         "DELIMITER $$\r\nBEGIN SELECT 1 ; END $$\r\nDELIMITER ;", P},
    };
    for (const Case &c : cases) ExpectChangedUnder(c);
}

TEST(MeaningReadings, DialectQuotesAndBatchEnds) {
    const Case cases[] = {
        // SQL Server's [names]: "]]" inside, no comment inside, no re-casing, no line break.
        {"select [a--b], [c/*d] from t;", "SELECT [a--b] , [c/*d] FROM T ;", O | P | M},
        {"select [My Col] from t", "SELECT [MY COL] FROM T", S},
        {"select [a]]b] from t", "SELECT [a]] b] FROM T", S},
        {"select [a b] from t", "SELECT [a\r\nb] FROM T", S},
        {"select 1\r\ngo\r\nselect 2", "SELECT 1\r\nGO\r\nSELECT 2", S},
        {"select 1\r\ngo 2\r\nselect 2", "SELECT 1 go 2 SELECT 2", S},
        // Oracle's q'x…x' with a delimiter of several bytes.
        {"select q'あ'a  b'あ' from t", "SELECT q'あ'a  b'あ' FROM T", None},
        {"select q'あ'a  b'あ' from t", "SELECT Q'あ'a b'あ' FROM T", O},
        // The others read a quote that never ends: a text none of theirs.
        {"select nq'{a'b}' from t", "SELECT NQ'{a'b}' FROM T", None},
        {"select nq'{a'b}' from t; -- it's", "SELECT NQ'{a'b}' FROM T ; -- it's", P | M | S},
        {"select e'it\\'s' from t", "SELECT E'it\\'s' FROM T", None},
        {"select e'it\\'s' from t; -- it's", "SELECT E'it\\'s' FROM T ; -- it's",
         O | S}, // "' from t; -- it'" is a literal there
        {"select x as\r\n$$ y $$", "SELECT X AS$$ y $$", All},
    };
    for (const Case &c : cases) ExpectChangedUnder(c);
}

// A literal's line ends are its value; a comment's are not.
TEST(MeaningReadings, LineEndsInsideLiteralsCount) {
    const Case cases[] = {
        {"select 'a\r\nb' from t", "SELECT 'a\nb' FROM T", All},
        {"select 'a\nb' from t", "SELECT 'a\r\nb' FROM T", All},
        {"select e'a\r\nb'", "SELECT E'a\nb'", All},
        {"select n'a\r\nb'", "SELECT N'a\nb'", All},
        {"select \"a\r\nb\"", "SELECT \"a\nb\"", All},
        {"select $$a\r\nb$$", "SELECT $$a\nb$$", P},
        {"select `a\r\nb`", "SELECT `a\nb`", M},
        {"select [a\r\nb]", "SELECT [a\nb]", S},
        {"select q'<a\r\nb>'", "SELECT Q'<a\nb>'", All},
        {"select /* a\r\nb */ 1", "SELECT /* a\nb */ 1", None},
        {"select 1 -- x\r\n, 2", "SELECT 1 -- x\n, 2", None},
    };
    for (const Case &c : cases) ExpectChangedUnder(c);
}

// All readings walked in one pass find a change exactly where one of them
// alone finds one: texts where the readings part and meet again (quotes with
// backslashes, "#", "[…]", "$$", ":x", client commands, COPY data), each
// against copies with one edit.
TEST(MeaningReadings, AllReadingsTogetherFindWhatEachFindsAlone) {
    const std::string texts[] = {
        "select a, 'it\\'s' from t # x\nwhere b = 1;\nset echo on\nselect [a  b], `c  d` from t;\n",
        "select $$a  b$$, :x, :'y', e'\\'' from t;\n\\gset\ncopy t from stdin;\n1\tA b\n\\.\nselect 1;\n",
        "declare x number;\nbegin null; end;\n/\nrem it's\ngo\ndelimiter //\nselect 1 // delimiter ;\n",
        "select q'[a ] b]', 0x1F, 1e5, #tmp, a#b, a--b\n, c /* d  e */ from t where x = 'a\\' and y = '#';\n",
        // A SQL*Plus command, then a backquote that mysql alone reads as a name
        // over two lines: readings meet in groups and part again.
        "column a_b     (   c  d 99cp99\ncolumn`e_f  (  g  h 99cp99\ncolumn`i_j   k  noprint\n",
        // Client lines inside an open statement: "/", GO and DELIMITER end it there.
        "select a, b\nfrom t\n/\nselect c, d from u\ngo\nselect e, f from v\ndelimiter //\nselect 1 //\n",
    };
    const auto together = [](const std::string &before, const std::string &after) {
        return CompareMeaning(before, after).Same();
    };
    const auto eachAlone = [](const std::string &before, const std::string &after) {
        for (const auto &r : kReadings)
            if (!CompareMeaning(before, after, 5, Only(r.reading)).Same()) return false;
        return true;
    };
    std::mt19937 random(5);
    for (const std::string &text : texts) {
        std::string upper = text;
        for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(together(text, upper), eachAlone(text, upper)) << upper;
        for (int round = 0; round < 400; ++round) {
            std::string after = random() % 2 ? upper : text;
            const std::size_t at = random() % (after.size() + 1);
            switch (random() % 4) {
            case 0: after.insert(at, 1, " \n"[random() % 2]); break;
            case 1:
                if (at < after.size() && (after[at] == ' ' || after[at] == '\n')) after.erase(at, 1);
                break;
            case 2:
                if (at < after.size()) after[at] = ' ';
                break;
            default: after.insert(at, "  "); break;
            }
            EXPECT_EQ(together(text, after), eachAlone(text, after)) << testing::PrintToString(after);
        }
    }
}
