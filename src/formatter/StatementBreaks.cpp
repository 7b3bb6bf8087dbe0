// Stages 13 to 16: line breaks after statement ends and list commas, closing
// parentheses pulled up, stand-alone keywords put on a line of their own.
#include "formatter/LayoutStages.h"

#include "formatter/LineScan.h"
#include "formatter/PatternSet.h"
#include "formatter/ReservedWords.h"
#include "formatter/TextUtil.h"

namespace kelvra {
namespace {

// Appends the text up to and including each `separator` plus `keep` more
// characters, then `lineBreak` unless the rest already begins with `already`.
std::string BreakAfterEach(FormatRunState &run, char separator, std::size_t keep, std::string_view lineBreak,
                           std::string_view already) {
    const std::string &in = run.work;
    std::string out;
    out.reserve(in.size() + in.size() / 8);
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
    run.work = BreakAfterEach(run, ';', 0, " \r\n", " \r\n");
    run.CancelCheck();
}

void StageBreakAfterCommas(FormatRunState &run) {
    std::string text = BreakAfterEach(run, ',', 1, kCrLf, kCrLf);
    run.work.clear();
    run.lines = SplitLines(text);
    run.CancelCheck();
}

void StageJoinClosingParens(FormatRunState &run) {
    const JoinRule closingParenFollows = [](const std::string &line, const std::string &next) {
        return line.find_first_of(" (") != std::string::npos && StartsWith(next, ")");
    };
    // A run of lines beginning with ")" is joined one per pass, so passes repeat.
    while (JoinPass(run, run.lines, closingParenFollows) > 0) {
    }
}

void StageSplitStandAloneKeywords(FormatRunState &run) {
    const KeywordList list = KeywordList::Tandoku;
    std::vector<std::string> candidates;
    for (int i = 1; i <= KeywordCatalogue::Count(list); ++i)
        if (run.catalogue.IsChecked(list, i))
            candidates.push_back(funKeyConv(KeywordCatalogue::Text(list, i), run.wordJoiner));
    // A split goes in after a blank, and no keyword holds a blank, so which
    // keywords occur in the text does not change during the stage.
    const PatternSet set(candidates);
    PatternSet::Scan scan(set);
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        if (i) scan.Feed(kCrLf);
        scan.Feed(run.lines[i]);
    }
    const std::vector<bool> &present = scan.Present();
    std::vector<std::string> keywords;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (present[i]) keywords.push_back(candidates[i] + " ");
    if (keywords.empty()) return;

    // Where each line splits: the rest of a split line is scanned next, by the
    // same keyword and the later ones.
    auto forEachPiece = [&keywords](std::string_view line, const auto &piece) {
        std::size_t entry = 0;
        for (;;) {
            while (entry < keywords.size() &&
                   !(StartsWith(line, keywords[entry]) && line.size() > keywords[entry].size()))
                ++entry;
            if (entry == keywords.size()) break;
            piece(line.substr(0, keywords[entry].size()));
            line.remove_prefix(keywords[entry].size());
        }
        piece(line);
    };
    std::size_t scanned = 0, pieces = 0;
    while (scanned < run.lines.size() && !run.lines[scanned].empty())
        forEachPiece(run.lines[scanned++], [&pieces](std::string_view) { ++pieces; });
    if (pieces == scanned) return; // nothing splits

    std::vector<std::string> out;
    out.reserve(pieces + run.lines.size() - scanned); // exactly: the lines are many
    CancelPacer pacer(run, 4096);
    for (std::size_t k = 0; k < scanned; ++k) {
        std::string &line = run.lines[k];
        bool split = false;
        forEachPiece(line, [&](std::string_view piece) {
            split = split || piece.size() != line.size();
            if (split) out.emplace_back(piece);
        });
        if (!split) out.push_back(std::move(line));
        else std::string().swap(line);
        pacer.Tick();
    }
    for (std::size_t k = scanned; k < run.lines.size(); ++k) out.push_back(std::move(run.lines[k]));
    run.lines = std::move(out);
    run.CancelCheck();
}

} // namespace kelvra
