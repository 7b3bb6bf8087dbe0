#include "meaning/MeaningCheck.h"

#include "platform/PlainTextFile.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <random>

using namespace kelvra;
using namespace kelvra::meaning;

namespace {

struct Pair {
    const char *before, *after;
};

std::string Describe(const CheckReport &r) {
    std::string s = std::to_string(r.count) + " difference(s)";
    for (const Difference &d : r.first)
        s += "\n  " + std::to_string(d.line) + ":" + std::to_string(d.column) + " " + KindName(d.kind) + ": " + d.what;
    return s;
}

} // namespace

// What a format run may do: letter case of words, blanks and line breaks
// between tokens, blank runs inside block comments, any kind of line end
// outside literals.
TEST(MeaningCheck, PassesWhatKeepsTheMeaning) {
    const Pair pairs[] = {
        {"select a from t;", "SELECT\r\n        A\r\nFROM\r\n        T ;\r\n"},
        {"select a,b from t", "SELECT A , B FROM T"},
        {"select 'it''s', \"Col\" from t", "SELECT 'it''s' , \"Col\" FROM T"},
        {"select /*+ ordered\r\nuse_nl(a) */ a", "SELECT /*+ ordered use_nl(a) */ A"},
        {"select /* a  \r\n\r\n   b */ a", "SELECT /* a\nb */ A"},
        {"select a -- note  \r\nfrom t", "SELECT A -- note\r\nFROM T"}, // trailing blanks of a line comment
        {"select $re$\\s+$re$, $$It is  Ok$$;", "SELECT $re$\\s+$re$ , $$It is  Ok$$ ;"},
        {"select `my  col` from t", "SELECT `my  col` FROM T"},
        {"select v$session.sid, sys.v_$sql, $1 from t", "SELECT V$SESSION.SID , SYS.V_$SQL , $1 FROM T"},
        {"select a<>b, c||d, e::int", "SELECT A<>B , C||D , E::INT"},
        {"select x'41', n'ä' from t", "SELECT X'41' , N'ä' FROM T"},
        {"begin\r\n  null;\r\nend;\r\n/\r\n", "BEGIN\r\n        NULL ;\r\nEND ;\r\n/\r\n"},
        {"rem drop the old copy\r\ndrop table t;", "rem drop the old copy\r\nDROP TABLE T ;"},
        {"  prompt Done  \r\nselect 1;", "prompt Done\r\nSELECT 1 ;"},
        {"create view v as select 1\r\nGO 2 -- twice\r\nselect gone",
         "CREATE VIEW V AS SELECT 1\r\nGO 2 -- twice\r\nSELECT GONE"},
        {"@@child.sql\r\n\\set x 1\r\nselect 1;", "@@child.sql\n\\set x 1\nSELECT 1 ;"},
        // A row of "=" is a remark's text, and what follows is a remark too.
        {"select 1;\r\nREM =====\r\nREM don't\r\n", "SELECT 1 ;\r\nREM =====\r\nREM don't\r\n"},
        // A list comma on the other side of comments: comma first, and back.
        {"insert into t values (1),\r\n-- toast table\r\n(2);",
         "INSERT INTO T VALUES ( 1 )\r\n-- toast table\r\n, ( 2 ) ;"},
        {"select a, /* x */ /* y */ b", "SELECT A /* x */ /* y */ , B"},
        {"select a\r\n-- c\r\n, b", "SELECT A ,\r\n-- c\r\nB"},
        {"select a, -- x\r\n", "SELECT A -- x\r\n,"},
        {"select a, -- x\r\n-- y\r\nb", "SELECT A -- x\r\n, -- y\r\nB"}, // between them is as good
        {"", ""},
        {"  \r\n", ""},
        {"up\xff\xff"
         "date b",
         "UP\xff\xff"
         "DATE B"}, // bytes that are not UTF-8 stand for themselves
        {"select \xc3", "SELECT \xc3"},
        {"select a <=", "SELECT A <=\r\n"}, // an operator at the very end of the text
    };
    for (const Pair &p : pairs) {
        const CheckReport r = CompareMeaning(p.before, p.after);
        EXPECT_TRUE(r.Same()) << p.before << "\n" << Describe(r);
    }
}

// Every kind of difference on its smallest text: where it is named (in the
// text before) and that it is counted.
TEST(MeaningCheck, NamesEachKindOfDifference) {
    struct Case {
        const char *before, *after;
        ChangeKind kind;
        int line, column;
        const char *what;
    } cases[] = {
        {"select a\r\nfrom t", "SELECT AFROM T", ChangeKind::JoinedWords, 1, 9,
         "the line break between \"a\" and \"from\" would join them"},
        {"select x\r\n'41'", "SELECT X'41'", ChangeKind::WordOnLiteral, 1, 9, nullptr},
        {"select a 'b'", "SELECT A'b'", ChangeKind::WordOnLiteral, 1, 9, "\"a\" and \"'b'\" would run together"},
        {"select 1\r\ne5", "SELECT 1E5", ChangeKind::JoinedWords, 1, 9, nullptr},
        {"select 'a'\r\n'b'", "SELECT 'a''b'", ChangeKind::MergedLiterals, 1, 11,
         "\"'a'\" and \"'b'\" would become one literal"},
        {"select \"a\"\n\"b\"", "SELECT \"a\"\"b\"", ChangeKind::MergedLiterals, 1, 11, nullptr},
        {"select `a`\n`b`", "SELECT `a``b`", ChangeKind::MergedLiterals, 1, 11, nullptr},
        {"select 5 -\r\n-3 from t", "SELECT 5 --3 FROM T", ChangeKind::CommentFormed, 1, 11,
         "\"-\" and \"-\" would start a comment"},
        {"select a /\r\n* b from t", "SELECT A /* B FROM T", ChangeKind::CommentFormed, 1, 11, nullptr},
        {"select a -- x\r\nfrom t", "SELECT A -- x FROM T", ChangeKind::CommentFormed, 1, 14,
         "the comment \"-- x\" would swallow \"from\""},
        {"where a <\r\n> b", "WHERE A <> B", ChangeKind::OperatorFormed, 1, 10, nullptr},
        {"select a |\r\n| b", "SELECT A || B", ChangeKind::OperatorFormed, 1, 11, nullptr},
        {"select a :\r\n: int", "SELECT A :: INT", ChangeKind::OperatorFormed, 1, 11, nullptr},
        {"select 1\r\n.5", "SELECT 1.5", ChangeKind::OperatorFormed, 1, 9,
         "\"1\" and \".5\" would become one operator or number"},
        {"select $re$\\s+$re$", "SELECT $RE$\\S+$RE$", ChangeKind::LiteralChanged, 1, 8,
         "the literal \"$re$\\s+$re$\" would change"},
        {"select $$It is  Ok$$;", "SELECT $$IT IS OK$$ ;", ChangeKind::LiteralChanged, 1, 8, nullptr},
        {"select e'it\\'s', 'x'", "SELECT E'it\\'S', 'x'", ChangeKind::LiteralChanged, 1, 8, nullptr},
        {"select `my  col` from t", "SELECT `MY COL` FROM T", ChangeKind::LiteralChanged, 1, 8, nullptr},
        {"select 'a\r\nb'", "SELECT 'ab'", ChangeKind::LiteralChanged, 1, 8, nullptr},
        {"select 'a\r\nb' from t", "SELECT 'a\nb' FROM T", ChangeKind::LiteralChanged, 1, 8, nullptr},
        {"select 'a\rb' from t", "SELECT 'a\nb' FROM T", ChangeKind::LiteralChanged, 1, 8, nullptr},
        {"select /*+ ordered\r\nuse_nl(a) */ a", "SELECT /*+ ordereduse_nl(a) */ A", ChangeKind::CommentChanged, 1, 8,
         "the comment \"/*+ ordered…\" would change"},
        {"select a -- Note", "SELECT A -- NOTE", ChangeKind::CommentChanged, 1, 10, nullptr},
        {"rem drop the old copy\r\ndrop table t;", "REM DROP THE OLD COPY DROP TABLE T ;",
         ChangeKind::LineCommandMerged, 1, 1, "the line command \"rem drop the old copy\" would lose its own line"},
        {"end;\r\n/\r\nselect 1;", "END ; / SELECT 1 ;", ChangeKind::LineCommandMerged, 2, 1, nullptr},
        {"select 1;\r\nprompt Done\r\n", "SELECT 1 ; prompt Done\r\n", ChangeKind::LineCommandMerged, 2, 1, nullptr},
        {"select 1;\r\nrem a\r\n", "SELECT 1 ;\r\nREM A\r\n", ChangeKind::LineCommandMerged, 2, 1,
         "the line command \"rem a\" would change"},
        {"select 1;\r\nrem ===\r\n", "SELECT 1 ;\r\nREM ===\r\n", ChangeKind::LineCommandMerged, 2, 1, nullptr},
        {"delimiter //\r\nselect 1 //\r\n", "DELIMITER //\r\nSELECT 1 //\r\n", ChangeKind::LineCommandMerged, 1, 1,
         nullptr},
        {"select 1\r\nend\r\ngo\r\nexec p", "SELECT 1 END go EXEC P", ChangeKind::LineCommandMerged, 3, 1, nullptr},
        {"select ab from t", "SELECT A B FROM T", ChangeKind::OtherChange, 1, 8, "\"ab\" would be split"},
        {"select 1.5e+3 from t", "SELECT 1.5E + 3 FROM T", ChangeKind::OtherChange, 1, 8, "\"1.5e+3\" would be split"},
        // A byte that is no UTF-8 stands for itself, not for the low bits it carries ("1").
        {"select x\xb1 from t", "SELECT X1 FROM T", ChangeKind::OtherChange, 1, 8, nullptr},
        {"select a = -1", "SELECT A =-1", ChangeKind::OperatorFormed, 1, 11,
         "\"=\" and \"-\" would become one operator or number"},
        {"select a =/* c */ 1", "SELECT A =/* C */ 1", ChangeKind::CommentChanged, 1, 11, nullptr},
        {"select a from t", "SELECT B FROM T", ChangeKind::OtherChange, 1, 8, "\"a\" would become \"B\""},
        {"select 表\r\n, 'x' from t", "SELECT 表 , 'y' FROM T", ChangeKind::LiteralChanged, 2, 3, nullptr},
    };
    for (const Case &c : cases) {
        const CheckReport r = CompareMeaning(c.before, c.after);
        ASSERT_EQ(r.count, 1u) << c.before << "\n" << Describe(r);
        const Difference &d = r.first.at(0);
        EXPECT_EQ(d.kind, c.kind) << c.before << "\n" << Describe(r);
        EXPECT_EQ(d.line, c.line) << c.before;
        EXPECT_EQ(d.column, c.column) << c.before;
        if (c.what) {
            EXPECT_EQ(d.what, c.what) << c.before;
        }
    }
}

// Letters beyond ASCII keep their case unless the options let them change
// (PostgreSQL folds only ASCII: "ａｂｃ" and "ＡＢＣ" are two names there).
TEST(MeaningCheck, WideLettersChangeCaseOnlyWhenAllowed) {
    const Pair pairs[] = {
        {"select ä, ω, ж, ａ from t", "SELECT Ä , Ω , Ж , Ａ FROM T"},
        {"select àþ, αω, ая, ѐџ, ａｚ from t",
         "SELECT ÀÞ , ΑΩ , АЯ , ЀЏ , ＡＺ FROM T"}, // the first and last small letter of each range
    };
    CheckOptions wide;
    wide.wideLetterCase = true;
    for (const Pair &p : pairs) {
        EXPECT_TRUE(CompareMeaning(p.before, p.after, 5, wide).Same()) << p.before;
        EXPECT_FALSE(CompareMeaning(p.before, p.after).Same()) << p.before;
    }
    EXPECT_EQ(CompareMeaning("select ａｂｃ from t", "SELECT ＡＢＣ FROM T").count, 1u);
    // Unchanged letters beyond ASCII pass either way, and ASCII ones beside them may change.
    EXPECT_TRUE(CompareMeaning("select ａb from t", "SELECT ａB FROM T").Same());
    // 0xF8 leads no UTF-8 character: it is not the lead of the (overlong) "A" in the text after.
    EXPECT_FALSE(CompareMeaning("select \xf8\x80\x81\x81", "SELECT \xf0\x80\x81\x81", 5, wide).Same());
}

TEST(MeaningCheck, CountsEveryPlaceAndKeepsTheFirstFew) {
    std::string before, after;
    for (int i = 0; i < 9; ++i) {
        const std::string number = std::to_string(i);
        before.append("a").append(number).append("\r\n");
        after.append("A").append(number);
    }
    const CheckReport r = CompareMeaning(before, after, 3);
    EXPECT_EQ(r.count, 8u) << Describe(r);
    ASSERT_EQ(r.first.size(), 3u);
    EXPECT_EQ(r.first[2].kind, ChangeKind::JoinedWords);
    EXPECT_EQ(r.first[2].offset, 10u);
    EXPECT_EQ(r.first[2].line, 3);
    EXPECT_EQ(r.first[2].column, 3);
}

// The places several readings find are named in text order, once each, and
// the first of each kind has its own line and column.
TEST(MeaningCheck, MergesThePlacesOfEveryReading) {
    // mysql reads "# b" as a comment that would swallow "FROM T"; SQL*Plus, "set x on" as a command.
    const CheckReport r =
        CompareMeaning("select a # b\r\nfrom t;\r\nset x on\r\n", "SELECT A # B FROM T ;\r\nSET X ON\r\n");
    ASSERT_EQ(r.count, 2u) << Describe(r);
    EXPECT_EQ(r.first[0].kind, ChangeKind::CommentFormed);
    EXPECT_EQ(r.first[0].line, 1);
    EXPECT_EQ(r.first[1].kind, ChangeKind::LineCommandMerged);
    EXPECT_EQ(r.first[1].line, 3);
    const CheckReport joined = CompareMeaning("select a\r\nfrom t\r\nwhere x = 'p'", "SELECT AFROM T WHERE X = 'q'");
    EXPECT_EQ(joined.count, 2u) << Describe(joined); // every reading joins "a" and "from": one place
    const auto &firstJoin = joined.firstOfKind[static_cast<std::size_t>(ChangeKind::JoinedWords)];
    ASSERT_TRUE(firstJoin.has_value());
    EXPECT_EQ(firstJoin->line, 1);
    EXPECT_EQ(firstJoin->column, 9);
    const auto &firstLiteral = joined.firstOfKind[static_cast<std::size_t>(ChangeKind::LiteralChanged)];
    ASSERT_TRUE(firstLiteral.has_value());
    EXPECT_EQ(firstLiteral->line, 3);
    EXPECT_EQ(firstLiteral->column, 11);
}

// Words of every length, at the end of a text or followed by more: the case
// of a letter may change, any other byte change is found, wherever it lies.
TEST(MeaningCheck, WordsOfEveryLengthDifferOnlyInTheCaseOfLetters) {
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    const CheckOptions oracle{true, false, false, false}; // where "#" is a word's byte
    for (std::size_t length = 1; length <= 20; ++length) {
        std::string word;
        for (std::size_t i = 0; i < length; ++i) word += i % 5 == 4 ? "_1#$"[i % 4] : letters[(i * 7) % 26];
        std::string capitals = word;
        for (char &c : capitals) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
        for (const char *tail : {"", " from t"}) {
            EXPECT_TRUE(CompareMeaning("select " + word + tail, "SELECT " + capitals + tail, 5, oracle).Same()) << word;
            for (std::size_t at = 0; at < length; ++at) {
                std::string changed = capitals;
                // Another letter, or the byte 0x20 away from a sign ("_" and DEL, "1" and 0x11).
                changed[at] = changed[at] >= 'A' && changed[at] <= 'Z' ? (changed[at] == 'Z' ? 'A' : changed[at] + 1)
                                                                       : changed[at] ^ 0x20;
                const CheckReport r = CompareMeaning("select " + word + tail, "SELECT " + changed + tail, 5, oracle);
                EXPECT_FALSE(r.Same()) << word << " against " << changed;
            }
        }
    }
}

// A comma may cross comments, but the comments stay as they were and the
// comma stays one comma.
TEST(MeaningCheck, ACommaCrossesCommentsOnlyWhole) {
    const Pair changed[] = {
        {"select a, -- note\r\nb", "SELECT A -- NOTE\r\n, B"},
        {"select a, -- x\r\nb", "SELECT A -- x\r\nB"},
        {"select a, /* x */ b", "SELECT A /* x */ ; B"},
        {"select a, /* x */ b", "SELECT A /* x */ , , B"},
    };
    for (const Pair &p : changed) EXPECT_FALSE(CompareMeaning(p.before, p.after).Same()) << p.after;
}

// After a difference the walk finds its footing again: later places are
// named once each, and text added or lost at the end is named too.
TEST(MeaningCheck, FindsLaterPlacesAfterADifference) {
    const CheckReport r =
        CompareMeaning("select a\nfrom t where 'x'\n'y' = b\nand c", "SELECT AFROM T WHERE 'x''y' = B ANDC");
    EXPECT_EQ(r.count, 3u) << Describe(r);
    ASSERT_EQ(r.first.size(), 3u);
    EXPECT_EQ(r.first[0].kind, ChangeKind::JoinedWords);
    EXPECT_EQ(r.first[1].kind, ChangeKind::MergedLiterals);
    EXPECT_EQ(r.first[2].kind, ChangeKind::JoinedWords);
    EXPECT_EQ(CompareMeaning("select a, b", "SELECT A ,").count, 1u);
    EXPECT_EQ(CompareMeaning("select a", "SELECT A , B").count, 1u);
    // A quote that opens in the wrong place turns everything after it: one place, not hundreds.
    std::string tail;
    for (int i = 0; i < 200; ++i) tail.append(" a").append(std::to_string(i));
    const CheckReport shifted = CompareMeaning("select 'x' y" + tail, "SELECT 'x'' Y" + tail);
    EXPECT_LE(shifted.count, 2u) << Describe(shifted);
}

// T-SQL variables, columns called "rem" and code inside a statement are SQL,
// not client commands: joining their lines is a join of words.
TEST(MeaningCheck, LineCommandsOnlyWhereNoSqlCanBeMeant) {
    const Pair sqlNotCommands[] = {
        {"select a,\r\nrem\r\nfrom t", "SELECT A , REMFROM T"},
        {"select\r\n@v = 1\r\nfrom t", "SELECT @V = 1FROM T"},
    };
    for (const Pair &p : sqlNotCommands) {
        const CheckReport r = CompareMeaning(p.before, p.after);
        ASSERT_FALSE(r.first.empty()) << p.before;
        EXPECT_NE(r.first[0].kind, ChangeKind::LineCommandMerged) << p.before << "\n" << Describe(r);
    }
    // A script call needs a name right after "@" or "@@".
    const struct {
        const char *line;
        bool command;
    } calls[] = {{"@x", true}, {"@@x", true}, {"@@", false}, {"@ x", false}, {"@@ x", false}};
    for (const auto &c : calls) {
        const CheckReport r = CompareMeaning(std::string("select 1;\r\n") + c.line + "\r\nselect 2;",
                                             std::string("SELECT 1 ; ") + c.line + " SELECT 2 ;");
        EXPECT_EQ(r.CountOf(ChangeKind::LineCommandMerged), c.command ? 1u : 0u) << c.line << "\n" << Describe(r);
    }
    // A PL/SQL variable called "rem" may join the line before it.
    EXPECT_TRUE(CompareMeaning("begin\r\nrem := 1;\r\nend;", "BEGIN REM := 1 ; END ;").Same());
}

// --- Properties over the corpus ---------------------------------------------

namespace {

// The text with words re-cased at random and runs of blanks between tokens
// changed, outside literals, comments and line commands: what a run may do.
// Quotes are followed with the plain rules only; files whose dialect text
// would confuse this are the ones the check's lexer knows better, so only
// files without "$", "`", "q'" and "e'" quotes, backslashes and psql
// variables are used, and compared as PostgreSQL reads them.
std::string Reshaped(std::string_view text, std::mt19937 &random) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t i = 0;
    const auto copyTo = [&](std::size_t end) {
        out.append(text.substr(i, end - i));
        i = end;
    };
    while (i < text.size()) {
        const char c = text[i];
        const std::string_view rest = text.substr(i);
        if (c == '\'' || c == '"') {
            std::size_t close = text.find(c, i + 1);
            copyTo(close == std::string_view::npos ? text.size() : close + 1);
        } else if (rest.starts_with("--")) {
            copyTo(std::min(text.size(), text.find_first_of("\r\n", i)));
        } else if (rest.starts_with("/*")) {
            std::size_t close = text.find("*/", i + 2);
            copyTo(close == std::string_view::npos ? text.size() : close + 2);
        } else if (c == ' ' || c == '\t') {
            std::size_t end = i;
            while (end < text.size() && (text[end] == ' ' || text[end] == '\t')) ++end;
            out.append(1 + random() % 3, random() % 2 ? ' ' : '\t');
            i = end;
        } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') {
            out += random() % 2 ? static_cast<char>(c ^ 0x20) : c;
            ++i;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

bool HasDialectQuotes(std::string_view text) {
    for (std::string_view s : {"$", "`", "q'", "Q'", "e'", "E'", "\\", "rem", "REM", "prompt", "PROMPT", "@"})
        if (text.find(s) != std::string_view::npos) return true;
    for (std::size_t colon = text.find(':'); colon != std::string_view::npos; colon = text.find(':', colon + 1))
        if (colon + 1 < text.size() && (text[colon + 1] == '\'' || text[colon + 1] == '"' ||
                                        ((text[colon + 1] | 0x20) >= 'a' && (text[colon + 1] | 0x20) <= 'z')))
            return true; // a psql variable
    return false;
}

} // namespace

TEST(MeaningCheck, EveryCorpusFileKeepsItsOwnMeaning) {
    const auto files = kelvra::test::CorpusFiles();
    KELVRA_SKIP_WITHOUT_CORPUS(files);
    std::mt19937 random(7);
    std::size_t reshaped = 0;
    for (const auto &path : files) {
        const std::string text = DecodePlainText(kelvra::test::ReadWholeFile(path)).text;
        const CheckReport same = CompareMeaning(text, text);
        EXPECT_TRUE(same.Same()) << path << "\n" << Describe(same);
        if (HasDialectQuotes(text)) continue;
        ++reshaped;
        const CheckReport r = CompareMeaning(text, Reshaped(text, random), 5, {false, true, false, false});
        EXPECT_TRUE(r.Same()) << path << "\n" << Describe(r);
    }
    EXPECT_GT(reshaped, 50u);
}
