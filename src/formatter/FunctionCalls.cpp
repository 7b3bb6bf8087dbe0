// Stages 17 and 18: every call of a checked function name is put on one line,
// from the first letter of the name to its matching ")".
//
// Compaction only ever removes line breaks between the lines, never anything
// else, so the stage reads the lines as they stood at its start, as one text
// with CR LF between them, and records which line breaks have gone.
// Positions then stay valid for the whole stage: each "(" keeps its matching
// ")" (found once, up front), and the occurrences of every name are found in
// one pass over the words. Only a name that begins a word can be a call (a
// blank, a line break or the start of the text before it), and removing a
// line break changes the character before a name only at the start of a line.
//
// A removed break can also join two pieces of a name ("NV" CR LF "L "), which
// a search of the changed text would find. Such a name lies inside a call
// compacted before, and so does everything up to its own matching ")": that
// call has no break left to remove, and passing over it changes nothing.
#include "formatter/LayoutStages.h"

#include "formatter/LineScan.h"
#include "formatter/TextUtil.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace kelvra {
namespace {

constexpr std::uint32_t kNoMatch = std::numeric_limits<std::uint32_t>::max();

// The lines read as one text with CR LF between them (positions count in
// that text), the line breaks removed so far, and every parenthesis with its
// partner.
class CallText {
public:
    CallText(FormatRunState &run, const std::vector<std::string> &lines) : lines_(lines) {
        if (lines.empty()) return;
        lineStart_.reserve(lines.size());
        std::size_t total = 0;
        for (const std::string &line : lines) total += line.size() + 2;
        length_ = total - 2;
        if (length_ > kNoMatch) throw std::length_error("text too long for call compaction");
        total = 0;
        for (const std::string &line : lines) {
            lineStart_.push_back(static_cast<std::uint32_t>(total));
            total += line.size() + 2;
        }
        removed_.assign(lines.size() - 1, 0);
        nextRemovable_.resize(lines.size());
        for (std::size_t b = 0; b < nextRemovable_.size(); ++b) nextRemovable_[b] = static_cast<std::uint32_t>(b);
        // A line break that directly follows a line-comment token ends the comment, and
        // one before a line command starts the command's line: they stay.
        for (std::size_t b = 0; b + 1 < lines.size(); ++b)
            if (EndsWithLineCommentToken(run, lines[b]) || BeginsWithLineCommandToken(run, lines[b + 1]))
                nextRemovable_[b] = static_cast<std::uint32_t>(b + 1);
        MatchParentheses(run);
    }

    std::size_t LiveLength() const { return length_ - 2 * removedCount_; }
    bool Changed() const { return removedCount_ > 0; }

    std::size_t LineStart(std::size_t line) const { return lineStart_[line]; }

    // The character before `pos` in `line` once the removed line breaks are
    // gone; -1 at the start of the text.
    int LiveCharBefore(std::size_t pos, std::size_t line) const {
        while (pos == lineStart_[line] && line > 0 && removed_[line - 1]) {
            --line;
            pos = BreakAt(line);
        }
        if (pos == 0) return -1;
        line = LineOf(pos - 1);
        const std::size_t at = pos - 1 - lineStart_[line];
        if (at < lines_[line].size()) return static_cast<unsigned char>(lines_[line][at]);
        return at == lines_[line].size() ? '\r' : '\n';
    }

    // Just after the ")" that closes the first parenthesis at or after `from`;
    // kNotACall when that one is a ")", kNoEnd when there is none or it never closes.
    static constexpr std::size_t kNotACall = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t kNoEnd = kNotACall - 1;
    std::size_t CallEnd(std::size_t from) const {
        const auto it = std::lower_bound(parenAt_.begin(), parenAt_.end(), from);
        if (it == parenAt_.end()) return kNoEnd;
        const auto k = static_cast<std::size_t>(it - parenAt_.begin());
        if (isClose_[k]) return kNotACall;
        return partner_[k] == kNoMatch ? kNoEnd : parenAt_[partner_[k]] + std::size_t{1};
    }

    // Removes every line break in [from, end) that may go.
    void RemoveBreaks(std::size_t from, std::size_t end, CancelPacer &pacer) {
        for (std::size_t b = NextRemovable(LineOf(from)); b + 1 < lines_.size() && BreakAt(b) < end;
             b = NextRemovable(b + 1)) {
            removed_[b] = 1;
            nextRemovable_[b] = static_cast<std::uint32_t>(b + 1);
            ++removedCount_;
            pacer.Tick();
        }
    }

    // The lines with the removed line breaks gone. Joins only shorten the
    // list, so it is compacted in place.
    void JoinLines(std::vector<std::string> &lines, CancelPacer &pacer) const {
        std::size_t w = 0;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (k > 0 && removed_[k - 1]) {
                lines[w - 1] += lines[k];
                std::string().swap(lines[k]);
            } else {
                if (w != k) lines[w] = std::move(lines[k]);
                ++w;
            }
            pacer.Tick();
        }
        lines.resize(w);
    }

private:
    std::size_t LineOf(std::size_t pos) const {
        return static_cast<std::size_t>(std::upper_bound(lineStart_.begin(), lineStart_.end(), pos) -
                                        lineStart_.begin()) -
               1;
    }
    // Position of the CR of the line break after line `b`.
    std::size_t BreakAt(std::size_t b) const { return lineStart_[b + 1] - 2; }

    // The first line break at or after `b` that is still there and may go (the
    // last index, lines - 1, when none is left).
    std::size_t NextRemovable(std::size_t b) {
        std::size_t root = b;
        while (nextRemovable_[root] != root) root = nextRemovable_[root];
        while (nextRemovable_[b] != b) {
            const std::size_t next = nextRemovable_[b];
            nextRemovable_[b] = static_cast<std::uint32_t>(root);
            b = next;
        }
        return root;
    }

    void MatchParentheses(FormatRunState &run) {
        CancelPacer pacer(run, 4096);
        std::vector<std::uint32_t> open;
        for (std::size_t line = 0; line < lines_.size(); ++line) {
            const std::string &text = lines_[line];
            for (std::size_t at = FindEither(text, '(', ')'); at != std::string::npos;
                 at = FindEither(text, '(', ')', at + 1)) {
                const auto self = static_cast<std::uint32_t>(parenAt_.size());
                parenAt_.push_back(static_cast<std::uint32_t>(lineStart_[line] + at));
                partner_.push_back(kNoMatch);
                isClose_.push_back(text[at] == ')');
                if (text[at] == '(') {
                    open.push_back(self);
                } else if (!open.empty()) {
                    partner_[open.back()] = self;
                    open.pop_back();
                }
            }
            pacer.Tick();
        }
    }

    const std::vector<std::string> &lines_;
    std::size_t length_ = 0;
    std::vector<std::uint32_t> lineStart_;
    std::vector<std::uint8_t> removed_;        // per line break
    std::vector<std::uint32_t> nextRemovable_; // per line break, plus one past the last
    std::size_t removedCount_ = 0;
    std::vector<std::uint32_t> parenAt_, partner_; // every "(" and ")", and the index of its partner
    std::vector<bool> isClose_;
};

struct Occurrence {
    std::uint32_t at, line;
};

// Each name's occurrences at the start of a word with a blank after it, in
// the order of the text.
std::vector<std::vector<Occurrence>> OccurrencesOf(FormatRunState &run, const CallText &text,
                                                   const KeywordLookup<std::size_t> &names, std::size_t count) {
    std::vector<std::vector<Occurrence>> found(count);
    CancelPacer pacer(run, 4096);
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        const std::string_view line = run.lines[i];
        for (std::size_t s = 0, blank = line.find(' '); blank != std::string_view::npos;
             s = blank + 1, blank = line.find(' ', s))
            if (const std::size_t *k = names.Find(line.substr(s, blank - s)))
                found[*k].push_back({static_cast<std::uint32_t>(text.LineStart(i) + s), static_cast<std::uint32_t>(i)});
        pacer.Tick();
    }
    return found;
}

} // namespace

void StageFunctionScan(FormatRunState &run) { run.CancelCheck(); }

void StageCompactFunctionCalls(FormatRunState &run) {
    const KeywordList list = KeywordList::Kansu;
    const auto tables = run.Tables();
    const std::vector<int> &entries = tables->functionPositions; // catalogue positions of the checked names
    const KeywordLookup<std::size_t> &names = tables->functionIndex;
    if (entries.empty() || run.lines.empty()) return;
    CallText text(run, run.lines);
    std::vector<std::vector<Occurrence>> occurrences = OccurrencesOf(run, text, names, entries.size());
    CancelPacer pacer(run, 1024);
    const std::int64_t n = KeywordCatalogue::Count(list);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const auto length = static_cast<std::int64_t>(text.LiveLength());
        const std::int64_t done = length * (entries[k] - 1);
        run.Progress(done, length * (n - 1));
        const std::vector<Occurrence> starts = std::move(occurrences[k]);
        // Occurrences of one name never overlap (its only blank is its last
        // character), so "search again from a later position" is "take the
        // next occurrence at or after it".
        for (std::size_t i = 0; i < starts.size();) {
            pacer.Tick();
            const std::size_t from = starts[i].at;
            const int before = text.LiveCharBefore(from, starts[i].line);
            if (before != -1 && before != ' ' && before != '\n') {
                ++i;
                continue;
            }
            run.Progress(static_cast<std::int64_t>(from) + done, length * (n - 1));
            const std::size_t end = text.CallEnd(from);
            if (end == CallText::kNoEnd) break; // no call opens after the name: the search for it ends
            if (end == CallText::kNotACall) {
                ++i;
                continue;
            }
            text.RemoveBreaks(from, end, pacer);
            while (i < starts.size() && starts[i].at < end) ++i; // calls nested in this one go with it
        }
        run.CancelCheck();
    }
    if (text.Changed()) text.JoinLines(run.lines, pacer);
    run.CancelCheck();
}

} // namespace kelvra
