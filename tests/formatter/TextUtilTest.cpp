#include "formatter/PatternSet.h"
#include "formatter/TextUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace kelvra;

TEST(TextUtil, ShiftJisLengths) {
    EXPECT_EQ(SjisLength("AND "), 4u);
    EXPECT_EQ(SjisLength("表示"), 4u);
    EXPECT_EQ(SjisLength("ｱｲ"), 2u); // half-width katakana: one byte each
    EXPECT_EQ(SjisLength("Ａ＝"), 4u);
    EXPECT_EQ(SjisLength("\xF0\x9F\x98\x80"), 2u);
    // Half-width katakana and signs, U+FF61..U+FF9F, are one byte; their neighbours two.
    struct Case {
        const char *ch;
        std::size_t length;
    } cases[] = {{"\xEF\xBD\xA0", 2}, {"\xEF\xBD\xA1", 1}, {"\xEF\xBD\xBF", 1}, {"\xEF\xBE\x80", 1},
                 {"\xEF\xBE\x9F", 1}, {"\xEF\xBE\xA0", 2}, {"\xC2\xA5", 2},     {"\x7F", 1}};
    for (const Case &c : cases) EXPECT_EQ(SjisLength(c.ch), c.length) << testing::PrintToString(c.ch);
}

TEST(TextUtil, LinesSplitAtCrLfOnly) {
    EXPECT_EQ(SplitLines(""), (std::vector<std::string>{""}));
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(SplitLines("a\nb"), (std::vector<std::string>{"a\nb"}));
    EXPECT_EQ(JoinLines({"a", "b", ""}), "a\r\nb\r\n");
}

TEST(TextUtil, LineAndColumnCountCharacters) {
    const std::string text = "ab\r\n表示'x";
    LineColumn lc = LineColumnOf(text, text.find('\''));
    EXPECT_EQ(lc.line, 2u);
    EXPECT_EQ(lc.column, 3u);
}

TEST(PatternSet, FindsOverlappingAndNestedPatterns) {
    PatternSet set({" FOR UPDATE ", " UPDATE ", "FOR", "NOWAIT", "ORD", "表"});
    std::vector<bool> present = set.Present("X FOR UPDATE Y 表");
    EXPECT_EQ(present, (std::vector<bool>{true, true, true, false, false, true}));
    EXPECT_EQ(set.Present("ORDER"), (std::vector<bool>{false, false, false, false, true, false}));
}

TEST(PatternSet, ReportsEveryOccurrenceWithItsEnd) {
    PatternSet set({" A B ", " B ", "B B"});
    std::vector<std::pair<std::size_t, std::size_t>> found;
    set.ForEachMatch("X", " A B B ", [&](std::size_t p, std::size_t end) { found.emplace_back(p, end); });
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {{0, 6}, {1, 6}, {2, 7}, {1, 8}};
    EXPECT_EQ(found, expected);
    PatternSet::Scan scan(set);
    scan.Feed("X A");
    scan.Feed(" B");
    EXPECT_EQ(scan.Present(), (std::vector<bool>{false, false, false}));
    scan.Feed(" ");
    EXPECT_EQ(scan.Present(), (std::vector<bool>{true, true, false}));
}

// Every occurrence, as a search for each pattern at every offset finds it, in
// texts where long stretches start no pattern, fed in pieces of every size.
TEST(PatternSet, MatchesEqualThoseOfAPlainSearch) {
    const std::vector<std::string> patterns = {" A B ", " B ", "B B", "AX", "XXXA"};
    const PatternSet set(patterns);
    std::uint32_t seed = 7;
    const std::string_view alphabet = " ABXYZ";
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += alphabet[(seed >> 16) % (round % 2 ? 3 : alphabet.size())];
        }
        std::vector<std::pair<std::size_t, std::size_t>> expected;
        for (std::size_t end = 1; end <= text.size(); ++end)
            for (std::size_t p = 0; p < patterns.size(); ++p)
                if (std::string_view(text).substr(0, end).ends_with(patterns[p])) expected.emplace_back(p, end);
        const std::size_t piece = 1 + static_cast<std::size_t>(round) % 7;
        std::vector<std::pair<std::size_t, std::size_t>> found;
        PatternSet::MatchScan scan(set);
        for (std::size_t at = 0; at < text.size(); at += piece)
            scan.Feed(std::string_view(text).substr(at, piece),
                      [&](std::size_t p, std::size_t end) { found.emplace_back(p, end); });
        std::sort(found.begin(), found.end(),
                  [](auto a, auto b) { return std::tie(a.second, a.first) < std::tie(b.second, b.first); });
        EXPECT_EQ(found, expected) << text;
    }
}

// Every keyword added is found with its first value, through every growth of
// the table; words that were never added, or differ by a byte, are not.
TEST(KeywordLookup, FindsExactlyTheKeywordsAdded) {
    KeywordLookup<int> lookup;
    EXPECT_EQ(lookup.Find("SELECT"), nullptr);
    EXPECT_TRUE(lookup.Empty());
    std::vector<std::string> added;
    for (int i = 0; i < 500; ++i) {
        std::string keyword = std::to_string(i * 7919 % 1000);
        keyword.insert(keyword.begin(), 'K');
        if (std::find(added.begin(), added.end(), keyword) == added.end()) added.push_back(keyword);
        lookup.Add(keyword, i);
        EXPECT_FALSE(lookup.Add(added.front(), -1));
    }
    EXPECT_FALSE(lookup.Add("", 1));
    for (std::size_t i = 0; i < added.size(); ++i) {
        const int *value = lookup.Find(added[i]);
        ASSERT_NE(value, nullptr) << added[i];
        EXPECT_EQ(*value, static_cast<int>(i)) << added[i];
        EXPECT_EQ(lookup.Find(added[i] + "X"), nullptr);
        EXPECT_EQ(lookup.Find(std::string_view(added[i]).substr(1)), nullptr);
    }
    EXPECT_EQ(lookup.Find(""), nullptr);
}

TEST(TextUtil, StartsAndEndsWith) {
    struct Case {
        std::string_view text, affix;
        bool starts, ends;
    } cases[] = {
        {"", "", true, true},           {"abc", "", true, true},      {"", "a", false, false},
        {"abc", "abc", true, true},     {"ab", "abc", false, false},  {"abc", "ab", true, false},
        {"abc", "bc", false, true},     {"axc", "abc", false, false}, {"《C1》", "《", true, false},
        {"x《C1》", "》", false, true}, {"aXa", "a", true, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(StartsWith(c.text, c.affix), c.starts) << c.text << " / " << c.affix;
        EXPECT_EQ(EndsWith(c.text, c.affix), c.ends) << c.text << " / " << c.affix;
    }
}
