#pragma once
// A unified diff of two texts, line by line, as `diff -u` writes it. Lines end
// at LF, CR LF or a lone CR; the line ends are part of the lines compared.

#include <string>
#include <string_view>

namespace kelvra::cli {

// Empty when the texts are equal. `oldName` and `newName` go into the
// "---" and "+++" lines; `context` lines of unchanged text surround each change.
std::string UnifiedDiff(std::string_view oldText, std::string_view newText, std::string_view oldName,
                        std::string_view newName, int context = 3);

} // namespace kelvra::cli
