#include "formatter/ReservedWords.h"

#include "formatter/KeywordTables.h"
#include "formatter/PatternSet.h"
#include "formatter/TextUtil.h"

#include <algorithm>
#include <array>
#include <functional>
#include <unordered_map>
#include <vector>

namespace kelvra {
namespace {

constexpr std::array<char, 10> kJoinerCandidates = {'~', '^', '`', '|', '\\', '%', '$', '@', '!', '?'};

// Longest run of each candidate character in the text. The candidates are
// rare: the other bytes are passed over with one lookup each.
std::array<std::size_t, 10> LongestRuns(std::string_view text, const std::function<void()> &betweenPieces) {
    std::array<bool, 256> candidate{};
    for (char c : kJoinerCandidates) candidate[static_cast<unsigned char>(c)] = true;
    std::array<std::size_t, 256> longest{};
    constexpr std::size_t kPiece = 1 << 16;
    std::size_t pause = kPiece;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t limit = std::min(text.size(), pause);
        while (i < limit && !candidate[static_cast<unsigned char>(text[i])]) ++i;
        if (i < limit) {
            const std::size_t start = i;
            while (++i < text.size() && text[i] == text[start]) {
            }
            std::size_t &most = longest[static_cast<unsigned char>(text[start])];
            most = std::max(most, i - start);
        }
        for (; i >= pause; pause += kPiece)
            if (betweenPieces) betweenPieces();
    }
    std::array<std::size_t, 10> result{};
    for (std::size_t k = 0; k < kJoinerCandidates.size(); ++k)
        result[k] = longest[static_cast<unsigned char>(kJoinerCandidates[k])];
    return result;
}

} // namespace

std::optional<std::string> ChooseWordJoiner(std::string_view text, const std::function<void()> &betweenPieces) {
    const auto runs = LongestRuns(text, betweenPieces);
    for (std::size_t copies = 1; copies <= 3; ++copies)
        for (std::size_t k = 0; k < kJoinerCandidates.size(); ++k)
            if (runs[k] < copies) return std::string(copies, kJoinerCandidates[k]);
    return std::nullopt;
}

std::string funKeyConv(std::string_view entry, std::string_view joiner) {
    return InRoutine("funKeyConv", [&] {
        std::string out;
        out.reserve(entry.size() + 8);
        for (char c : entry) {
            if (c == ' ')
                out += joiner;
            else
                out += c;
        }
        return out;
    });
}

void StageChooseWordJoiner(FormatRunState &run) {
    run.Progress(0, 30);
    std::optional<std::string> joiner = ChooseWordJoiner(run.revertText, [&run] { run.CancelCheck(); });
    if (!joiner) {
        StageFailure f;
        f.message = {"警告", "整形に必要な代替文字が使用されている為\r\n処理を続行できませんでした。",
                     MessageIcon::Warning};
        throw f;
    }
    run.wordJoiner = *joiner;
    run.Progress(30, 30);
}

namespace {

void ReportPhraseProgress(FormatRunState &run, int position) {
    const auto length = static_cast<std::int64_t>(run.work.size());
    run.Progress(length * (position - 1), length * (KeywordCatalogue::Count(KeywordList::Yoyaku) - 1));
}

// With a one-character joiner a join changes no length, so every phrase's
// occurrences can be found in one pass first. Joining only ever removes
// occurrences, so a phrase's occurrences in the text as it stands when its
// turn comes are those of the first pass that still read the same; a match
// consumes its trailing blank, so an occurrence sharing it is passed over.
void JoinPhrasesInPlace(FormatRunState &run, const CheckedPhrases &phrases, const PatternSet &set) {
    std::string &work = run.work; // read as if it began with one more blank
    std::vector<std::vector<std::size_t>> starts(phrases.patterns.size());
    PatternSet::MatchScan scan(set);
    auto found = [&](std::size_t p, std::size_t end) { starts[p].push_back(end - phrases.patterns[p].size()); };
    scan.Feed(" ", found);
    constexpr std::size_t kPiece = 1 << 16;
    for (std::size_t at = 0; at < work.size(); at += kPiece) {
        scan.Feed(std::string_view(work).substr(at, kPiece), found);
        run.CancelCheck();
    }
    CancelPacer pacer(run, 4096);
    auto charAt = [&work](std::size_t v) { return v == 0 ? ' ' : work[v - 1]; };
    const char joiner = run.wordJoiner[0];
    for (std::size_t c = 0; c < phrases.patterns.size(); ++c) {
        ReportPhraseProgress(run, phrases.positions[c]);
        const std::string &pattern = phrases.patterns[c];
        std::size_t consumedTo = 0;
        for (std::size_t p : starts[c]) {
            if (p < consumedTo) continue;
            bool stillThere = true;
            for (std::size_t k = 0; k < pattern.size() && stillThere; ++k) stillThere = charAt(p + k) == pattern[k];
            if (!stillThere) continue;
            for (std::size_t k = 1; k + 1 < pattern.size(); ++k)
                if (pattern[k] == ' ') work[p + k - 1] = joiner;
            consumedTo = p + pattern.size();
            pacer.Tick();
        }
        run.CancelCheck();
    }
}

// A longer joiner changes lengths: one search pass per phrase, rebuilding the text.
void JoinPhrasesBySearch(FormatRunState &run, const CheckedPhrases &phrases, const PatternSet &set) {
    run.work.insert(run.work.begin(), ' ');
    const std::vector<bool> present = set.Present(run.work);
    for (std::size_t c = 0; c < phrases.patterns.size(); ++c) {
        ReportPhraseProgress(run, phrases.positions[c]);
        if (!present[c]) continue;
        const std::string &pattern = phrases.patterns[c];
        const std::string &joined = phrases.joined[c];
        std::string out;
        out.reserve(run.work.size() + run.work.size() / 8);
        // Every pattern starts with a blank, the commonest byte of the text: a
        // plain find stops at each one; this search skips ahead by the pattern.
        const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());
        const auto begin = run.work.cbegin(), end = run.work.cend();
        std::size_t s = 0;
        CancelPacer pacer(run, 4096);
        for (auto at = std::search(begin, end, searcher); at != end; at = std::search(begin + s, end, searcher)) {
            pacer.Tick();
            const auto p = static_cast<std::size_t>(at - begin);
            out.append(run.work, s, p - s);
            out += joined;
            s = p + pattern.size(); // the blank after the match is consumed
        }
        out.append(run.work, s, std::string::npos);
        run.work = std::move(out);
        run.CancelCheck();
    }
    run.work.erase(run.work.begin());
}

} // namespace

void StageJoinReservedPhrases(FormatRunState &run) {
    const auto tables = run.Tables();
    if (run.wordJoiner.size() == 1)
        JoinPhrasesInPlace(run, tables->phrases, tables->phraseSet);
    else
        JoinPhrasesBySearch(run, tables->phrases, tables->phraseSet);
}

// A reserved word gets a line break before it where it stands between two
// blanks. The entries do not disturb each other (each break only goes in
// between a blank and a word), so one pass over the blank-separated words
// gives what one search pass per entry would; the only interaction is that a
// match consumes the blank after it, so a word directly after a match of the
// same entry is not matched.
void StageBreakBeforeReservedWords(FormatRunState &run) {
    const auto tables = run.Tables();
    const KeywordLookup<int> &entryOf = tables->breakBefore;
    const std::string &in = run.work;
    std::string out = run.TakeSpare(in.size() + in.size() / 8);
    run.Progress(0, static_cast<std::int64_t>(in.size()));
    CancelPacer pacer(run, 4096);
    std::size_t blank = in.find(' ');
    out.append(in, 0, blank == std::string::npos ? in.size() : blank);
    int previousMatch = 0; // entry matched by the word just before, sharing its blank
    while (blank != std::string::npos) {
        const std::size_t wordStart = blank + 1;
        const std::size_t nextBlank = in.find(' ', wordStart);
        out += ' ';
        if (nextBlank == std::string::npos) {
            out.append(in, wordStart, std::string::npos);
            break;
        }
        std::string_view word(in.data() + wordStart, nextBlank - wordStart);
        int match = 0;
        if (const int *found = entryOf.Find(word); found && *found != previousMatch) match = *found;
        if (match) out += kCrLf;
        out += word;
        previousMatch = match;
        blank = nextBlank;
        pacer.Tick();
    }
    run.ReplaceWork(std::move(out));
    run.CancelCheck();
}

} // namespace kelvra
