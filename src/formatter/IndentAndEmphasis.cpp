// Stages 22 and 23: indentation by parenthesis depth, reserved words back in
// their catalogue spelling and emphasised.
#include "formatter/LayoutStages.h"

#include "formatter/LineScan.h"
#include "formatter/ReservedWords.h"
#include "formatter/TextUtil.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace kelvra {
namespace {

using WordSet = std::unordered_set<std::string, StringViewHash, std::equal_to<>>;
using WordMap = StringMap<std::string>;

// The line begins with a word of `words` followed by a blank. Keywords hold no
// blank, so the word is exactly what stands before the first blank.
bool BeginsWithWordOf(const WordSet &words, std::string_view line) {
    const std::size_t blank = line.find(' ');
    return blank != std::string_view::npos && words.find(line.substr(0, blank)) != words.end();
}

bool IsBlankOrEmpty(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

} // namespace

void StageIndent(FormatRunState &run) {
    WordSet standAlone;
    const KeywordList list = KeywordList::Tandoku;
    for (int i = 1; i <= KeywordCatalogue::Count(list); ++i)
        if (run.catalogue.IsChecked(list, i)) standAlone.insert(funKeyConv(KeywordCatalogue::Text(list, i), run.wordJoiner));

    auto &lines = run.lines;
    const auto n = static_cast<std::int64_t>(lines.size());
    long depth = 0;
    CancelPacer pacer(run, 4096);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string &line = lines[i];
        const long saved = depth;
        const long lead = BeginsWithWordOf(standAlone, line) ? 0 : run.indentWidth;
        if (run.NormalMode() && BeginsWithToken(run, line, 'C')) continue; // a line comment stays put
        depth += std::count(line.begin(), line.end(), '(') - std::count(line.begin(), line.end(), ')');
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
void StageReservedWordForm(FormatRunState &run) {
    WordMap spellingOf;
    const KeywordList list = KeywordList::Yoyaku;
    for (int i = 1; i <= KeywordCatalogue::Count(list); ++i)
        if (run.catalogue.IsChecked(list, i)) {
            const std::string &entry = KeywordCatalogue::Text(list, i);
            spellingOf.emplace(funKeyConv(entry, run.wordJoiner), entry);
        }
    const std::string in = JoinLines(run.lines);
    run.lines.clear();
    std::string out;
    out.reserve(in.size());
    run.boldSpans.clear();
    run.Progress(0, static_cast<std::int64_t>(in.size()));
    CancelPacer pacer(run, 4096);
    std::size_t i = 0;
    while (i < in.size()) {
        const std::size_t end = in.find_first_of(" \n", i);
        if (end == std::string::npos) {
            out.append(in, i, std::string::npos); // a word at the very end has no blank after it
            break;
        }
        std::string_view word(in.data() + i, end - i);
        auto it = in[end] == ' ' && !word.empty() ? spellingOf.find(word) : spellingOf.end();
        if (it != spellingOf.end()) {
            if (run.options.Bold) run.boldSpans.push_back({out.size(), it->second.size()});
            out += it->second;
        } else {
            out += word;
        }
        out += in[end];
        i = end + 1;
        pacer.Tick();
    }
    run.work = std::move(out);
    run.CancelCheck();
}

} // namespace kelvra
