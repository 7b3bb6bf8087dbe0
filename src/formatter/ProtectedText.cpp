#include "formatter/ProtectedText.h"

#include "formatter/LineCommands.h"
#include "formatter/Protection.h"
#include "platform/Utf8.h"

namespace kelvra {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNonAscii(char c) { return static_cast<unsigned char>(c) >= 0x80; }
// A byte that can be part of a name: then a "$" or a quote prefix after it continues the name.
bool IsNameByte(char c) { return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '$' || IsNonAscii(c); }
bool IsTagStart(char c) { return IsAsciiLetter(c) || c == '_' || IsNonAscii(c); }
bool IsTagByte(char c) { return IsTagStart(c) || IsDigit(c); }

bool StartsName(std::string_view text, std::size_t at) { return at == 0 || !IsNameByte(text[at - 1]); }

bool IsLineStart(std::string_view text, std::size_t at) {
    if (at == 0) return true;
    const char before = text[at - 1];
    return before == '\n' || (before == '\r' && (at >= text.size() || text[at] != '\n'));
}

// The first CR or LF at or after `from`, or the end of the text.
std::size_t EndOfLine(std::string_view text, std::size_t from) {
    const std::size_t end = FindLineEnd(text, from);
    return end == std::string_view::npos ? text.size() : end;
}

// Whether a line command can begin with this character (what RecogniseLineCommand knows).
bool MayStartCommand(char c) {
    switch (c) {
    case '/':
    case '\\':
    case '@':
    case 'r':
    case 'R':
    case 'p':
    case 'P':
    case 'd':
    case 'D':
    case 'g':
    case 'G': return true;
    default: return false;
    }
}

std::size_t AfterLineBreak(std::string_view text, std::size_t end) {
    return text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
}

// The length of the $tag$ at `at`, or 0 when none stands there.
std::size_t DollarTagLength(std::string_view text, std::size_t at) {
    std::size_t i = at + 1;
    if (i < text.size() && IsTagStart(text[i]))
        while (i < text.size() && IsTagByte(text[i])) ++i;
    return i < text.size() && text[i] == '$' ? i - at + 1 : 0;
}

char Partner(char open) {
    switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
    }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Just after the closing that starts at `found` and is `length` long; npos when none was found.
std::size_t EndAfter(std::size_t found, std::size_t length) { return found == npos ? npos : found + length; }

bool IsPrefix(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

// The end (exclusive) of the E'...' whose quote is at `quote`: a backslash
// escapes the character after it, a doubled quote stands for one.
std::size_t EscapedLiteralEnd(std::string_view text, std::size_t quote) {
    for (std::size_t i = text.find_first_of("\\'", quote + 1); i != npos; i = text.find_first_of("\\'", i)) {
        if (text[i] == '\\') {
            i += 2;
        } else if (i + 1 < text.size() && text[i + 1] == '\'') {
            i += 2;
        } else {
            return i + 1;
        }
        if (i >= text.size()) break;
    }
    return npos;
}

} // namespace

ProtectedTextScanner::ProtectedTextScanner(std::string_view text, bool keepMeaning)
    : text_(text), keepMeaning_(keepMeaning) {
    next_.fill(npos);
    if (!keepMeaning_)
        for (Kind k : {Backquote, Dollar, Command}) searched_[k] = true; // never looked for
}

std::size_t ProtectedTextScanner::Find(Kind kind, std::size_t from) {
    switch (kind) {
    case DoubleQuote: return text_.find('"', from);
    case Quote: return text_.find('\'', from);
    case LineComment: return text_.find("--", from);
    case BlockComment: return text_.find("/*", from);
    case Backquote: return text_.find('`', from);
    case Dollar:
        for (std::size_t p = text_.find('$', from); p != npos; p = text_.find('$', p + 1))
            if (StartsName(text_, p) && DollarTagLength(text_, p) > 0) return p;
        return npos;
    case Command: return NextCommand(from);
    case kKinds: break;
    }
    return npos;
}

// The first character of the next client line command at or after `from`.
// Whether the code before the line that starts at `line` ended a statement:
// the last line before it that holds more than blanks or a line comment ends
// with ";" or is a command itself (or there is none).
bool FollowsStatementEnd(std::string_view text, std::size_t line) {
    while (line > 0) {
        std::size_t end = line;
        if (end > 0 && text[end - 1] == '\n') --end;
        if (end > 0 && text[end - 1] == '\r') --end;
        std::size_t start = end;
        while (start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') --start;
        line = start;
        std::string_view previous = text.substr(start, end - start);
        while (!previous.empty() && (previous.front() == ' ' || previous.front() == '\t')) previous.remove_prefix(1);
        while (!previous.empty() && (previous.back() == ' ' || previous.back() == '\t')) previous.remove_suffix(1);
        if (previous.empty() || previous.starts_with("--")) continue;
        return previous.back() == ';' || RecogniseLineCommand(previous).has_value();
    }
    return true;
}

std::size_t ProtectedTextScanner::NextCommand(std::size_t from) {
    std::size_t line = from;
    if (!IsLineStart(text_, line)) {
        const std::size_t end = EndOfLine(text_, from);
        if (end == text_.size()) return npos;
        line = AfterLineBreak(text_, end);
    }
    while (line < text_.size()) {
        const std::size_t end = EndOfLine(text_, line);
        std::size_t first = line;
        while (first < end && (text_[first] == ' ' || text_[first] == '\t')) ++first;
        const bool candidate = first < end && MayStartCommand(text_[first]);
        auto command = candidate ? RecogniseLineCommand(text_.substr(line, end - line)) : std::nullopt;
        // Indented inside a statement, "@" is an operator that a list break put
        // at the line start ("@f.f1", the absolute value), not a script call.
        if (command && text_[first] == '@' && first > line && !FollowsStatementEnd(text_, line)) command.reset();
        if (command) {
            commandLineEnd_ = end;
            commandDelimiter_ = command->delimiter;
            return line + command->start;
        }
        if (end == text_.size()) break;
        line = AfterLineBreak(text_, end);
    }
    return npos;
}

// A "$" that begins the statement end a DELIMITER line set ("$$") is code.
bool ProtectedTextScanner::IsStatementEnd(std::size_t dollar) const {
    return !statementEnd_.empty() && text_.substr(dollar).starts_with(statementEnd_);
}

// The kind whose opening comes first; ties cannot happen between the kinds that
// meaning adds and the others, as their openings begin with other characters.
std::optional<ProtectedTextScanner::Kind> ProtectedTextScanner::Earliest() {
    for (;;) {
        std::optional<std::size_t> at[kKinds];
        for (int k = 0; k < kKinds; ++k) {
            if (!searched_[k] || (next_[k] != npos && next_[k] < scan_)) {
                next_[k] = Find(static_cast<Kind>(k), scan_);
                searched_[k] = true;
            }
            if (next_[k] != npos) at[k] = next_[k];
        }
        const std::string plain = funMiniCode(at[DoubleQuote], at[Quote], at[LineComment], at[BlockComment]);
        std::optional<Kind> best;
        if (!plain.empty())
            best = plain[0] == 'K'   ? DoubleQuote
                   : plain[0] == 'R' ? Quote
                   : plain[0] == 'C' ? LineComment
                                     : BlockComment;
        for (Kind k : {Backquote, Dollar, Command})
            if (at[k] && (!best || *at[k] < next_[*best])) best = k;
        if (best != Dollar || !IsStatementEnd(next_[Dollar])) return best;
        next_[Dollar] = Find(Dollar, next_[Dollar] + 1);
    }
}

std::optional<ProtectedPiece> ProtectedTextScanner::Next() {
    if (done_) return std::nullopt;
    const std::optional<Kind> kind = Earliest();
    if (!kind) {
        done_ = true;
        return std::nullopt;
    }
    return PieceAt(*kind, next_[*kind]);
}

std::optional<ProtectedPiece> ProtectedTextScanner::Close(char letter, std::size_t at, std::size_t end,
                                                          std::size_t openingLength, std::string closing) {
    if (end == npos) {
        unclosed_ = UnclosedOpening{at, openingLength, std::move(closing)};
        done_ = true;
        return std::nullopt;
    }
    scan_ = end;
    return ProtectedPiece{at, end, letter};
}

std::optional<ProtectedPiece> ProtectedTextScanner::PlainLiteral(std::size_t quote) {
    return Close('R', quote, EndAfter(text_.find('\'', quote + 1), 1), 1, "'");
}

// The literal whose quote is at `quote`, with the prefix that may stand before
// it: E'...', q'x...x' or nq'x...x'. A prefix that continues a name is not one.
std::optional<ProtectedPiece> ProtectedTextScanner::PrefixedLiteral(std::size_t quote) {
    const auto prefixed = [&](std::size_t length) {
        return quote >= scan_ + length && StartsName(text_, quote - length);
    };
    if (prefixed(1) && IsPrefix(text_[quote - 1], 'e'))
        return Close('R', quote - 1, EscapedLiteralEnd(text_, quote), 2, "'");
    const bool q = quote >= 1 && IsPrefix(text_[quote - 1], 'q');
    const std::size_t prefix = q && prefixed(1) ? 1 : q && prefixed(2) && IsPrefix(text_[quote - 2], 'n') ? 2 : 0;
    if (prefix == 0 || quote + 1 >= text_.size() || IsSpace(text_[quote + 1])) return PlainLiteral(quote);
    const std::size_t delimiterLength = Utf8CharLength(static_cast<unsigned char>(text_[quote + 1]));
    std::string closing(text_.substr(quote + 1, delimiterLength));
    if (delimiterLength == 1) closing[0] = Partner(closing[0]);
    closing += '\'';
    const std::size_t start = quote - prefix, openingLength = prefix + 1 + delimiterLength;
    const std::size_t end = EndAfter(text_.find(closing, start + openingLength), closing.size());
    return Close('R', start, end, openingLength, std::move(closing));
}

std::optional<ProtectedPiece> ProtectedTextScanner::PieceAt(Kind kind, std::size_t at) {
    switch (kind) {
    case DoubleQuote: return Close('K', at, EndAfter(text_.find('"', at + 1), 1), 1, "\"\"");
    case Quote: return keepMeaning_ ? PrefixedLiteral(at) : PlainLiteral(at);
    case LineComment: {
        const std::size_t cr = text_.find('\r', at + 2);
        return Close('C', at, cr == npos ? text_.size() : cr, 2, "");
    }
    case BlockComment: return Close('T', at, EndAfter(text_.find("*/", at + 2), 2), 2, "*/");
    case Backquote: return Close('K', at, EndAfter(text_.find('`', at + 1), 1), 1, "`");
    case Dollar: {
        const std::size_t length = DollarTagLength(text_, at);
        const std::string_view tag = text_.substr(at, length);
        return Close('R', at, EndAfter(text_.find(tag, at + length), length), length, std::string(tag));
    }
    case Command: {
        if (!commandDelimiter_.empty()) statementEnd_ = commandDelimiter_;
        return Close('L', at, commandLineEnd_, 0, "");
    }
    case kKinds: break;
    }
    return std::nullopt;
}

std::vector<ProtectedPiece> ProtectedPieces(std::string_view text, bool keepMeaning) {
    std::vector<ProtectedPiece> pieces;
    ProtectedTextScanner scanner(text, keepMeaning);
    while (std::optional<ProtectedPiece> piece = scanner.Next()) pieces.push_back(*piece);
    if (const auto &unclosed = scanner.Unclosed()) pieces.push_back({unclosed->at, text.size()});
    return pieces;
}

} // namespace kelvra
