// Stages 22 and 23: indentation by parenthesis depth, reserved words back in
// their catalogue spelling and emphasised.
#include "formatter/LayoutStages.h"

#include "formatter/LineScan.h"
#include "formatter/ReservedWords.h"
#include "formatter/TextUtil.h"

#include <algorithm>
#include <cstring>

namespace kelvra {
namespace {

// The line begins with a word of `words` followed by a blank. Keywords hold no
// blank, so the word is exactly what stands before the first blank.
template <typename Value> bool BeginsWithWordOf(const KeywordLookup<Value> &words, std::string_view line) {
    const std::size_t blank = line.find(' ');
    return blank != std::string_view::npos && words.Find(line.substr(0, blank));
}

// The line's "(" less its ")", in one pass without branches, which vectorises.
long ParenBalance(std::string_view line) {
    long balance = 0;
    for (const char c : line) balance += static_cast<long>(c == '(') - static_cast<long>(c == ')');
    return balance;
}

bool IsBlankOrEmpty(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

} // namespace

void StageIndent(FormatRunState &run) {
    const auto tables = run.Tables();
    const auto &standAlone = tables->tandokuIndex;

    auto &lines = run.lines;
    const auto n = static_cast<std::int64_t>(lines.size());
    long depth = 0;
    CancelPacer pacer(run, 4096);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string &line = lines[i];
        const long saved = depth;
        const long lead = BeginsWithWordOf(standAlone, line) ? 0 : run.indentWidth;
        if (run.NormalMode() && (BeginsWithToken(run, line, 'C') || BeginsWithToken(run, line, 'L')))
            continue; // a line comment or line command stays put
        depth += ParenBalance(line);
        const long indent = saved * run.indentWidth + lead;
        if (indent > 0) line.insert(0, static_cast<std::size_t>(indent), ' ');
        if (i % 4096 == 0) run.Progress(static_cast<std::int64_t>(i), n);
        pacer.Tick();
    }
    if (!lines.empty() && IsBlankOrEmpty(lines.front())) {
        if (lines.size() == 1)
            lines.front().clear();
        else
            lines.erase(lines.begin());
    }
    run.CancelCheck();
}

// Each checked reserved word stands in the text as a whole word (a blank, a
// line feed or the start of the text before it, a blank after it) in its
// joined form. One pass over the words gives each its catalogue spelling and
// its bold span; a phrase's own words, which the later entries of the list
// would find once its blanks are back, lie inside the phrase's span already.
// A spelling is never longer than the joined form (a joiner is one to three
// characters in place of one blank), so the text is rewritten in place.
void StageReservedWordForm(FormatRunState &run) {
    const auto tables = run.Tables();
    const KeywordLookup<std::string> &spellingOf = tables->spellingOf;
    std::string &text = run.work;
    run.boldSpans.clear();
    run.Progress(0, static_cast<std::int64_t>(text.size()));
    CancelPacer pacer(run, 4096);
    // Bytes that stay as they are, [kept, read), move up to `written` in one
    // go before the next spelling (written <= kept <= read).
    std::size_t read = 0, written = 0, kept = 0;
    auto moveKept = [&] {
        if (written != kept) std::memmove(text.data() + written, text.data() + kept, read - kept);
        written += read - kept;
    };
    while (read < text.size()) {
        if (text[read] == ' ') { // empty words: a run of blanks (an indentation) passes as it is
            read = std::min(text.find_first_not_of(' ', read), text.size());
            pacer.Tick();
            continue;
        }
        const std::size_t end = FindEither(text, ' ', '\n', read);
        if (end == std::string::npos) { // a word at the very end has no blank after it
            read = text.size();
            break;
        }
        const std::string *spelling =
            text[end] == ' ' ? spellingOf.Find(std::string_view(text).substr(read, end - read)) : nullptr;
        if (spelling) {
            moveKept();
            if (run.options.Bold) run.boldSpans.push_back({written, spelling->size()});
            std::memcpy(text.data() + written, spelling->data(), spelling->size());
            written += spelling->size();
            text[written++] = ' ';
            kept = end + 1;
        }
        read = end + 1;
        pacer.Tick();
    }
    moveKept();
    text.resize(written);
    run.CancelCheck();
}

} // namespace kelvra
