// Stages 13 to 16: line breaks after statement ends and list commas, closing
// parentheses pulled up, stand-alone keywords put on a line of their own.
#include "formatter/LayoutStages.h"

#include "formatter/LineScan.h"
#include "formatter/ReservedWords.h"
#include "formatter/TextUtil.h"

namespace kelvra {
namespace {

// Appends the text up to and including each `separator` plus `keep` more
// characters, then `lineBreak` unless the rest already begins with `already`.
std::string BreakAfterEach(FormatRunState &run, char separator, std::size_t keep, std::string_view lineBreak,
                           std::string_view already) {
    const std::string &in = run.work;
    std::string out = run.TakeSpare(in.size() + in.size() / 8);
    run.Progress(0, static_cast<std::int64_t>(in.size()));
    CancelPacer pacer(run, 4096);
    std::size_t s = 0;
    for (std::size_t p = in.find(separator); p != std::string::npos; p = in.find(separator, s)) {
        std::size_t end = std::min(in.size(), p + 1 + keep);
        out.append(in, s, end - s);
        s = end;
        if (!StartsWith(std::string_view(in).substr(s), already)) out += lineBreak;
        pacer.Tick();
    }
    out.append(in, s, std::string::npos);
    return out;
}

} // namespace

void StageBreakAfterStatements(FormatRunState &run) {
    run.ReplaceWork(BreakAfterEach(run, ';', 0, " \r\n", " \r\n"));
    run.CancelCheck();
}

void StageBreakAfterCommas(FormatRunState &run) {
    run.ReplaceWork(BreakAfterEach(run, ',', 1, kCrLf, kCrLf));
    run.CancelCheck();
}

// Passes repeat until one joins nothing; a run of lines beginning with ")"
// is joined one line per pass. Only a line that took part in a join can join
// again in the next pass (every other pair was looked at already and reads the
// same), so after the first full pass each pass visits just those lines. The
// lines stay in place, chained by `next`, until the end.
void StageJoinClosingParens(FormatRunState &run) {
    std::vector<std::string> &lines = run.lines;
    const std::size_t n = lines.size();
    if (n == 0) return;
    auto joins = [&run](const std::string &line, const std::string &next) {
        return StartsWith(next, ")") && FindEither(line, ' ', '(') != std::string::npos &&
               !EndsWithLineCommentToken(run, line);
    };
    std::vector<std::uint32_t> next(n);
    for (std::size_t i = 0; i < n; ++i) next[i] = static_cast<std::uint32_t>(i + 1);
    std::vector<std::uint8_t> gone(n, 0);
    std::size_t count = n;
    // Joins line i with the line after it; returns the line the scan goes on with.
    auto join = [&](std::size_t i) -> std::size_t {
        const std::size_t j = next[i];
        lines[i] += lines[j];
        if (next[j] == n) { // the last line is only emptied
            lines[j].clear();
            return j;
        }
        std::string().swap(lines[j]);
        gone[j] = 1;
        next[i] = next[j];
        --count;
        return next[i];
    };
    CancelPacer pacer(run, 4096);
    std::vector<std::uint32_t> joined, joinedNext;
    for (std::size_t i = 0; i < n && !lines[i].empty();) {
        if (next[i] < n && joins(lines[i], lines[next[i]])) {
            joined.push_back(static_cast<std::uint32_t>(i));
            i = join(i);
        } else {
            i = next[i];
        }
        pacer.Tick();
    }
    run.Progress(static_cast<std::int64_t>(count), static_cast<std::int64_t>(count));
    run.CancelCheck();
    while (!joined.empty()) {
        joinedNext.clear();
        for (std::uint32_t i : joined) {
            if (gone[i] || lines[i].empty()) continue; // taken in by the line before it in this pass
            if (next[i] < n && joins(lines[i], lines[next[i]])) {
                joinedNext.push_back(i);
                join(i);
            }
            pacer.Tick();
        }
        joined.swap(joinedNext);
        run.Progress(static_cast<std::int64_t>(count), static_cast<std::int64_t>(count));
        run.CancelCheck();
    }
    if (count == n) return;
    std::vector<std::string> out;
    out.reserve(count);
    for (std::size_t i = 0; i < n; i = next[i]) {
        out.push_back(std::move(lines[i]));
        pacer.Tick();
    }
    lines = std::move(out);
}

void StageSplitStandAloneKeywords(FormatRunState &run) {
    // Keywords hold no blank (phrases are joined), so the one keyword that a
    // line can begin with, followed by a blank, is the line's first word.
    const auto tables = run.Tables();
    const std::vector<std::string> &keywords = tables->standAloneWithBlank; // in list order
    const KeywordLookup<std::size_t> &indexOf = tables->tandokuIndex;
    if (keywords.empty()) return;

    // The pieces a line splits into: each piece but the last is a keyword
    // and its blank, the rest is scanned next, by the same keyword and the
    // later ones.
    auto forEachPiece = [&](std::string_view line, const auto &piece) {
        std::size_t entry = 0;
        for (;;) {
            const std::size_t blank = line.find(' ');
            if (blank == std::string_view::npos || blank + 1 >= line.size()) break;
            const std::size_t *found = indexOf.Find(line.substr(0, blank));
            if (!found || *found < entry) break;
            entry = *found;
            piece(line.substr(0, blank + 1));
            line.remove_prefix(blank + 1);
        }
        piece(line);
    };
    std::size_t scanned = 0, pieces = 0;
    CancelPacer pacer(run, 4096);
    while (scanned < run.lines.size() && !run.lines[scanned].empty()) {
        forEachPiece(run.lines[scanned++], [&pieces](std::string_view) { ++pieces; });
        pacer.Tick();
    }
    if (pieces == scanned) return; // nothing splits

    std::vector<std::string> out;
    out.reserve(pieces + run.lines.size() - scanned); // exactly: the lines are many
    for (std::size_t k = 0; k < scanned; ++k) {
        std::string &line = run.lines[k];
        bool split = false;
        forEachPiece(line, [&](std::string_view piece) {
            split = split || piece.size() != line.size();
            if (split) out.emplace_back(piece);
        });
        if (!split)
            out.push_back(std::move(line));
        else
            std::string().swap(line);
        pacer.Tick();
    }
    for (std::size_t k = scanned; k < run.lines.size(); ++k) out.push_back(std::move(run.lines[k]));
    run.lines = std::move(out);
    run.CancelCheck();
}

} // namespace kelvra
