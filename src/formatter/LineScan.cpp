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
    std::vector<std::string> out;
    out.reserve(lines.size());
    const std::size_t n = lines.size();
    std::size_t k = 0, joins = 0;
    CancelPacer pacer(run, 4096);
    auto goesOn = [&] {
        return stop == ScanStop::AtEmptyLine ? k < n && !lines[k].empty() : k + 1 < n && !lines[k + 1].empty();
    };
    while (goesOn()) {
        std::string line = std::move(lines[k]);
        const bool hasNext = k + 1 < n;
        if (hasNext && !EndsWithLineCommentToken(run, line) && shouldJoin(line, lines[k + 1])) {
            line += lines[k + 1];
            out.push_back(std::move(line));
            if (k + 1 == n - 1) out.emplace_back(); // the last line was removed: it is only emptied
            k += 2;
            ++joins;
        } else {
            out.push_back(std::move(line));
            k += 1;
        }
        pacer.Tick();
    }
    for (; k < n; ++k) out.push_back(std::move(lines[k]));
    lines = std::move(out);
    run.Progress(static_cast<std::int64_t>(lines.size()), static_cast<std::int64_t>(lines.size()));
    run.CancelCheck();
    return joins;
}

} // namespace kelvra
