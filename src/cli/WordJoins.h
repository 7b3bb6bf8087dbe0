#pragma once
// Line breaks whose removal would run two words together. When line breaks do
// not separate words, the format run deletes every one of them, so "select a"
// and "from t" on two lines become "SELECT AFROM T". The command-line formatter
// looks for such places first and refuses instead of changing the meaning.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra::cli {

struct WordJoin {
    std::size_t lineBreak = 0; // byte offset of the first line-break character
    std::string before, after; // the words (or signs) that would run together
};

struct WordJoins {
    std::size_t count = 0;       // every such line break
    std::vector<WordJoin> first; // the first few of them
};

// `text` holds the input with its line breaks; literals and comments are left
// out of the search unless `simpleMode` (which does not protect them either).
// A join counts when both sides are word characters (letters, digits, "_",
// any non-ASCII character), or when it would make "--" or "/*" and so start a
// comment that was not there. A text with an unclosed literal or comment,
// which the format run refuses, gives none.
WordJoins FindWordJoins(std::string_view text, bool simpleMode, std::size_t keep = 5);

} // namespace kelvra::cli
