#pragma once
// The line-end commands of the Run menu as plain functions of the editor text
// (UTF-8, lines separated by CR LF). Each returns the insertions to make, in
// ascending order, so that the window can apply them to its document without
// losing the character formats of the text around them.
//
// Lines: the text split at CR LF. A text that ends with CR LF has no further
// empty line after that break (the break ends the last line), and an empty
// text has no lines at all; otherwise every line counts, empty ones too.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// The line the separator command puts under a line that ends with ";":
// twenty hyphens and a blank, an SQL line comment.
inline constexpr std::string_view kSeparatorLine = "-------------------- ";

struct LineInsertion {
    std::size_t offset; // byte offset into the text: the end of a line, before its CR LF
    std::string text;   // may hold CR LF, which starts new lines there
};

// Byte offsets of the line ends (before each CR LF, and the text's end when
// the last line has no break), one per line.
std::vector<std::size_t> LineEnds(std::string_view text);

// `suffix` after every line.
std::vector<LineInsertion> SuffixInsertions(std::string_view text, std::string_view suffix);

// A new separator line under every line whose text, without its trailing
// blanks and control characters, ends with ";", unless the line below it is
// already exactly the separator line.
std::vector<LineInsertion> SeparatorInsertions(std::string_view text);

// The text with the insertions made (offsets ascending, as returned above).
std::string ApplyInsertions(std::string_view text, const std::vector<LineInsertion> &insertions);

} // namespace kelvra
