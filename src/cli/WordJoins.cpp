#include "cli/WordJoins.h"

#include "cli/SqlSegments.h"

namespace kelvra::cli {
namespace {

bool IsWordByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || u == '_' || (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z');
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

bool WouldJoin(char left, char right) {
    return (IsWordByte(left) && IsWordByte(right)) || (left == '-' && right == '-') || (left == '/' && right == '*');
}

// At most this many bytes of a word are quoted, cut at a character start.
constexpr std::size_t kShownWordBytes = 40;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string WordEndingAt(std::string_view region, std::size_t end) {
    if (!IsWordByte(region[end - 1])) return std::string(1, region[end - 1]);
    std::size_t start = end;
    while (start > 0 && IsWordByte(region[start - 1])) --start;
    if (end - start <= kShownWordBytes) return std::string(region.substr(start, end - start));
    start = end - kShownWordBytes;
    while (start < end && IsContinuationByte(region[start])) ++start;
    return "…" + std::string(region.substr(start, end - start));
}

std::string WordStartingAt(std::string_view region, std::size_t start) {
    if (!IsWordByte(region[start])) return std::string(1, region[start]);
    std::size_t end = start;
    while (end < region.size() && IsWordByte(region[end])) ++end;
    if (end - start <= kShownWordBytes) return std::string(region.substr(start, end - start));
    end = start + kShownWordBytes;
    while (end > start && IsContinuationByte(region[end])) --end;
    return std::string(region.substr(start, end - start)) + "…";
}

// Joins inside one stretch of code, which runs from `offset` in the whole text.
void FindInCode(std::string_view code, std::size_t offset, std::size_t keep, WordJoins &found) {
    for (std::size_t i = 0; i < code.size();) {
        if (!IsLineBreak(code[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < code.size() && IsLineBreak(code[end])) ++end;
        if (i > 0 && end < code.size() && WouldJoin(code[i - 1], code[end])) {
            ++found.count;
            if (found.first.size() < keep)
                found.first.push_back({offset + i, WordEndingAt(code, i), WordStartingAt(code, end)});
        }
        i = end;
    }
}

} // namespace

WordJoins FindWordJoins(std::string_view text, bool simpleMode, std::size_t keep) {
    WordJoins found;
    if (simpleMode) {
        FindInCode(text, 0, keep, found);
        return found;
    }
    const SqlSegments segments = FindLiteralsAndComments(text);
    if (!segments.complete) return found; // the format run refuses such a text anyway
    std::size_t codeStart = 0;
    for (const SqlSegment &segment : segments.protectedRanges) {
        FindInCode(text.substr(codeStart, segment.start - codeStart), codeStart, keep, found);
        codeStart = segment.end;
    }
    FindInCode(text.substr(codeStart), codeStart, keep, found);
    return found;
}

} // namespace kelvra::cli
