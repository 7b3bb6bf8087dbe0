// Stages 17 and 18: every call of a checked function name is put on one line,
// from the first letter of the name to its matching ")".
#include "formatter/LayoutStages.h"

#include "formatter/PatternSet.h"
#include "formatter/Protection.h"
#include "formatter/TextUtil.h"

#include <algorithm>
#include <cstring>

namespace kelvra {
namespace {

// The call's text without its line breaks, except one that directly follows a
// line-comment token: that break ends the comment and must stay.
std::string CompactCall(const FormatRunState &run, std::string_view call) {
    if (!run.NormalMode()) return funDelCRLF(call);
    std::string out;
    out.reserve(call.size());
    const std::string lineCommentOpen = run.markerOpen + "C";
    std::size_t s = 0;
    for (std::size_t p = call.find(lineCommentOpen); p != std::string_view::npos;
         p = call.find(lineCommentOpen, s)) {
        std::size_t close = call.find(run.markerClose, p);
        if (close == std::string_view::npos) break;
        std::size_t end = close + run.markerClose.size();
        out += funDelCRLF(call.substr(s, end - s));
        if (call.substr(end, 2) == kCrLf) {
            out += kCrLf;
            end += 2;
        }
        s = end;
    }
    out += funDelCRLF(call.substr(s));
    return out;
}

// Position just after the ")" that closes the first "(" after `from`; npos when
// no call opens there (a ")" comes first, or the parentheses never balance).
// `closeFirst` tells the two apart.
std::size_t MatchingClose(std::string_view text, std::size_t from, bool &closeFirst) {
    closeFirst = false;
    std::size_t pos = from, open = std::string_view::npos, close = std::string_view::npos;
    bool openSearched = false, closeSearched = false;
    long depth = 0;
    bool opened = false;
    while (pos < text.size()) {
        if (!openSearched || (open != std::string_view::npos && open < pos)) {
            open = text.find('(', pos);
            openSearched = true;
        }
        if (!closeSearched || (close != std::string_view::npos && close < pos)) {
            close = text.find(')', pos);
            closeSearched = true;
        }
        if (open == std::string_view::npos && close == std::string_view::npos) return std::string_view::npos;
        if (open != std::string_view::npos && (close == std::string_view::npos || open < close)) {
            pos = open;
            ++depth;
            opened = true;
        } else {
            pos = close;
            --depth;
        }
        if (depth < 0) {
            closeFirst = true;
            return std::string_view::npos;
        }
        ++pos;
        if (opened && depth == 0) return pos;
    }
    return std::string_view::npos;
}

// Compacts every call of one function name. Compaction only shortens the
// text, so it is done in place: text[0, written) is the result so far and
// text[copied, end) is still as it was, with written <= copied.
void CompactCallsOf(FormatRunState &run, std::string &text, const std::string &name) {
    const std::string pattern = name + " ";
    std::size_t written = 0, copied = 0;
    bool changed = false;
    CancelPacer pacer(run, 256);
    std::size_t from = text.find(pattern);
    while (from != std::string::npos) {
        // A compacted call ends with its unchanged ")", so the character before
        // the name reads the same in the old and the new text.
        const char before = from == 0 ? '\0' : text[from - 1];
        if (from != 0 && before != ' ' && before != '\n') {
            from = text.find(pattern, from + pattern.size());
            continue;
        }
        bool closeFirst = false;
        const std::size_t end = MatchingClose(text, from, closeFirst);
        if (end == std::string::npos) {
            if (!closeFirst) break; // no call opens after the name: the search for it ends
            from = text.find(pattern, from + 1);
            continue;
        }
        std::string_view call(text.data() + from, end - from);
        if (call.find('\r') != std::string_view::npos) {
            const std::string compacted = CompactCall(run, call);
            std::memmove(text.data() + written, text.data() + copied, from - copied); // the part before moves down
            written += from - copied;
            std::memcpy(text.data() + written, compacted.data(), compacted.size());
            written += compacted.size();
            copied = end;
            changed = true;
        }
        from = text.find(pattern, end);
        pacer.Tick();
    }
    if (!changed) return;
    text.erase(std::copy(text.begin() + static_cast<long>(copied), text.end(), text.begin() + static_cast<long>(written)),
               text.end());
}

} // namespace

void StageFunctionScan(FormatRunState &run) { run.CancelCheck(); }

void StageCompactFunctionCalls(FormatRunState &run) {
    const KeywordList list = KeywordList::Kansu;
    // Compaction only removes line breaks, so a name that does not occur in the
    // text without its line breaks cannot occur at any point of the stage.
    std::vector<std::string> patterns;
    std::vector<int> names;
    for (int i = 1; i <= KeywordCatalogue::Count(list); ++i)
        if (run.catalogue.IsChecked(list, i)) {
            names.push_back(i);
            patterns.push_back(KeywordCatalogue::Text(list, i) + " ");
        }
    const PatternSet set(patterns);
    PatternSet::Scan scan(set);
    for (const std::string &line : run.lines) scan.Feed(line);
    const std::vector<bool> &present = scan.Present();
    std::string text = JoinLines(run.lines);
    run.lines.clear();
    const auto n = KeywordCatalogue::Count(list);
    for (std::size_t k = 0; k < names.size(); ++k) {
        const auto length = static_cast<std::int64_t>(text.size());
        run.Progress(length * (names[k] - 1), length * (n - 1));
        if (present[k]) CompactCallsOf(run, text, KeywordCatalogue::Text(list, names[k]));
        run.CancelCheck();
    }
    run.lines = SplitLines(text);
}

} // namespace kelvra
