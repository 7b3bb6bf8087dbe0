#include "cli/UnifiedDiff.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <vector>

using namespace kelvra::cli;

namespace {

std::vector<std::string> LinesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        line += c;
        if (c == '\n') lines.push_back(std::move(line)), line.clear();
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// Applies a unified diff the way patch(1) does, checking every context and
// removed line against the old text.
std::string Apply(const std::string &oldText, const std::string &diff) {
    const std::vector<std::string> old = LinesOf(oldText), patch = LinesOf(diff);
    std::string out;
    std::size_t next = 0; // next old line to copy
    for (std::size_t i = 2; i < patch.size();) {
        std::size_t oldStart = 0, oldCount = 1;
        EXPECT_GE(std::sscanf(patch[i].c_str(), "@@ -%zu,%zu", &oldStart, &oldCount), 1) << patch[i];
        const std::size_t at = oldCount == 0 ? oldStart : oldStart - 1;
        for (; next < at; ++next) out += old[next];
        for (++i; i < patch.size() && patch[i][0] != '@'; ++i) {
            std::string body = patch[i].substr(1);
            if (i + 1 < patch.size() && patch[i + 1].starts_with("\\ No newline")) body.pop_back();
            if (patch[i][0] == '\\') continue;
            if (patch[i][0] == '+') {
                out += body;
                continue;
            }
            EXPECT_LT(next, old.size());
            if (next < old.size()) {
                EXPECT_EQ(old[next], body);
            }
            ++next;
            if (patch[i][0] == ' ') out += body;
        }
    }
    for (; next < old.size(); ++next) out += old[next];
    return out;
}

// Length of the longest common subsequence of lines, by dynamic programming.
std::size_t Lcs(const std::vector<std::string> &a, const std::vector<std::string> &b) {
    std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j)
            t[i][j] = a[i - 1] == b[j - 1] ? t[i - 1][j - 1] + 1 : std::max(t[i - 1][j], t[i][j - 1]);
    return t[a.size()][b.size()];
}

std::string RandomText(std::mt19937 &rng, int lines, int alphabet) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += "line " + std::to_string(rng() % alphabet) + "\n";
    return text;
}

} // namespace

TEST(UnifiedDiff, WritesWhatDiffUWrites) {
    struct Case {
        std::string oldText, newText, diff;
    } cases[] = {
        {"a\nb\nc\n", "a\nB\nc\n", "--- f\n+++ f\n@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
        {"a", "b", "--- f\n+++ f\n@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+b\n\\ No newline at end of file\n"},
        {"", "x\n", "--- f\n+++ f\n@@ -0,0 +1 @@\n+x\n"},
        {"x\n", "", "--- f\n+++ f\n@@ -1 +0,0 @@\n-x\n"},
        {"a\r\nb\r\n", "a\r\nc\r\n", "--- f\n+++ f\n@@ -1,2 +1,2 @@\n a\r\n-b\r\n+c\r\n"},
        {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n",
         "--- f\n+++ f\n@@ -1,3 +1,4 @@\n+0\n 1\n 2\n 3\n@@ -8,3 +9,4 @@\n 8\n 9\n 10\n+11\n"},
        {"same\n", "same\n", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(UnifiedDiff(c.oldText, c.newText, "f", "f"), c.diff) << c.oldText;
}

TEST(UnifiedDiff, AppliesBackAndIsShortestOnSmallTexts) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const std::string a = RandomText(rng, static_cast<int>(rng() % 40), 6);
        const std::string b = RandomText(rng, static_cast<int>(rng() % 40), 6);
        const std::string diff = UnifiedDiff(a, b, "f", "f");
        EXPECT_EQ(Apply(a, diff), b) << a << "\n---\n" << b << "\n---\n" << diff;
        std::size_t removed = 0, added = 0;
        for (const std::string &line : LinesOf(diff)) {
            if (line.starts_with("---") || line.starts_with("+++")) continue;
            removed += line[0] == '-';
            added += line[0] == '+';
        }
        const std::size_t common = Lcs(LinesOf(a), LinesOf(b));
        EXPECT_EQ(removed, LinesOf(a).size() - common);
        EXPECT_EQ(added, LinesOf(b).size() - common);
    }
}

// Texts too different for the shortest diff to be cheap still give a correct one.
TEST(UnifiedDiff, BigRewritesStillApply) {
    std::mt19937 rng(11);
    const std::string a = RandomText(rng, 30000, 50), b = RandomText(rng, 30000, 50);
    EXPECT_EQ(Apply(a, UnifiedDiff(a, b, "f", "f")), b);
    std::string c = a;
    for (int i = 0; i < 200; ++i) c.insert(c.begin() + static_cast<std::ptrdiff_t>(rng() % c.size()), '\n');
    EXPECT_EQ(Apply(a, UnifiedDiff(a, c, "f", "f")), c);
}
