#include "formatter/TokenEdges.h"

#include <charconv>

namespace kelvra {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordEdge(char c) {
    return static_cast<unsigned char>(c) >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) ||
           c == '_' || c == '$' || c == '#' || c == '@';
}
bool IsQuote(char c) { return c == '\'' || c == '"' || c == '`'; }
bool IsOperatorByte(char c) { return std::string_view("<>=!|:+-*/%^&~?").find(c) != std::string_view::npos; }

// The segment that the token `token` (marker, letter, number, marker) stands for;
// null for a line comment or line command, which the run keeps on lines of their own anyway.
const std::string *SegmentOf(const FormatRunState &run, std::string_view token) {
    const std::size_t letterAt = run.markerOpen.size();
    if (token.size() <= letterAt + run.markerClose.size()) return nullptr;
    const char letter = token[letterAt];
    if (letter != 'K' && letter != 'R' && letter != 'T') return nullptr;
    const std::string_view digits = token.substr(letterAt + 1, token.size() - letterAt - 1 - run.markerClose.size());
    std::size_t index = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    const auto &list = run.segments.Of(letter);
    if (error != std::errc() || end != digits.data() + digits.size() || index >= list.size() || list[index].empty())
        return nullptr;
    return &list[index];
}

// The last byte of the text before a line break, a token's own last byte for a
// token; '\0' for nothing that can run into what follows.
char LeftEdge(const FormatRunState &run, std::string_view before) {
    if (before.empty()) return '\0';
    if (!run.NormalMode() || !before.ends_with(run.markerClose)) return before.back();
    const std::size_t open = before.rfind(run.markerOpen);
    if (open == std::string_view::npos) return before.back();
    const std::string *segment = SegmentOf(run, before.substr(open));
    return segment ? segment->back() : '\0';
}

// The first two bytes after a line break, a token's own for a token.
std::pair<char, char> RightEdge(const FormatRunState &run, std::string_view after) {
    const auto at = [](std::string_view s, std::size_t i) { return i < s.size() ? s[i] : '\0'; };
    if (!run.NormalMode() || !after.starts_with(run.markerOpen)) return {at(after, 0), at(after, 1)};
    const std::size_t close = after.find(run.markerClose);
    if (close == std::string_view::npos) return {after[0], at(after, 1)};
    const std::string *segment = SegmentOf(run, after.substr(0, close + run.markerClose.size()));
    return segment ? std::pair{(*segment)[0], at(*segment, 1)} : std::pair{'\0', '\0'};
}

} // namespace

bool BytesWouldFuse(char left, char right, char afterRight) {
    if (left == '\0' || right == '\0') return false;
    if (IsWordEdge(left))
        return IsWordEdge(right) || IsQuote(right) || right == '&' || (right == '.' && IsDigit(afterRight));
    if (IsQuote(left)) return IsQuote(right);
    if (left == '.') return IsDigit(right);
    if (left == '\\') return right != ' ' && right != '\r' && right != '\n';
    if (!IsOperatorByte(left)) return false;
    // ":name" and "&name" are variables of the clients; other signs form operators with signs.
    if ((left == ':' || left == '&') && (IsWordEdge(right) || IsQuote(right))) return true;
    return IsOperatorByte(right);
}

bool JoiningWouldFuse(const FormatRunState &run, std::string_view before, std::string_view after) {
    const auto [right, afterRight] = RightEdge(run, after);
    return BytesWouldFuse(LeftEdge(run, before), right, afterRight);
}

} // namespace kelvra
