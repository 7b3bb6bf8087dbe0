#pragma once
// The formatted text in the form repositories expect: no blank at the end of a
// line, no blank-only lines at the end, one final line break. Blanks inside
// literals, comments and the other text the format run keeps are part of it and stay.

#include <string>
#include <string_view>

namespace kelvra::cli {

// `text` has CR LF line ends, as the format run leaves it; `keepMeaning` is the
// run's option, which says what else its result holds as it stood.
std::string TidyText(std::string_view text, bool keepMeaning);

} // namespace kelvra::cli
