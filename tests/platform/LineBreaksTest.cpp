// The two line-end conversions every layer uses: to CR LF on the way in, and
// back from CR LF on the way out (to a file, the command line, the web page
// and the editor).
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace kelvra;

namespace {

struct Case {
    std::string text, crlf, lf, cr;
};

// Written out by hand: what each conversion gives.
const Case kCases[] = {
    {"", "", "", ""},
    {"abc", "abc", "abc", "abc"},
    {"a\r\nb", "a\r\nb", "a\nb", "a\rb"},
    {"a\rb", "a\r\nb", "a\rb", "a\rb"},       // a lone CR stays on the way back
    {"a\nb", "a\r\nb", "a\nb", "a\nb"},       // a lone LF too
    {"\r\n\r\n", "\r\n\r\n", "\n\n", "\r\r"}, // nothing but line ends
    {"a\n\rb", "a\r\n\r\nb", "a\n\rb", "a\n\rb"},
    {"a\r\r\nb\r", "a\r\n\r\nb\r\n", "a\r\nb\r", "a\r\rb\r"},
    {"表\r\n😀\r\n", "表\r\n😀\r\n", "表\n😀\n", "表\r😀\r"},
};

// Every line end (CR LF, lone CR, lone LF) as one LF: an independent oracle.
std::string AllLf(const std::string &text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i] == '\r' ? '\n' : text[i];
    }
    return out;
}

// Letters, blanks, CRs and LFs, fewer than `longest`.
std::string RandomText(std::mt19937 &random, unsigned longest) {
    const char pieces[] = {'a', '\r', '\n', ' '};
    std::string text;
    for (unsigned n = random() % longest; n > 0; --n) text += pieces[random() % 4];
    return text;
}

} // namespace

TEST(LineBreaks, EachConversionGivesTheHandWorkedText) {
    for (const Case &c : kCases) {
        EXPECT_EQ(ToCrLf(c.text), c.crlf) << c.text;
        EXPECT_EQ(FromCrLf(c.text, LineEnd::CrLf), c.text) << c.text;
        EXPECT_EQ(FromCrLf(c.text, LineEnd::Lf), c.lf) << c.text;
        EXPECT_EQ(FromCrLf(c.text, LineEnd::Cr), c.cr) << c.text;
    }
}

// On random texts of letters and line ends: back from CR LF undoes the way in
// up to the kind of line end, and the way in again gives the same text.
TEST(LineBreaks, BackFromCrLfUndoesToCrLf) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = RandomText(random, 12);
        const std::string crlf = ToCrLf(text);
        EXPECT_EQ(FromCrLf(crlf, LineEnd::Lf), AllLf(text)) << testing::PrintToString(text);
        EXPECT_EQ(ToCrLf(FromCrLf(crlf, LineEnd::Lf)), crlf);
        EXPECT_EQ(ToCrLf(FromCrLf(crlf, LineEnd::Cr)), crlf);
    }
}

// The line-end finder, asked from each line end onwards as the conversions
// ask it, names every CR and LF of random texts in order.
TEST(LineBreaks, FinderNamesEveryLineEndInOrder) {
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = RandomText(random, 16);
        std::vector<std::size_t> expected, found;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\r' || text[i] == '\n') expected.push_back(i);
        LineEndFinder finder(text);
        for (std::size_t at = finder.From(0); at != std::string_view::npos; at = finder.From(at + 1))
            found.push_back(at);
        EXPECT_EQ(found, expected) << testing::PrintToString(text);
    }
}

// FindEither from every offset of random texts gives the first of its two
// bytes there, whichever eight-byte step the text's length leaves at the end.
TEST(LineBreaks, FindEitherGivesTheFirstOfItsTwoBytes) {
    std::mt19937 random(5);
    const char pieces[] = {'a', '(', ')', ' ', '\x80', '\xA8', '\0'};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 40); n > 0; --n) text += pieces[random() % (round % 2 ? 7 : 4)];
        const char a = round % 3 ? '(' : '\x80', b = round % 3 ? ')' : '\0';
        for (std::size_t from = 0; from <= text.size(); ++from) {
            std::size_t expected = std::string_view::npos;
            for (std::size_t i = from; i < text.size() && expected == std::string_view::npos; ++i)
                if (text[i] == a || text[i] == b) expected = i;
            EXPECT_EQ(FindEither(text, a, b, from), expected) << testing::PrintToString(text) << " from " << from;
        }
    }
}
