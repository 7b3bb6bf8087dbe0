// Stages 4 to 12 on the examples of the format rules, exact texts.
#include "formatter/FormatRunState.h"
#include "formatter/ReservedWords.h"
#include "StageHarness.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include "support/CaseName.h"

using namespace kelvra;
using kelvra::test::StageHarness;

namespace {

struct StageCase {
    const char *name;
    std::string text;
    const char *through;
    std::string expected;
    std::function<void(StageHarness &)> setup = {};
};

void PrintTo(const StageCase &c, std::ostream *os) { *os << c.name; }

void LfSp(StageHarness &h) { h.options.LfSp = true; }
void Simple(StageHarness &h) { h.options.SimpleMode = true; }
// A lone backquote opens a quoted name when meaning is kept.
void BaseRules(StageHarness &h) { h.options.KeepMeaning = false; }
void UncheckSet(StageHarness &h) {
    h.catalogue.SetState(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SET"),
                         CheckState::Unchecked);
    h.catalogue.MirrorDependentLists();
}

class EarlyStages : public ::testing::TestWithParam<StageCase> {};

TEST_P(EarlyStages, GiveTheExactText) {
    const StageCase &c = GetParam();
    StageHarness h;
    if (c.setup) c.setup(h);
    EXPECT_EQ(h.RunThrough(c.text, c.through), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Whitespace, EarlyStages,
    ::testing::Values(
        StageCase{"lineBreakJoinsWords", "SELECT A\r\nFROM B", "4", "SELECT AFROM B", BaseRules},
        // Where meaning is kept, a removed line break that would fuse two tokens is one blank.
        StageCase{"lineBreakBetweenWordsIsABlank", "SELECT A\r\nFROM B", "4", "SELECT A FROM B"},
        StageCase{"lineBreaksApartWhereTheyFuse",
                  "a\r\n'x'\r\n'y'\r\nb\r\n1\r\n.5\r\n-\r\n-\r\n<\r\n>\r\n:\r\nv\r\n&\r\nw\r\n|\r\n|", "4",
                  "a 《R0》 《R1》b 1 .5- - < > : v & w| |"},
        StageCase{"lineBreaksGoWhereNothingFuses", "f(\r\na,\r\nb\r\n)\r\n;\r\n'x'\r\nb\r\n.c\r\n=\r\n1", "4",
                  "f(a,b);《R0》b.c=1"},
        StageCase{"numberAndDotApart", "1.\r\n5\r\nx\r\n.5", "4", "1. 5 x .5"},
        StageCase{"lineBreakAsSeparator", "SELECT A\r\nFROM B", "4", "SELECT A FROM B", LfSp},
        StageCase{"finalLineBreakRemoved", "A\r\n", "4", "A"},
        StageCase{"finalLineBreakBecomesBlank", "A\r\n", "4", "A ", LfSp},
        StageCase{"tabBecomesBlank", "a\tb", "5", "A B"}, StageCase{"twoTabsTwoBlanksThenOne", "a\t\tb", "5", "A  B"},
        StageCase{"twoTabsMerged", "a\t\tb", "7", "A B"},
        StageCase{"upperCaseLeavesKanaAndKanji", "select a from b かな漢字ｶﾅ", "5", "SELECT A FROM B かな漢字ｶﾅ"},
        StageCase{"fullWidthGreekCyrillicUpper", "ａｚαωςжё", "5", "ＡＺΑΩςЖЁ", BaseRules},
        // Servers fold only ASCII letters: ａｂｃ and ＡＢＣ are two names.
        StageCase{"onlyAsciiLettersChangeCase", "aｚαωжё", "5", "Aｚαωжё"},
        StageCase{"literalKeepsCaseInNormalMode", "x 'abc'", "5", "X 《R0》"},
        StageCase{"literalUpperCasedInSimpleMode", "x 'abc'", "5", "X 'ABC'", Simple},
        StageCase{"loneLineFeedsBecomeCrLf", "a\nb\n\rc", "5", "A\r\nB\r\nC"},
        StageCase{"separatorsSpacedAndParenBroken", "f(a,b)", "8", "F ( A , B \r\n) "},
        StageCase{"closingParenFirst", ")x", "8", " \r\n) X"},
        StageCase{"trailingBlanksShrinkToOne", "a   ", "7", "A "},
        StageCase{"leadingBlanksShrinkToOne", "   a  b", "7", " A B"},
        StageCase{"oneLeadingBlankStays", " a", "7", " A"},
        StageCase{"blankRunsOfEveryLengthShrink", "a b  c   d    e     ", "7", "A B C D E "},
        StageCase{"everyAsciiLetterUpperCasedNeighboursNot", "abcdefghijklmnopqrstuvwxyz@[`{", "5",
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZ@[`{", BaseRules},
        StageCase{"caseRangeEndsInOtherScripts", "οπρωςпряё｀ａｚ｛", "5", "ΟΠΡΩςПРЯЁ｀ＡＺ｛", BaseRules},
        StageCase{"blanksAroundSemicolon", "a;b", "7", "A ; B"}),
    kelvra::test::CaseName());

INSTANTIATE_TEST_SUITE_P(
    CommentLines, EarlyStages,
    ::testing::Values(StageCase{"lineCommentOwnLineWithSeparatorOption", "SELECT A -- c\r\nFROM B", "10",
                                "SELECT A \r\n《C0》\r\nFROM B", LfSp},
                      StageCase{"lineCommentOwnLine", "SELECT A -- c\r\nFROM B", "10", "SELECT A \r\n《C0》\r\nFROM B"},
                      StageCase{"beforeOnlyAfterStage9", "SELECT A -- c\r\nFROM B", "9", "SELECT A \r\n《C0》FROM B"},
                      StageCase{"textStartingWithComment", "-- x\r\nselect", "9", "\r\n《C0》SELECT"},
                      StageCase{"twoCommentsInARow", "/*a*/ /*b*/ x", "10", "\r\n《T0》\r\n《T1》\r\nX"},
                      StageCase{"commentAtTheEnd", "a -- c", "10", "A \r\n《C0》\r\n"},
                      StageCase{"literalTokensGetNoBreak", "a 'x' \"y\" b", "10", "A 《R0》 《K0》 B"},
                      StageCase{"simpleModeHasNoTokens", "a /* x */ b", "10", "A /* X */ B", Simple}),
    kelvra::test::CaseName());

INSTANTIATE_TEST_SUITE_P(
    ReservedWords, EarlyStages,
    ::testing::Values(
        StageCase{"phraseJoined", "SELECT * FROM T FOR UPDATE NOWAIT ", "11", "SELECT * FROM T FOR~UPDATE~NOWAIT "},
        StageCase{"phraseJoinedAndBroken", "SELECT * FROM T FOR UPDATE NOWAIT ", "12",
                  "SELECT * \r\nFROM T \r\nFOR~UPDATE~NOWAIT "},
        StageCase{"setStaysOnItsLine", "UPDATE T SET A = 1 ", "12", "UPDATE T SET A = 1 "},
        StageCase{"breakBeforeWhere", "A WHERE B ", "12", "A \r\nWHERE B "},
        StageCase{"uncheckedSetGetsABreak", "UPDATE T SET A = 1 ", "12", "UPDATE T \r\nSET A = 1 ", UncheckSet},
        StageCase{"wordAtTheEndWithoutBlank", "A FROM", "12", "A FROM"},
        StageCase{"sameEntryDirectlyAfterAMatch", "X SELECT SELECT SELECT Y ", "12",
                  "X \r\nSELECT SELECT \r\nSELECT Y "},
        StageCase{"phraseDirectlyAfterItself", "X GROUP BY GROUP BY Y ", "11", "X GROUP~BY GROUP BY Y "},
        StageCase{"joinerAvoidsCharactersOfTheText", "a~b group by c ", "11", "A~B GROUP^BY C "},
        StageCase{"lowerCaseInputBrokenAfterUpperCasing", "select a from b where c ", "12",
                  "SELECT A \r\nFROM B \r\nWHERE C "}),
    kelvra::test::CaseName());

// Stage 12 exactly as the rule reads: one search pass per entry.
std::string BreakBeforeReservedWordsOnePassPerEntry(std::string work, const KeywordCatalogue &cat,
                                                    const std::string &joiner) {
    for (int i = 1; i <= KeywordCatalogue::Count(KeywordList::Yoyaku); ++i) {
        const std::string &entry = KeywordCatalogue::Text(KeywordList::Yoyaku, i);
        if (cat.ContainsChecked(KeywordList::MaeNo, entry)) continue;
        std::string kw = funKeyConv(entry, joiner), pattern = " " + kw + " ", out;
        for (;;) {
            std::size_t p = work.find(pattern);
            if (p == std::string::npos) {
                out += work;
                break;
            }
            out += work.substr(0, p + 1);
            work = work.substr(p + pattern.size());
            out += "\r\n" + kw + " ";
        }
        work = out;
    }
    return work;
}

std::vector<std::string> SampleTexts() {
    std::vector<std::string> texts = {
        "SELECT SELECT FROM FROM FROM X AND AND OR OR SELECT ",
        " WHERE  WHERE A\r\nWHERE B ORDER~BY ORDER~BY SET SET DATE ",
    };
    const auto files = kelvra::test::CorpusFiles();
    for (std::size_t i = 0; i < files.size(); i += 7)
        texts.push_back(kelvra::test::ReadWholeFile(files[i]).substr(0, 40000));
    return texts;
}

} // namespace

TEST(BreakBeforeReservedWords, OnePassOverTheWordsEqualsOnePassPerEntry) {
    for (const std::string &text : SampleTexts()) {
        StageHarness h;
        h.options.SimpleMode = true; // no quote can stop the run; the text is all words
        // Unchecking a few entries exercises the no-break-before list both ways.
        h.catalogue.SetState(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SET"),
                             CheckState::Unchecked);
        h.catalogue.SetState(KeywordList::Yoyaku, KeywordCatalogue::Find(KeywordList::Yoyaku, "SELECT"),
                             CheckState::Unchecked);
        h.catalogue.MirrorDependentLists();
        std::string before = h.RunThrough(text, "11");
        std::string expected = BreakBeforeReservedWordsOnePassPerEntry(before, h.catalogue, h.state->wordJoiner);
        EXPECT_EQ(h.RunThrough(text, "12"), expected) << text.substr(0, 200);
    }
}
