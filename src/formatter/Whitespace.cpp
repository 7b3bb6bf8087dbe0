#include "formatter/Whitespace.h"

#include "formatter/TextUtil.h"
#include "formatter/TokenEdges.h"

#include <algorithm>

namespace kelvra {
namespace {

// Rebuilds run.work through `step`, which appends the output for the bytes from
// i up to the index it returns (at least one byte). Checks for cancel every few
// kilobytes.
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

// The first separator at or after `from`, or the end of the text.
std::size_t FirstSeparator(std::string_view text, std::size_t from) {
    const auto begin = text.begin() + static_cast<std::ptrdiff_t>(from);
    return from + static_cast<std::size_t>(std::find_if(begin, text.end(), IsSeparator) - begin);
}

// The first of two blanks in a row at or after `from`, or npos. Looks at every
// other byte first: where that is no blank, no pair starts at it or before it.
std::size_t FirstDoubleBlank(std::string_view text, std::size_t from) {
    for (std::size_t j = from; j + 1 < text.size();) {
        if (text[j + 1] != ' ')
            j += 2;
        else if (text[j] == ' ')
            return j;
        else
            ++j;
    }
    return std::string_view::npos;
}

// Appends in[i, stop) to `out`, where stop is the first `c` at or after i (or
// the end of `in`), and returns stop: the bytes between the ones a stage
// changes go over in one copy.
std::size_t AppendUpTo(const std::string &in, std::size_t i, char c, std::string &out) {
    const std::size_t stop = std::min(in.find(c, i), in.size());
    out.append(in, i, stop - i);
    return stop;
}

} // namespace

void StageRemoveLineBreaks(FormatRunState &run) {
    const bool separate = run.options.LfSp;
    const bool keepApart = !separate && run.options.KeepMeaning;
    Rebuild(run, 0, [&](const std::string &in, std::size_t i, std::string &out) {
        i = AppendUpTo(in, i, '\r', out);
        if (i == in.size()) return i;
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
        if (asciiOnly) {
            i = TabsToBlanksAndUpperCaseAscii(work, i, end);
        } else {
            std::replace(work.begin() + static_cast<std::ptrdiff_t>(i), work.begin() + static_cast<std::ptrdiff_t>(end),
                         '\t', ' ');
            i = UpperCaseInPlace(work, i, end);
        }
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
        const std::size_t stop = FirstSeparator(in, i);
        out.append(in, i, stop - i);
        if (stop == in.size()) return stop;
        out += ' ';
        out += in[stop];
        out += ' ';
        return stop + 1;
    });
}

void StageMergeBlankRuns(FormatRunState &run) {
    // Each run of blanks keeps its first.
    Rebuild(run, 0, [](const std::string &in, std::size_t i, std::string &out) {
        std::size_t end = std::min(FirstDoubleBlank(in, i), in.size());
        out.append(in, i, std::min(end + 1, in.size()) - i);
        while (end < in.size() && in[end] == ' ') ++end;
        return end;
    });
}

void StageBreakBeforeClosingParen(FormatRunState &run) {
    Rebuild(run, run.work.size() / 8, [](const std::string &in, std::size_t i, std::string &out) {
        i = AppendUpTo(in, i, ')', out);
        if (i == in.size()) return i;
        out += kCrLf;
        out += ')';
        return i + 1;
    });
}

} // namespace kelvra
