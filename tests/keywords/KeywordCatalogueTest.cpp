#include "keywords/KeywordCatalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include "support/CaseName.h"

using namespace kelvra;

namespace {

const KeywordList kAllLists[] = {KeywordList::Yoyaku, KeywordList::Kansu, KeywordList::Tandoku, KeywordList::UsiroNo,
                                 KeywordList::MaeNo};

// True when `inner` occurs in `outer` as a sequence of whole words.
bool ContainsWholeWords(const std::string &outer, const std::string &inner) {
    std::string o = " " + outer + " ", i = " " + inner + " ";
    return outer != inner && o.find(i) != std::string::npos;
}

} // namespace

TEST(KeywordCatalogue, ListsHaveTheirFixedCountsAndLandmarks) {
    EXPECT_EQ(KeywordCatalogue::Count(KeywordList::Yoyaku), 284);
    EXPECT_EQ(KeywordCatalogue::Count(KeywordList::Kansu), 83);
    EXPECT_EQ(KeywordCatalogue::Count(KeywordList::Tandoku), 101);
    EXPECT_EQ(KeywordCatalogue::Count(KeywordList::UsiroNo), 8);
    EXPECT_EQ(KeywordCatalogue::Count(KeywordList::MaeNo), 11);
    struct Landmark {
        KeywordList list;
        int position;
        const char *text;
    };
    const Landmark landmarks[] = {
        {KeywordList::Yoyaku, 1, "ALTER ROLLBACK SEGMENT"},
        {KeywordList::Yoyaku, 2, "ALTER SHAPSHOT LOG"},
        {KeywordList::Yoyaku, 20, "ALTER RESOURCE COST"},
        {KeywordList::Yoyaku, 81, "VALIDATE STRUCTURE"},
        {KeywordList::Yoyaku, 82, "ABS"},
        {KeywordList::Yoyaku, 125, "DECODE"},
        {KeywordList::Yoyaku, 126, "DEFAULT"},
        {KeywordList::Yoyaku, 193, "NLS_UPPER"},
        {KeywordList::Yoyaku, 194, "NLSSORT"},
        {KeywordList::Yoyaku, 230, "SELECT"},
        {KeywordList::Yoyaku, 233, "SET"},
        {KeywordList::Yoyaku, 284, "WITH"},
        {KeywordList::Kansu, 14, "DECODE"},
        {KeywordList::Kansu, 40, "MONTH_BETWEEN"},
        {KeywordList::Kansu, 48, "NVL"},
        {KeywordList::Kansu, 83, "VSIZE"},
        {KeywordList::Tandoku, 46, "CREATE"},
        {KeywordList::Tandoku, 96, "UNION"},
        {KeywordList::Tandoku, 97, "UNION ALL"},
        {KeywordList::Tandoku, 101, "WHERE"},
        {KeywordList::UsiroNo, 2, "AND"},
        {KeywordList::UsiroNo, 8, "OR"},
        {KeywordList::MaeNo, 8, "SET"},
        {KeywordList::MaeNo, 11, "VARCHAR2"},
    };
    for (const auto &l : landmarks) EXPECT_EQ(KeywordCatalogue::Text(l.list, l.position), l.text) << l.position;
}

TEST(KeywordCatalogue, NoReservedWordStandsBeforeALongerEntryContainingIt) {
    const int n = KeywordCatalogue::Count(KeywordList::Yoyaku);
    for (int a = 1; a <= n; ++a)
        for (int b = a + 1; b <= n; ++b)
            EXPECT_FALSE(ContainsWholeWords(KeywordCatalogue::Text(KeywordList::Yoyaku, b),
                                            KeywordCatalogue::Text(KeywordList::Yoyaku, a)))
                << KeywordCatalogue::Text(KeywordList::Yoyaku, a) << " before "
                << KeywordCatalogue::Text(KeywordList::Yoyaku, b);
}

TEST(KeywordCatalogue, EntriesAreUniqueUpperCaseAndDependentListsAreReservedWords) {
    for (KeywordList list : kAllLists) {
        std::set<std::string> seen;
        for (int i = 1; i <= KeywordCatalogue::Count(list); ++i) {
            const std::string &t = KeywordCatalogue::Text(list, i);
            EXPECT_TRUE(seen.insert(t).second) << t;
            for (char c : t) EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ' ') << t;
            if (list != KeywordList::Yoyaku && t != "MONTH_BETWEEN") {
                EXPECT_GT(KeywordCatalogue::Find(KeywordList::Yoyaku, t), 0) << t;
            }
        }
    }
    EXPECT_EQ(KeywordCatalogue::Find(KeywordList::Yoyaku, "MONTH_BETWEEN"), 0);
}

TEST(KeywordCatalogue, GrayedCountsAsUncheckedAndComparisonsAreExact) {
    KeywordCatalogue c;
    EXPECT_TRUE(c.ContainsChecked(KeywordList::MaeNo, "DATE"));
    EXPECT_FALSE(c.ContainsChecked(KeywordList::MaeNo, "Date"));
    c.SetState(KeywordList::Kansu, 48, CheckState::Grayed);
    EXPECT_FALSE(c.IsChecked(KeywordList::Kansu, 48));
    c.SetState(KeywordList::MaeNo, KeywordCatalogue::Find(KeywordList::MaeNo, "DATE"), CheckState::Unchecked);
    EXPECT_FALSE(c.ContainsChecked(KeywordList::MaeNo, "DATE"));
}

TEST(KeywordCatalogue, MirrorCopiesReservedStatesToDependentLists) {
    KeywordCatalogue c;
    const int andPos = KeywordCatalogue::Find(KeywordList::Yoyaku, "AND");
    const int andAfter = KeywordCatalogue::Find(KeywordList::UsiroNo, "AND");
    c.SetState(KeywordList::Yoyaku, andPos, CheckState::Unchecked);
    c.MirrorDependentLists();
    EXPECT_FALSE(c.IsChecked(KeywordList::UsiroNo, andAfter));
    c.SetState(KeywordList::Yoyaku, andPos, CheckState::Checked);
    c.MirrorDependentLists();
    EXPECT_TRUE(c.IsChecked(KeywordList::UsiroNo, andAfter));
}

struct StoredCase {
    const char *name;
    std::string yoyaku, kansu;
    bool convert;
    // Expected after applying.
    std::vector<std::pair<int, CheckState>> yoyakuStates, kansuStates;
};

void PrintTo(const StoredCase &c, std::ostream *os) { *os << c.name; }

class ApplyStoredStates : public ::testing::TestWithParam<StoredCase> {};

TEST_P(ApplyStoredStates, GivesEachEntryItsState) {
    const StoredCase &tc = GetParam();
    KeywordCatalogue c;
    c.SetState(KeywordList::Yoyaku, 1, CheckState::Unchecked); // proves a reset where expected
    std::string y = tc.yoyaku, k = tc.kansu;
    c.ApplyStoredStates(y, k, tc.convert);
    for (auto [pos, st] : tc.yoyakuStates) EXPECT_EQ(c.State(KeywordList::Yoyaku, pos), st) << pos;
    for (auto [pos, st] : tc.kansuStates) EXPECT_EQ(c.State(KeywordList::Kansu, pos), st) << pos;
}

std::string With(std::string s, std::size_t pos1, char c) {
    s[pos1 - 1] = c;
    return s;
}

const auto U = CheckState::Unchecked, C = CheckState::Checked, G = CheckState::Grayed;

INSTANTIATE_TEST_SUITE_P(Cases, ApplyStoredStates,
                         ::testing::Values(StoredCase{"valid",
                                                      With(std::string(284, '1'), 230, '0'),
                                                      With(std::string(83, '2'), 48, '1'),
                                                      false,
                                                      {{230, U}, {1, C}},
                                                      {{48, G}, {1, C}}},
                                           StoredCase{"anyOtherCharChecks",
                                                      With(std::string(284, '0'), 5, 'x'),
                                                      With(std::string(83, '0'), 2, 'x'),
                                                      false,
                                                      {{5, C}, {6, U}},
                                                      {{2, C}, {3, U}}},
                                           StoredCase{"wrongLengthChecksAll",
                                                      std::string(283, '0'),
                                                      With(std::string(83, '2'), 3, '0'),
                                                      false,
                                                      {{1, C}, {283, C}},
                                                      {{3, U}}},
                                           StoredCase{"olderLayoutInsertsDecode",
                                                      With(std::string(283, '1'), 125, '0'),
                                                      std::string(82, '0'),
                                                      true,
                                                      {{125, C}, {126, U}, {124, C}},
                                                      {{14, C}, {13, U}, {15, U}}},
                                           StoredCase{"olderLayoutTooLongIsCut",
                                                      std::string(290, '1'),
                                                      std::string(90, '0'),
                                                      true,
                                                      {{1, C}, {284, C}},
                                                      {{14, C}, {83, U}}}),
                         kelvra::test::CaseName());

TEST(KeywordCatalogue, OlderLayoutConversionWritesBackTheConvertedStrings) {
    KeywordCatalogue c;
    std::string y(283, '0'), k(82, '0');
    c.ApplyStoredStates(y, k, true);
    EXPECT_EQ(y.size(), 284u);
    EXPECT_EQ(y[124], '1');
    EXPECT_EQ(k.size(), 83u);
    EXPECT_EQ(k[13], '2');
}

TEST(KeywordCatalogue, ApplyMirrorsAndBuildRoundTrips) {
    KeywordCatalogue c;
    std::string y = With(std::string(284, '1'), KeywordCatalogue::Find(KeywordList::Yoyaku, "SET"), '0');
    std::string k = With(With(std::string(83, '2'), 48, '1'), 1, '0');
    c.ApplyStoredStates(y, k, false);
    EXPECT_FALSE(c.ContainsChecked(KeywordList::MaeNo, "SET"));
    std::string y2, k2;
    c.BuildStoredStates(y2, k2);
    EXPECT_EQ(y2, y);
    EXPECT_EQ(k2, k);
}

TEST(KeywordCatalogue, FirstStartWithAnEmptyStringChecksAllAndKeepsTheStrings) {
    KeywordCatalogue c;
    c.SetState(KeywordList::Kansu, 48, CheckState::Unchecked);
    std::string y = "", k = std::string(83, '0');
    c.InitialiseFromStored(y, k, "109");
    EXPECT_TRUE(c.IsChecked(KeywordList::Kansu, 48));
    EXPECT_EQ(y, "");
    EXPECT_EQ(k, std::string(83, '0'));
    std::string y2, k2;
    c.BuildStoredStates(y2, k2);
    EXPECT_EQ(y2, std::string(284, '1'));
    EXPECT_EQ(k2, std::string(83, '2'));
}

// ---- The reserved-word table's rules ------------------------------------------
// NVL, SUBSTR and ABS are reserved words and functions; MONTH_BETWEEN is a
// function only; SELECT is in Tandoku, AND in UsiroNo, DATE in MaeNo.

namespace {

constexpr CheckState Off = CheckState::Unchecked;
constexpr CheckState On = CheckState::Checked;
constexpr CheckState Gray = CheckState::Grayed;

CheckState StateOf(const KeywordCatalogue &c, KeywordList list, const char *text) {
    return c.State(list, KeywordCatalogue::Find(list, text));
}

enum class Act { ClickWord, ClickFunction, AllWordsOn, AllWordsOff, AllFunctionsOn, AllFunctionsOff };

struct RuleStep {
    Act act;
    const char *text;    // the clicked entry; for all-buttons the entry checked afterwards
    CheckState word;     // Yoyaku state of `text` afterwards
    CheckState function; // Kansu state of `text` afterwards
};

void Apply(KeywordCatalogue &c, const RuleStep &s) {
    switch (s.act) {
    case Act::ClickWord: c.ClickYoyaku(KeywordCatalogue::Find(KeywordList::Yoyaku, s.text)); break;
    case Act::ClickFunction: c.ClickKansu(KeywordCatalogue::Find(KeywordList::Kansu, s.text)); break;
    case Act::AllWordsOn: c.CheckAllYoyaku(); break;
    case Act::AllWordsOff: c.UncheckAllYoyaku(); break;
    case Act::AllFunctionsOn: c.CheckAllKansu(); break;
    case Act::AllFunctionsOff: c.UncheckAllKansu(); break;
    }
}

} // namespace

TEST(KeywordCatalogueRules, SequencesOfClicksAndButtons) {
    struct Scenario {
        const char *name;
        std::vector<RuleStep> steps;
    };
    const Scenario scenarios[] = {
        {"a word carries its function, gray while the word is off",
         {{Act::ClickWord, "NVL", Off, Gray}, {Act::ClickWord, "NVL", On, On}}},
        {"a function switched off stays off whatever its word does",
         {{Act::ClickFunction, "SUBSTR", On, Off},
          {Act::ClickWord, "SUBSTR", Off, Off},
          {Act::ClickWord, "SUBSTR", On, Off}}},
        {"a function with its word on goes between off and on",
         {{Act::ClickFunction, "ABS", On, Off}, {Act::ClickFunction, "ABS", On, On}}},
        {"a function with its word off goes between off and gray",
         {{Act::ClickWord, "NVL", Off, Gray},
          {Act::ClickFunction, "NVL", Off, Off},
          {Act::ClickFunction, "NVL", Off, Gray}}},
        {"a function without a word runs through all three states",
         {{Act::ClickFunction, "MONTH_BETWEEN", Off, Off},
          {Act::ClickFunction, "MONTH_BETWEEN", Off, Gray},
          {Act::ClickFunction, "MONTH_BETWEEN", Off, On},
          {Act::ClickFunction, "MONTH_BETWEEN", Off, Off}}},
        {"all words off grays the functions that were on, all on brings them back",
         {{Act::ClickFunction, "ABS", On, Off},
          {Act::AllWordsOff, "ABS", Off, Off},
          {Act::AllWordsOff, "NVL", Off, Gray},
          {Act::AllWordsOn, "NVL", On, On},
          {Act::AllWordsOn, "ABS", On, Off}}},
        {"all functions on follows each word; a function without a word keeps its state",
         {{Act::ClickWord, "NVL", Off, Gray},
          {Act::AllFunctionsOff, "NVL", Off, Off},
          {Act::AllFunctionsOn, "NVL", Off, Gray},
          {Act::AllFunctionsOn, "ABS", On, On},
          {Act::AllFunctionsOn, "MONTH_BETWEEN", Off, Off}}},
    };
    for (const Scenario &sc : scenarios) {
        SCOPED_TRACE(sc.name);
        KeywordCatalogue c;
        for (std::size_t i = 0; i < sc.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const RuleStep &s = sc.steps[i];
            Apply(c, s);
            const int word = KeywordCatalogue::Find(KeywordList::Yoyaku, s.text);
            EXPECT_EQ(word ? c.State(KeywordList::Yoyaku, word) : Off, s.word);
            EXPECT_EQ(StateOf(c, KeywordList::Kansu, s.text), s.function);
        }
    }
}

TEST(KeywordCatalogueRules, HiddenListsFollowTheReservedWords) {
    KeywordCatalogue c;
    struct Hidden {
        KeywordList list;
        const char *text;
    };
    const Hidden hidden[] = {
        {KeywordList::Tandoku, "SELECT"}, {KeywordList::UsiroNo, "AND"}, {KeywordList::MaeNo, "DATE"}};
    for (const Hidden &h : hidden) {
        SCOPED_TRACE(h.text);
        c.ClickYoyaku(KeywordCatalogue::Find(KeywordList::Yoyaku, h.text));
        EXPECT_EQ(StateOf(c, h.list, h.text), Off);
        c.ClickYoyaku(KeywordCatalogue::Find(KeywordList::Yoyaku, h.text));
        EXPECT_EQ(StateOf(c, h.list, h.text), On);
    }
    c.UncheckAllYoyaku();
    for (KeywordList l : {KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo})
        for (int p = 1; p <= KeywordCatalogue::Count(l); ++p) EXPECT_EQ(c.State(l, p), Off);
    c.CheckAllYoyaku();
    for (KeywordList l : {KeywordList::Tandoku, KeywordList::UsiroNo, KeywordList::MaeNo})
        for (int p = 1; p <= KeywordCatalogue::Count(l); ++p) EXPECT_EQ(c.State(l, p), On);
}

TEST(KeywordCatalogueRules, FindGivesTheFirstPositionOrZero) {
    EXPECT_EQ(KeywordCatalogue::Find(KeywordList::Yoyaku, "ABS"), 82);
    EXPECT_EQ(KeywordCatalogue::Find(KeywordList::Yoyaku, "DECODE"), 125);
    EXPECT_EQ(KeywordCatalogue::Find(KeywordList::Kansu, "MONTH_BETWEEN"), 40);
    EXPECT_EQ(KeywordCatalogue::Find(KeywordList::Yoyaku, "MONTH_BETWEEN"), 0);
    EXPECT_EQ(KeywordCatalogue::Find(KeywordList::Yoyaku, "abs"), 0); // entries are upper case
}
