#pragma once
// File names as kelvra-format prints them: a name with a control character
// (a line break, a tab, ESC ...), a double quote or a backslash is written in
// double quotes with C escapes, the way git quotes names, so that a name can
// never start a line of its own in a diff header or a list, nor reach the
// terminal as a control sequence. Other names, UTF-8 ones included, are
// written as they are. On Windows, where a backslash separates folders, a
// backslash alone does not call for the quotes.

#include <string>
#include <string_view>

namespace kelvra::cli {

std::string QuotedName(std::string_view name);

} // namespace kelvra::cli
