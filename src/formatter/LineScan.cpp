#include "formatter/LineScan.h"

#include "formatter/TextUtil.h"

namespace kelvra {

bool BeginsWithToken(const FormatRunState &run, std::string_view line, char letter) {
    return StartsWith(line, run.markerOpen) && line.size() > run.markerOpen.size() &&
           line[run.markerOpen.size()] == letter;
}

bool EndsWithLineCommentToken(const FormatRunState &run, std::string_view line) {
    if (!run.NormalMode() || !EndsWith(line, run.markerClose)) return false;
    std::size_t open = line.rfind(run.markerOpen);
    return open != std::string_view::npos && BeginsWithToken(run, line.substr(open), 'C');
}

std::size_t JoinPass(FormatRunState &run, std::vector<std::string> &lines, const JoinRule &shouldJoin,
                     ScanStop stop) {
    // Joins only shorten the list, so it is compacted in place: line k is read
    // and written to slot w <= k.
    const std::size_t n = lines.size();
    std::size_t k = 0, w = 0, joins = 0;
    auto goesOn = [&] {
        return stop == ScanStop::AtEmptyLine ? k < n && !lines[k].empty() : k + 1 < n && !lines[k + 1].empty();
    };
    CancelPacer pacer(run, 4096);
    while (goesOn()) {
        std::string line = std::move(lines[k]);
        const bool hasNext = k + 1 < n;
        if (hasNext && !EndsWithLineCommentToken(run, line) && shouldJoin(line, lines[k + 1])) {
            line += lines[k + 1];
            lines[w++] = std::move(line);
            if (k + 1 == n - 1) lines[w++].clear(); // the last line was removed: it is only emptied
            k += 2;
            ++joins;
        } else {
            lines[w++] = std::move(line);
            k += 1;
        }
        pacer.Tick();
    }
    if (w != k) // nothing was joined before the scan stopped: the rest stays in place
        for (; k < n; ++k) lines[w++] = std::move(lines[k]);
    else
        w = n;
    lines.resize(w);
    run.Progress(static_cast<std::int64_t>(lines.size()), static_cast<std::int64_t>(lines.size()));
    run.CancelCheck();
    return joins;
}

} // namespace kelvra
