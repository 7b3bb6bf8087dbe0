#pragma once
// The formatted text in the form repositories expect: no blank at the end of a
// line, no blank-only lines at the end, one final line break. Blanks inside
// literals and comments are part of them and stay.

#include <string>
#include <string_view>

namespace kelvra::cli {

// `text` has CR LF line ends, as the format run leaves it.
std::string TidyText(std::string_view text);

} // namespace kelvra::cli
