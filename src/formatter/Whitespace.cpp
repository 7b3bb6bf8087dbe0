#include "formatter/Whitespace.h"

#include "formatter/TextUtil.h"
#include "formatter/TokenEdges.h"

#include <algorithm>

namespace kelvra {
namespace {

// Rebuilds run.work through `step`, which appends the output for the byte at i
// and returns the next index. Checks for cancel every few kilobytes.
template <typename Step> void Rebuild(FormatRunState &run, std::size_t extra, Step step) {
    const std::string &in = run.work;
    std::string out = run.TakeSpare(in.size() + extra);
    const auto length = static_cast<std::int64_t>(in.size());
    run.Progress(0, length);
    constexpr std::size_t kChunk = 1 << 16;
    std::size_t nextCheck = kChunk;
    for (std::size_t i = 0; i < in.size();) {
        i = step(in, i, out);
        if (i >= nextCheck) {
            nextCheck = i + kChunk;
            run.Progress(static_cast<std::int64_t>(i), length);
            run.CancelCheck();
        }
    }
    run.ReplaceWork(std::move(out));
    run.CancelCheck();
}

bool IsSeparator(char c) { return c == '(' || c == ')' || c == ',' || c == ';'; }

} // namespace

void StageRemoveLineBreaks(FormatRunState &run) {
    const bool separate = run.options.LfSp;
    const bool keepApart = !separate && run.options.KeepMeaning;
    Rebuild(run, 0, [&](const std::string &in, std::size_t i, std::string &out) {
        if (in[i] != '\r') {
            out += in[i];
            return i + 1;
        }
        // The CR goes with its LF; a lone CR must not take a real character with it.
        const std::size_t next = i + 1 < in.size() && in[i + 1] == '\n' ? i + 2 : i + 1;
        if (separate || (keepApart && JoiningWouldFuse(run, out, std::string_view(in).substr(next)))) out += ' ';
        return next;
    });
}

void StageTabsCaseAndLineEnds(FormatRunState &run) {
    // Where meaning is kept only ASCII letters change case: servers fold no other letters.
    const bool asciiOnly = run.options.KeepMeaning;
    std::string &work = run.work;
    constexpr std::size_t kChunk = 1 << 16;
    for (std::size_t i = 0; i < work.size();) {
        const std::size_t end = std::min(work.size(), i + kChunk);
        std::replace(work.begin() + static_cast<std::ptrdiff_t>(i), work.begin() + static_cast<std::ptrdiff_t>(end),
                     '\t', ' ');
        i = asciiOnly ? UpperCaseAsciiInPlace(work, i, end) : UpperCaseInPlace(work, i, end);
        run.CancelCheck();
    }
    std::string out = run.TakeSpare(work.size() + work.size() / 32);
    for (std::size_t i = 0; i < work.size(); i += kChunk) {
        // A CR at the end of one piece and its LF at the start of the next are one line break.
        const std::size_t end = std::min(work.size(), i + kChunk);
        AppendWithCrLf(std::string_view(work).substr(i, end - i), out, i > 0 && work[i - 1] == '\r');
        run.CancelCheck();
    }
    run.ReplaceWork(std::move(out));
    run.CancelCheck();
}

void StageBlanksAroundSeparators(FormatRunState &run) {
    Rebuild(run, run.work.size() / 4, [](const std::string &in, std::size_t i, std::string &out) {
        if (IsSeparator(in[i])) {
            out += ' ';
            out += in[i];
            out += ' ';
        } else {
            out += in[i];
        }
        return i + 1;
    });
}

void StageMergeBlankRuns(FormatRunState &run) {
    Rebuild(run, 0, [](const std::string &in, std::size_t i, std::string &out) {
        if (in[i] == ' ' && !out.empty() && out.back() == ' ' && i > 0 && in[i - 1] == ' ') return i + 1;
        out += in[i];
        return i + 1;
    });
}

void StageBreakBeforeClosingParen(FormatRunState &run) {
    Rebuild(run, run.work.size() / 8, [](const std::string &in, std::size_t i, std::string &out) {
        if (in[i] == ')') out += kCrLf;
        out += in[i];
        return i + 1;
    });
}

} // namespace kelvra
