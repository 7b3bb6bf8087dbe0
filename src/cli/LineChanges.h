#pragma once
// Which lines of one text become which lines of another: the line diff behind
// kelvra-format --diff and the language server's formatting edits. Lines end at
// LF, CR LF or a lone CR; the line ends are part of the lines compared.

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvra::cli {

// The lines of `text`, each with its line end; a last line without one counts too.
std::vector<std::string_view> SplitKeepingLineEnds(std::string_view text);

// `oldCount` lines from `oldStart` give way to `newCount` lines from `newStart`.
struct LineChange {
    std::size_t oldStart = 0, oldCount = 0, newStart = 0, newCount = 0;
    bool operator==(const LineChange &) const = default;
};

// The changes in ascending order, none touching the next. A rewrite too large
// to compare in full still comes out right, with a few more changed lines than
// the shortest diff would have.
std::vector<LineChange> LineChanges(const std::vector<std::string_view> &oldLines,
                                    const std::vector<std::string_view> &newLines);

} // namespace kelvra::cli
