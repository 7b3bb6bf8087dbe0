#include "formatter/LineScan.h"

#include "formatter/TextUtil.h"

namespace kelvra {

void MoveWholeTextToLines(FormatRunState &run) {
    run.ReleaseSpare();
    const std::string_view text = run.work;
    CancelPacer pacer(run, 4096);
    std::size_t breaks = 0;
    for (std::size_t p = text.find(kCrLf); p != std::string_view::npos; p = text.find(kCrLf, p + 2)) {
        ++breaks;
        pacer.Tick();
    }
    std::vector<std::string> lines;
    lines.reserve(breaks + 1);
    std::size_t start = 0;
    for (std::size_t p = text.find(kCrLf); p != std::string_view::npos; p = text.find(kCrLf, start)) {
        lines.emplace_back(text.substr(start, p - start));
        start = p + 2;
        pacer.Tick();
    }
    lines.emplace_back(text.substr(start));
    run.ReleaseWork();
    run.lines = std::move(lines);
    run.form = TextForm::Lines;
    run.CancelCheck();
}

void MoveLinesToWholeText(FormatRunState &run) {
    std::size_t total = 0;
    for (const std::string &line : run.lines) total += line.size() + 2;
    std::string text = run.TakeSpare(total);
    CancelPacer pacer(run, 4096);
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        if (i) text += kCrLf;
        text += run.lines[i];
        std::string().swap(run.lines[i]);
        pacer.Tick();
    }
    std::vector<std::string>().swap(run.lines);
    run.ReplaceWork(std::move(text));
    run.form = TextForm::Whole;
    run.CancelCheck();
}

bool BeginsWithToken(const FormatRunState &run, std::string_view line, char letter) {
    return StartsWith(line, run.markerOpen) && line.size() > run.markerOpen.size() &&
           line[run.markerOpen.size()] == letter;
}

bool EndsWithLineCommentToken(const FormatRunState &run, std::string_view line) {
    if (!run.NormalMode() || !EndsWith(line, run.markerClose)) return false;
    std::size_t open = line.rfind(run.markerOpen);
    if (open == std::string_view::npos) return false;
    const std::string_view token = line.substr(open);
    return BeginsWithToken(run, token, 'C') || BeginsWithToken(run, token, 'L');
}

bool BeginsWithLineCommandToken(const FormatRunState &run, std::string_view line) {
    return run.NormalMode() && BeginsWithToken(run, line, 'L');
}

} // namespace kelvra
