#include "formatter/CommentLines.h"

#include "formatter/TextUtil.h"

namespace kelvra {

bool IsCommentTokenAt(const FormatRunState &run, std::string_view text, std::size_t pos) {
    const std::string &open = run.markerOpen;
    if (text.compare(pos, open.size(), open) != 0) return false;
    std::size_t letter = pos + open.size();
    return letter < text.size() && (text[letter] == 'C' || text[letter] == 'T' || text[letter] == 'L');
}

void StageBreakBeforeComments(FormatRunState &run) {
    const std::string &in = run.work;
    // Where line breaks separate words, a run over this result puts a blank
    // where this break goes; one goes there now, so that the result stays as it is.
    const bool blankBefore = run.options.KeepMeaning && run.options.LfSp;
    std::string out = run.TakeSpare(in.size() + in.size() / 16);
    CancelPacer pacer(run);
    std::size_t s = 0;
    for (std::size_t e = in.find(run.markerOpen); e != std::string::npos; e = in.find(run.markerOpen, s)) {
        out.append(in, s, e - s);
        if (IsCommentTokenAt(run, in, e)) {
            if (blankBefore && !out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
            out += kCrLf;
        }
        out += run.markerOpen;
        s = e + run.markerOpen.size();
        pacer.Tick();
    }
    out.append(in, s, std::string::npos);
    run.ReplaceWork(std::move(out));
    run.CancelCheck();
}

void StageBreakAfterComments(FormatRunState &run) {
    const std::string &in = run.work;
    const std::string &open = run.markerOpen, &close = run.markerClose;
    std::string out = run.TakeSpare(in.size() + in.size() / 16);
    CancelPacer pacer(run);
    std::size_t s = 0;
    for (std::size_t h = in.find(open); h != std::string::npos; h = in.find(open, s)) {
        const bool comment = IsCommentTokenAt(run, in, h);
        std::size_t r = in.find(close, h);
        if (r == std::string::npos) break; // no token end: the rest stays as it is
        std::size_t end = r + close.size();
        out.append(in, s, end - s);
        s = end;
        if (comment) {
            std::string_view rest(in.data() + s, in.size() - s);
            if (!StartsWith(rest, kCrLf) && !StartsWith(rest, " \r\n")) out += kCrLf;
            if (StartsWith(rest, " ")) ++s;
        }
        pacer.Tick();
    }
    out.append(in, s, std::string::npos);
    run.ReplaceWork(std::move(out));
    run.CancelCheck();
}

} // namespace kelvra
