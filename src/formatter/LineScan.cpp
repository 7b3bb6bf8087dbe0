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

} // namespace kelvra
