#pragma once
// The formatted text in the form repositories expect: no blank at the end of a
// line, no blank-only lines at the end, one final line break. Blanks inside
// literals, comments and the other text the format run keeps are part of it and stay.

#include "formatter/Readings.h"

#include <string>
#include <string_view>

namespace kelvra::cli {

// `text` has CR LF line ends, as the format run leaves it; `readings` are the
// run's, which say what else its result holds as it stood.
std::string TidyText(std::string_view text, KeptReadings readings);

} // namespace kelvra::cli
