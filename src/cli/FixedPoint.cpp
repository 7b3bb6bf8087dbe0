#include "cli/FixedPoint.h"

#include "formatter/ProtectedText.h"

namespace kelvra::cli {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

struct Removed {
    std::size_t start, length;
};

void ShiftSpans(std::vector<TextSpan> &spans, const std::vector<Removed> &removed) {
    std::size_t next = 0, shift = 0;
    for (TextSpan &span : spans) {
        while (next < removed.size() && removed[next].start < span.start) shift += removed[next++].length;
        span.start -= shift;
    }
}

bool IsComment(const ProtectedPiece &piece) { return piece.letter == 'C' || piece.letter == 'T'; }

bool OnlyBlanks(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

bool BeginsWithComma(std::string_view line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first != std::string_view::npos && line[first] == ',';
}

} // namespace

void TrimOuterBlanks(std::string &text) {
    const std::size_t last = text.find_last_not_of(kBlanks);
    if (last == std::string::npos) return text.clear();
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(kBlanks));
}

void DropBlankLinesAfterCommentsBeforeCommas(std::string &text, std::vector<TextSpan> &bold, KeptReadings readings) {
    const std::vector<ProtectedPiece> segments = ProtectedPieces(text, readings);
    const std::string_view all = text;
    std::vector<Removed> removed;
    std::size_t segment = 0;
    // Each line that follows a line ending with a comment.
    for (std::size_t lineBreak = all.find("\r\n"); lineBreak != std::string_view::npos;
         lineBreak = all.find("\r\n", lineBreak + 2)) {
        while (segment < segments.size() && segments[segment].end < lineBreak) ++segment;
        if (segment == segments.size()) break;
        const ProtectedPiece &s = segments[segment];
        if (s.end != lineBreak || !IsComment(s)) continue;
        const std::size_t lineStart = lineBreak + 2, lineEnd = all.find("\r\n", lineStart);
        if (lineEnd == std::string_view::npos) break;
        const std::size_t nextEnd = all.find("\r\n", lineEnd + 2);
        if (OnlyBlanks(all.substr(lineStart, lineEnd - lineStart)) &&
            BeginsWithComma(
                all.substr(lineEnd + 2, nextEnd == std::string_view::npos ? nextEnd : nextEnd - lineEnd - 2)))
            removed.push_back({lineStart, lineEnd + 2 - lineStart});
    }
    if (removed.empty()) return;
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (const Removed &r : removed) {
        out.append(all.substr(from, r.start - from));
        from = r.start + r.length;
    }
    out.append(all.substr(from));
    text = std::move(out);
    ShiftSpans(bold, removed);
}

} // namespace kelvra::cli
