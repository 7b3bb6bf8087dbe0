#include "cli/UnifiedDiff.h"

#include "cli/LineChanges.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kelvra::cli {
namespace {

std::string HunkRange(std::size_t start, std::size_t count) {
    if (count == 1) return std::to_string(start + 1);
    return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

void AppendLine(std::string &out, char mark, std::string_view line) {
    out += mark;
    out += line;
    if (line.empty() || (line.back() != '\n' && line.back() != '\r')) out += "\n\\ No newline at end of file\n";
}

} // namespace

std::string UnifiedDiff(std::string_view oldText, std::string_view newText, std::string_view oldName,
                        std::string_view newName, int context) {
    if (oldText == newText) return {};
    const std::vector<std::string_view> oldLines = SplitKeepingLineEnds(oldText),
                                        newLines = SplitKeepingLineEnds(newText);
    const std::vector<LineChange> changes = LineChanges(oldLines, newLines);

    std::string out = "--- " + std::string(oldName) + "\n+++ " + std::string(newName) + "\n";
    const std::size_t ctx = static_cast<std::size_t>(std::max(context, 0));
    for (std::size_t first = 0; first < changes.size();) {
        std::size_t last = first;
        while (last + 1 < changes.size() &&
               changes[last + 1].oldStart - (changes[last].oldStart + changes[last].oldCount) <= 2 * ctx)
            ++last;
        const std::size_t oldFrom = changes[first].oldStart - std::min(ctx, changes[first].oldStart);
        const std::size_t newFrom = changes[first].newStart - (changes[first].oldStart - oldFrom);
        const std::size_t oldEnd = changes[last].oldStart + changes[last].oldCount;
        const std::size_t oldTo = std::min(oldLines.size(), oldEnd + ctx);
        const std::size_t newTo = changes[last].newStart + changes[last].newCount + (oldTo - oldEnd);
        out += "@@ -" + HunkRange(oldFrom, oldTo - oldFrom) + " +" + HunkRange(newFrom, newTo - newFrom) + " @@\n";
        std::size_t i = oldFrom;
        for (std::size_t k = first; k <= last; ++k) {
            const LineChange &c = changes[k];
            for (; i < c.oldStart; ++i) AppendLine(out, ' ', oldLines[i]);
            for (std::size_t n = 0; n < c.oldCount; ++n) AppendLine(out, '-', oldLines[c.oldStart + n]);
            for (std::size_t n = 0; n < c.newCount; ++n) AppendLine(out, '+', newLines[c.newStart + n]);
            i = c.oldStart + c.oldCount;
        }
        for (; i < oldTo; ++i) AppendLine(out, ' ', oldLines[i]);
        first = last + 1;
    }
    return out;
}

} // namespace kelvra::cli
