// Stages 19 to 21: lines joined after comparison signs and after the
// no-break-after keywords, leading commas, block comments joined up.
#include "formatter/LayoutStages.h"

#include "formatter/LineScan.h"
#include "formatter/TextUtil.h"

namespace kelvra {
namespace {

// The next-to-last character of the line, counted in Shift-JIS bytes, is
// "<", "=" or ">". A double-byte last character has its own lead byte there.
bool EndsWithComparisonSign(std::string_view line) {
    if (line.empty()) return false;
    const std::size_t last = PreviousCharStart(line, line.size());
    if (SjisCharLength(line.substr(last)) != 1 || last == 0) return false;
    const char c = line[last - 1];
    return c == '<' || c == '=' || c == '>';
}

} // namespace

void StageJoinComparisons(FormatRunState &run) {
    JoinPass(run, run.lines, [](const std::string &line, const std::string &) {
        return EndsWithComparisonSign(line) && SjisLength(line) >= 2;
    });
}

void StageJoinNoBreakAfter(FormatRunState &run) {
    const KeywordList list = KeywordList::UsiroNo;
    for (int i = 1; i <= KeywordCatalogue::Count(list); ++i) {
        if (!run.catalogue.IsChecked(list, i)) continue;
        const std::string &kw = KeywordCatalogue::Text(list, i);
        JoinPass(run, run.lines, [&kw](const std::string &line, const std::string &) {
            // One more character after the keyword: at most four more bytes.
            return line.size() <= kw.size() + 4 && StartsWith(line, kw) && SjisLength(line) == kw.size() + 1;
        });
    }
}

void StageLeadingCommas(FormatRunState &run) {
    auto &lines = run.lines;
    CancelPacer pacer(run, 4096);
    for (std::size_t i = 0; i < lines.size() && !lines[i].empty(); ++i) {
        if (EndsWith(lines[i], ", ")) {
            for (std::size_t j = i + 1; j < lines.size() && !lines[j].empty(); ++j) {
                pacer.Tick();
                if (BeginsWithToken(run, lines[j], 'C') || BeginsWithToken(run, lines[j], 'T') ||
                    BeginsWithToken(run, lines[j], 'L'))
                    continue;
                lines[j].insert(0, ", ");
                lines[i].resize(lines[i].size() - 2);
                break;
            }
        }
        pacer.Tick();
    }
    run.CancelCheck();
}

void StageJoinBlockComments(FormatRunState &run) {
    // This scan goes on as long as line i+1 is not empty, so an empty first
    // line can still take a block comment.
    JoinPass(
        run, run.lines,
        [&run](const std::string &, const std::string &next) { return BeginsWithToken(run, next, 'T'); },
        ScanStop::AtEmptyNextLine);
}

} // namespace kelvra
