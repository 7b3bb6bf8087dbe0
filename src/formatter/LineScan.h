#pragma once
// The line view of the text that the layout stages work on, and the one-pass
// line scan with joins that several of them share.
//
// Lines are numbered from 0. A scan starts at line 0, stops at the first empty
// line and moves on by one line after each line whatever was done to it. To
// join line i is to append line i+1 to it and remove line i+1; removing the
// last line only empties it, so the text then ends with an empty line.

#include "formatter/FormatRunState.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// The driver's moves between the two forms of the text, each freeing the old
// form as it goes.
void MoveWholeTextToLines(FormatRunState &run);
void MoveLinesToWholeText(FormatRunState &run);

// Where a scan stops: at the first empty line, or (block comments) before
// line i when line i+1 is empty.
enum class ScanStop { AtEmptyLine, AtEmptyNextLine };

// True when the line ends with a line-comment or line-command token (normal mode only).
bool EndsWithLineCommentToken(const FormatRunState &run, std::string_view line);
// True when the line begins with a line-command token (normal mode only): a
// client reads a command only at the start of a line.
bool BeginsWithLineCommandToken(const FormatRunState &run, std::string_view line);

// One scan over `lines` that joins line i with line i+1 wherever
// `shouldJoin(line i, line i+1)` says so; returns the number of joins.
// A line ending with a line-comment token never has anything appended, so
// that a comment cannot swallow code, and a line command is never appended.
template <typename Rule>
std::size_t JoinPass(FormatRunState &run, std::vector<std::string> &lines, const Rule &shouldJoin,
                     ScanStop stop = ScanStop::AtEmptyLine) {
    // Joins only shorten the list, so it is compacted in place: line k is read
    // and written to slot w <= k (nothing moves before the first join).
    const std::size_t n = lines.size();
    std::size_t k = 0, w = 0, joins = 0;
    auto goesOn = [&] {
        return stop == ScanStop::AtEmptyLine ? k < n && !lines[k].empty() : k + 1 < n && !lines[k + 1].empty();
    };
    CancelPacer pacer(run, 4096);
    while (goesOn()) {
        if (k + 1 < n && shouldJoin(lines[k], lines[k + 1]) && !EndsWithLineCommentToken(run, lines[k]) &&
            !BeginsWithLineCommandToken(run, lines[k + 1])) {
            if (w != k) lines[w] = std::move(lines[k]);
            lines[w++] += lines[k + 1];
            if (k + 1 == n - 1) lines[w++].clear(); // the last line was removed: it is only emptied
            k += 2;
            ++joins;
        } else {
            if (w != k) lines[w] = std::move(lines[k]);
            ++w;
            ++k;
        }
        pacer.Tick();
    }
    if (w != k) { // the lines after the scan's end move up
        for (; k < n; ++k) lines[w++] = std::move(lines[k]);
        lines.resize(w);
    }
    run.Progress(static_cast<std::int64_t>(lines.size()), static_cast<std::int64_t>(lines.size()));
    run.CancelCheck();
    return joins;
}

// True when the line begins with markerOpen followed by `letter`.
bool BeginsWithToken(const FormatRunState &run, std::string_view line, char letter);

} // namespace kelvra
