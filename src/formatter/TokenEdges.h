#pragma once
// What stands on either side of a line break that a run removes: whether the
// text before and the text after would run together into one token, as two
// words, a word and a quote ("x" "'41'"), two quotes, or signs that form an
// operator, a number or a comment opening do. Literals and comments stand in
// the working text as tokens; their own first and last bytes count.

#include "formatter/FormatRunState.h"

#include <string_view>

namespace kelvra {

// `before` is the working text up to the line break, `after` the text after it.
bool JoiningWouldFuse(const FormatRunState &run, std::string_view before, std::string_view after);

// Whether byte `left` followed by `right` (and then `afterRight`) would read as one token.
bool BytesWouldFuse(char left, char right, char afterRight);

} // namespace kelvra
