#include "formatter/Protection.h"

#include "formatter/PatternSet.h"
#include "formatter/ProtectedText.h"
#include "formatter/Readings.h"
#include "formatter/TextUtil.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace kelvra {
namespace {

std::size_t LetterIndex(char letter) {
    switch (letter) {
    case 'K': return 0;
    case 'R': return 1;
    case 'C': return 2;
    case 'T': return 3;
    default: return 4;
    }
}

std::string Token(const FormatRunState &run, char letter, std::size_t index) {
    return run.markerOpen + letter + std::to_string(index) + run.markerClose;
}

[[noreturn]] void ThrowUnmatched(std::string_view message, std::size_t at, std::size_t length) {
    StageFailure f;
    f.message = {"エラー", std::string(message), MessageIcon::Error};
    f.hasHighlight = true;
    f.highlight = {at, length};
    throw f;
}

[[noreturn]] void ThrowRestoreError(std::string_view message) {
    StageFailure f;
    f.message = {"エラー", std::string(message), MessageIcon::Error};
    throw f;
}

} // namespace

const std::vector<MarkerPair> &MarkerPairs() {
    static const std::vector<MarkerPair> pairs = {{"《", "》"}, {"≪", "≫"},   {"〈", "〉"}, {"＜", "＞"}, {"【", "】"},
                                                  {"〔", "〕"}, {"｛", "｝"}, {"［", "］"}, {"『", "』"}, {"「", "」"},
                                                  {"“", "”"},   {"∈", "∋"},   {"⊆", "⊇"},   {"⊂", "⊃"},   {"♂", "♀"}};
    return pairs;
}

constexpr std::size_t kPiece = 1 << 16;

std::optional<MarkerPair> ChooseMarkerPair(std::string_view text, bool simpleMode,
                                           const std::function<void()> &betweenPieces) {
    const auto &pairs = MarkerPairs();
    if (simpleMode) return pairs.front();
    std::vector<std::string> characters;
    for (const auto &p : pairs) {
        characters.emplace_back(p.open);
        characters.emplace_back(p.close);
    }
    // Every marker character is made of bytes above 0x7F, so an ASCII byte
    // ends any partial match: only the runs of other bytes need the search.
    const PatternSet set(characters);
    PatternSet::Scan scan(set);
    auto isAscii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        const std::string_view piece = text.substr(at, kPiece);
        if (isAscii(piece.front())) scan.Feed("\n"); // a run that ended the piece before ends here
        for (auto it = std::find_if_not(piece.begin(), piece.end(), isAscii); it != piece.end();) {
            const auto runEnd = std::find_if(it, piece.end(), isAscii);
            scan.Feed(std::string_view(&*it, static_cast<std::size_t>(runEnd - it)));
            if (runEnd == piece.end()) break;
            scan.Feed("\n");
            it = std::find_if_not(runEnd, piece.end(), isAscii);
        }
        if (betweenPieces) betweenPieces();
    }
    const std::vector<bool> &present = scan.Present();
    for (std::size_t i = 0; i < pairs.size(); ++i)
        if (!present[2 * i] && !present[2 * i + 1]) return pairs[i];
    return std::nullopt;
}

std::string funMiniCode(std::optional<std::size_t> posK, std::optional<std::size_t> posR,
                        std::optional<std::size_t> posC, std::optional<std::size_t> posT) {
    return InRoutine("funMiniCode", [&] {
        // Ties go to the earlier letter of this order.
        const std::pair<char, std::optional<std::size_t>> order[] = {
            {'K', posK}, {'R', posR}, {'T', posT}, {'C', posC}};
        std::string best;
        std::size_t bestPos = 0;
        for (const auto &[letter, pos] : order)
            if (pos && (best.empty() || *pos < bestPos)) {
                best = std::string(1, letter);
                bestPos = *pos;
            }
        return best;
    });
}

std::string funDelCRLF(std::string_view text) {
    return InRoutine("funDelCRLF", [&] {
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                // Only a line feed goes with the CR: a lone CR must not take a real character with it.
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                continue;
            }
            out += text[i];
        }
        return out;
    });
}

std::string BlockCommentOnOneLine(std::string_view text) {
    return InRoutine("funDelCRLF", [&] {
        auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
        std::string out;
        out.reserve(text.size());
        for (std::size_t i = 0; i < text.size();) {
            if (text[i] != '\r') {
                out += text[i++];
                continue;
            }
            // A run of line breaks between two characters that are not blanks becomes one blank.
            while (i < text.size() && text[i] == '\r') i += i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            if (!out.empty() && !isBlank(out.back()) && i < text.size() && !isBlank(text[i])) out += ' ';
        }
        return out;
    });
}

void StageChooseMarkerPair(FormatRunState &run) {
    run.Progress(0, 15);
    std::optional<MarkerPair> pair =
        ChooseMarkerPair(run.revertText, run.options.SimpleMode, [&run] { run.CancelCheck(); });
    if (!pair) {
        StageFailure f;
        f.message = {"警告", "整形に必要な代替文字列が使用されている為\r\n処理を続行できませんでした。",
                     MessageIcon::Warning};
        throw f;
    }
    run.markerOpen = pair->open;
    run.markerClose = pair->close;
    run.Progress(15, 15);
}

namespace {

void SaveLiteralsAndComments(FormatRunState &run) {
    const std::string source = std::move(run.work);
    const std::string_view text = source;
    const bool keepMeaning = run.options.KeepMeaning;
    std::string out;
    out.reserve(text.size());
    run.Progress(0, static_cast<std::int64_t>(text.size()));
    ProtectedTextScanner scanner(text, ReadingsOf(run.options));
    std::size_t s = 0;
    CancelPacer pacer(run, 256);
    while (std::optional<ProtectedPiece> piece = scanner.Next()) {
        const char l = piece->letter;
        const std::string_view segment = text.substr(piece->start, piece->end - piece->start);
        auto &list = run.segments.Of(l);
        if (l != 'T')
            list.emplace_back(segment);
        else
            list.push_back(keepMeaning ? BlockCommentOnOneLine(segment) : funDelCRLF(segment));
        out.append(text.substr(s, piece->start - s));
        out += Token(run, l, list.size() - 1);
        s = piece->end;
        run.Progress(static_cast<std::int64_t>(s), static_cast<std::int64_t>(text.size()));
        pacer.Tick();
    }
    if (const auto &unclosed = scanner.Unclosed())
        ThrowUnmatched("対になる文字列（" + unclosed->closing + "）が見つかりません", unclosed->at, unclosed->length);
    out.append(text.substr(s));
    run.work = std::move(out);
    run.CancelCheck();
}

void RestoreLiteralsAndComments(FormatRunState &run, std::string &text, std::vector<TextSpan> &spans) {
    const std::string &open = run.markerOpen, &close = run.markerClose;
    if (text.find(open) == std::string::npos) { // no token: the text stays as it is
        run.Progress(static_cast<std::int64_t>(text.size()), static_cast<std::int64_t>(text.size()));
        return;
    }
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    std::size_t s = 0, spanIndex = 0;
    std::ptrdiff_t shift = 0; // how far the text after the scan position has moved
    auto moveSpansBefore = [&](std::size_t limit) {
        for (; spanIndex < spans.size() && spans[spanIndex].start < limit; ++spanIndex)
            spans[spanIndex].start =
                static_cast<std::size_t>(static_cast<std::ptrdiff_t>(spans[spanIndex].start) + shift);
    };
    run.Progress(0, static_cast<std::int64_t>(text.size()));
    CancelPacer pacer(run, 1024);
    for (std::size_t p = text.find(open, s); p != std::string::npos; p = text.find(open, s)) {
        pacer.Tick();
        const std::size_t letterAt = p + open.size();
        const char letter = letterAt < text.size() ? text[letterAt] : '\0';
        if (letter != 'K' && letter != 'R' && letter != 'C' && letter != 'T' && letter != 'L') {
            // Not a token: the search for tokens passes over it.
            out.append(text, s, letterAt - s);
            s = letterAt;
            continue;
        }
        const std::size_t q = text.find(close, letterAt + 1);
        if (q == std::string::npos) {
            static const char *const messages[] = {
                "内部処理(proRestKRCT(K))でエラーが発生しました", "内部処理(proRestRCT(R))でエラーが発生しました",
                "内部処理(proRestRCT(C))でエラーが発生しました", "内部処理(proRestRCT(T))でエラーが発生しました",
                "内部処理(proRestRCT(L))でエラーが発生しました"};
            ThrowRestoreError(messages[LetterIndex(letter)]);
        }
        std::string_view digits(text.data() + letterAt + 1, q - letterAt - 1);
        std::size_t index = 0;
        auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
        const auto &list = run.segments.Of(letter);
        if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size() || index >= list.size())
            throw InternalError("proRestKRCT");
        moveSpansBefore(p);
        out.append(text, s, p - s);
        out += list[index];
        const std::size_t tokenEnd = q + close.size();
        shift += static_cast<std::ptrdiff_t>(list[index].size()) - static_cast<std::ptrdiff_t>(tokenEnd - p);
        s = tokenEnd;
    }
    moveSpansBefore(std::string::npos);
    out.append(text, s, std::string::npos);
    text = std::move(out);
    run.Progress(static_cast<std::int64_t>(text.size()), static_cast<std::int64_t>(text.size()));
}

} // namespace

void StageSaveLiteralsAndComments(FormatRunState &run) {
    InRoutine("proSaveKRCT", [&] { SaveLiteralsAndComments(run); });
}

void proRestKRCT(FormatRunState &run, std::string &text, std::vector<TextSpan> &spans) {
    InRoutine("proRestKRCT", [&] { RestoreLiteralsAndComments(run, text, spans); });
}

std::vector<std::string> &ProtectedSegments::Of(char letter) {
    switch (letter) {
    case 'K': return K;
    case 'R': return R;
    case 'C': return C;
    case 'T': return T;
    case 'L': return L;
    }
    throw std::invalid_argument("unknown segment letter");
}

const std::vector<std::string> &ProtectedSegments::Of(char letter) const {
    return const_cast<ProtectedSegments *>(this)->Of(letter);
}

} // namespace kelvra
