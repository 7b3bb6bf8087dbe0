#include "platform/StyledText.h"

#include <gtest/gtest.h>

using namespace kelvra;

namespace {

// "text|bold" per run, to compare a whole run layout at once.
std::string Layout(const StyledText &t) {
    std::string out;
    for (const StyledRun &r : t.Runs()) {
        out.append("[").append(t.Text(), r.start, r.length).append(r.format->bold ? "|b" : "");
        if (r.format->colour != Rgb{}) out += "|c";
        out += "]";
    }
    return out;
}

} // namespace

TEST(StyledText, RangeOperationsSplitAndMergeRuns) {
    struct Case {
        const char *name;
        void (*apply)(StyledText &);
        const char *layout;
    } cases[] = {
        {"bold in the middle", [](StyledText &t) { t.SetBold(7, 4); }, "[SELECT ][a, b|b][ FROM t]"},
        {"bold at both ends",
         [](StyledText &t) {
             t.SetBold(0, 6);
             t.SetBold(12, 4);
         },
         "[SELECT|b][ a, b ][FROM|b][ t]"},
        {"adjacent spans merge",
         [](StyledText &t) {
             t.SetBold(0, 3);
             t.SetBold(3, 3);
         },
         "[SELECT|b][ a, b FROM t]"},
        {"unbolding restores one run",
         [](StyledText &t) {
             t.SetBold(2, 5);
             t.SetBold(0, 100, false);
         },
         "[SELECT a, b FROM t]"},
        {"length past the end is cut", [](StyledText &t) { t.SetBold(16, 1000); }, "[SELECT a, b FROM][ t|b]"},
        {"start past the end does nothing", [](StyledText &t) { t.SetBold(99, 3); }, "[SELECT a, b FROM t]"},
        {"modify keeps other attributes",
         [](StyledText &t) {
             t.SetColour(0, 8, {255, 0, 0});
             t.SetBold(7, 3);
         },
         "[SELECT |c][a|b|c][, |b][b FROM t]"},
    };
    for (const Case &c : cases) {
        StyledText t;
        t.SetText("SELECT a, b FROM t");
        c.apply(t);
        EXPECT_EQ(Layout(t), c.layout) << c.name;
    }
}

TEST(StyledText, RangesAreWidenedToWholeCharactersAndLineEnds) {
    StyledText t;
    t.SetText("a表b\r\nc"); // 表 takes bytes 1..3
    t.SetBold(2, 1);
    EXPECT_EQ(Layout(t), "[a][表|b][b\r\nc]");
    t.SetColour(6, 1, {1, 2, 3}); // the LF of a CR LF takes the CR along
    EXPECT_EQ(Layout(t), "[a][表|b][b][\r\n|c][c]");
}

TEST(StyledText, AppendKeepsFormatsAndFormatAtPastEndIsTheDefault) {
    CharFormat base;
    base.fontName = "Courier";
    StyledText t(base);
    CharFormat bold = base;
    bold.bold = true;
    t.Append("A ");
    t.Append("B", bold);
    t.Append("C", bold);
    t.Append(" D");
    EXPECT_EQ(Layout(t), "[A ][BC|b][ D]");
    EXPECT_EQ(t.FormatAt(100).fontName, "Courier");
    t.Clear();
    EXPECT_TRUE(t.Runs().empty());
}
