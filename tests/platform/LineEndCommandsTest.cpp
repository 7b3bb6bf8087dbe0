#include "platform/LineEndCommands.h"

#include <gtest/gtest.h>

using namespace kelvra;

namespace {

const std::string kSep = "-------------------- ";

std::string Semicolons(const std::string &text) { return ApplyInsertions(text, SuffixInsertions(text, ";")); }
std::string Separators(const std::string &text) { return ApplyInsertions(text, SeparatorInsertions(text)); }

struct Case {
    const char *name;
    std::string input;
    std::string expected;
};

TEST(LineEndCommandsTest, SuffixGoesOnEveryLine) {
    const Case cases[] = {
        {"empty line in the middle gets one too", "SELECT a\r\n\r\nFROM t", "SELECT a;\r\n;\r\nFROM t;"},
        {"a line already ending in ; gets another", "a;\r\nb", "a;;\r\nb;"},
        {"the break that ends the text opens no further line", "a\r\nb\r\n", "a;\r\nb;\r\n"},
        {"empty lines before the final break count", "a\r\n\r\n", "a;\r\n;\r\n"},
        {"empty text has no lines", "", ""},
        {"multi-byte text stays whole", "表\r\n日本語", "表;\r\n日本語;"},
    };
    for (const Case &c : cases) EXPECT_EQ(Semicolons(c.input), c.expected) << c.name;
    const std::string text = "x\r\n\r\ny";
    EXPECT_EQ(ApplyInsertions(text, SuffixInsertions(text, " ")), "x \r\n \r\ny ");
}

TEST(LineEndCommandsTest, SeparatorUnderLinesEndingInSemicolon) {
    const Case cases[] = {
        {"last line ending in ; gets it at the very end", "SELECT a;", "SELECT a;\r\n" + kSep},
        {"the final break stays after the separator", "a;\r\n", "a;\r\n" + kSep + "\r\n"},
        {"semicolon followed by blanks and tabs", "a;  \t\r\nb", "a;  \t\r\n" + kSep + "\r\nb"},
        {"semicolon followed by a comment", "a; -- end\r\nb", "a; -- end\r\nb"},
        {"no semicolon, no separator", "a\r\nb", "a\r\nb"},
        {"a separator already there", "a;\r\n" + kSep + "\r\nb;", "a;\r\n" + kSep + "\r\nb;\r\n" + kSep},
        {"a separator without its blank is not one", "a;\r\n--------------------",
         "a;\r\n" + kSep + "\r\n--------------------"},
        {"consecutive statements each get one", "a;\r\nb;", "a;\r\n" + kSep + "\r\nb;\r\n" + kSep},
        {"a line holding only ;", ";", ";\r\n" + kSep},
        {"blank line", "   \r\n;", "   \r\n;\r\n" + kSep},
        {"empty text", "", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(Separators(c.input), c.expected) << c.name;
}

TEST(LineEndCommandsTest, SeparatorTwiceAddsNothingMore) {
    for (const std::string text : {"a;\r\nb;\r\nc", "x;  \r\n\r\ny;\r\n", "select 1;"}) {
        const std::string once = Separators(text);
        EXPECT_EQ(Separators(once), once) << text;
    }
}

TEST(LineEndCommandsTest, LineEndsAreBeforeEachBreak) {
    EXPECT_EQ(LineEnds("ab\r\n\r\nc"), (std::vector<std::size_t>{2, 4, 7}));
    EXPECT_EQ(LineEnds("ab\r\n"), (std::vector<std::size_t>{2}));
    EXPECT_TRUE(LineEnds("").empty());
    // A lone CR or LF is not a line break of the editor text.
    EXPECT_EQ(LineEnds("a\rb\nc"), (std::vector<std::size_t>{5}));
}

} // namespace
