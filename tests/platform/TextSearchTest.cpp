#include "platform/TextSearch.h"

#include <gtest/gtest.h>

using namespace kelvra;

TEST(TextSearch, FindsOnWholeCharactersFromAPositionOn) {
    struct Case {
        const char *name, *text, *needle;
        std::size_t from, expected;
    } cases[] = {
        {"first occurrence", "SELECT a FROM b FROM c", "FROM", 0, 9},
        {"from a later position", "SELECT a FROM b FROM c", "FROM", 10, 16},
        {"at the position itself", "SELECT a FROM b", "FROM", 9, 9},
        {"case-sensitive", "SELECT", "select", 0, kNotFound},
        {"no wrap-around", "FROM x", "FROM", 1, kNotFound},
        {"empty needle", "abc", "", 0, kNotFound},
        {"start past the end", "abc", "c", 4, kNotFound},
        {"Japanese text", "表示 表", "表", 1, 7},
        // A start inside a character moves on to the next whole character.
        {"start inside a character", "表表", "表", 1, 3},
        // The tail bytes of 表 (E8 A1 A8) never match on their own.
        {"needle of trail bytes", "表", "\xA1\xA8", 0, kNotFound},
        {"line end", "a\r\nb", "\r\nb", 0, 1},
    };
    for (const Case &c : cases) EXPECT_EQ(FindWhole(c.text, c.needle, c.from), c.expected) << c.name;
}

TEST(TextSearch, FindAllResumesAfterEachOccurrence) {
    EXPECT_EQ(FindAllWhole("AAAA", "AA", 0), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(FindAllWhole("AAA", "AA", 0), (std::vector<std::size_t>{0}));
    EXPECT_EQ(FindAllWhole("x;x;x", "x", 1), (std::vector<std::size_t>{2, 4}));
    EXPECT_TRUE(FindAllWhole("abc", "", 0).empty());
}
