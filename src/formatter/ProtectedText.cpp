#include "formatter/ProtectedText.h"

#include "formatter/LineCommands.h"
#include "formatter/Protection.h"
#include "formatter/ReadingSync.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

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
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// What a number that begins a name runs over, as mysql reads it ("0x1F", "1.5e3", "2.objid").
bool IsNumberByte(char c) { return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.'; }

bool StartsName(std::string_view text, std::size_t at) { return at == 0 || !IsNameByte(text[at - 1]); }

bool IsLineStart(std::string_view text, std::size_t at) {
    if (at == 0) return true;
    const char before = text[at - 1];
    return before == '\n' || (before == '\r' && (at >= text.size() || text[at] != '\n'));
}

// The first CR or LF at or after `from`, or the end of the text.
std::size_t EndOfLine(std::string_view text, std::size_t from) {
    const std::size_t end = FindLineEnd(text, from);
    return end == npos ? text.size() : end;
}

std::size_t AfterLineBreak(std::string_view text, std::size_t end) {
    return text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
}

// Where the line after the one that ends at `end` starts; the end of the text after the last.
std::size_t NextLineStart(std::string_view text, std::size_t end) {
    return end >= text.size() ? text.size() : AfterLineBreak(text, end);
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

// Just after the closing that starts at `found` and is `length` long; npos when none was found.
std::size_t EndAfter(std::size_t found, std::size_t length) { return found == npos ? npos : found + length; }

bool IsPrefix(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

// The end (exclusive) of the quote opened at `open` when a backslash escapes
// the character after it and a doubled quote stands for one; npos if it never ends.
std::size_t EscapedQuoteEnd(std::string_view text, std::size_t open) {
    const char quote = text[open];
    const char stops[] = {'\\', quote, '\0'};
    for (std::size_t i = text.find_first_of(stops, open + 1); i != npos; i = text.find_first_of(stops, i)) {
        if (text[i] == '\\') {
            i += 2;
        } else if (i + 1 < text.size() && text[i + 1] == quote) {
            i += 2;
        } else {
            return i + 1;
        }
        if (i >= text.size()) break;
    }
    return npos;
}

// The end of the quote opened at `open` without escapes: its next quote.
std::size_t PlainQuoteEnd(std::string_view text, std::size_t open) {
    return EndAfter(text.find(text[open], open + 1), 1);
}

// Whether `close` comes within `window` bytes after `from`, before a line end.
bool ClosesOnItsLine(std::string_view text, std::size_t from, char close, std::size_t window) {
    const std::size_t end = std::min(text.size(), from + window);
    for (std::size_t i = from; i < end; ++i) {
        if (text[i] == close) return true;
        if (text[i] == '\r' || text[i] == '\n') return false;
    }
    return false;
}

// Names in brackets and quoted variable names are short: 128 characters at most.
constexpr std::size_t kNameWindow = 4 * 128 + 8;

bool IsDigitByte(char c) { return static_cast<unsigned char>(c - '0') < 10; }

// Whether any of the eight bytes at `p` is a digit: with "0" to "9" made 0 to
// 9, whether any byte is below 10 (a byte below 10 borrows in the subtraction
// and keeps its top bit clear). Digits are rare in long stretches of text:
// those go by eight bytes a step.
bool HoldsDigit(const char *p) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u;
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    word ^= kOnes * '0';
    return ((word - kOnes * 10) & ~word & kTops) != 0;
}

// The first digit at or after `from` (find_first_of would call memchr on its set for every byte).
std::size_t NextDigit(std::string_view text, std::size_t from) {
    while (from + 8 <= text.size() && !HoldsDigit(text.data() + from)) from += 8;
    for (; from < text.size(); ++from)
        if (IsDigitByte(text[from])) return from;
    return std::string_view::npos;
}

} // namespace

ProtectedTextScanner::ProtectedTextScanner(std::string_view text, KeptReadings readings)
    : text_(text), readings_(readings), blankRun_(npos) {
    next_.fill(npos);
    const bool off[kKinds] = {false,
                              false,
                              false,
                              false,
                              !readings.mysql,
                              !readings.postgresql,
                              !readings.mysql,
                              !readings.sqlserver,
                              !readings.postgresql,
                              !readings.Any(),
                              !readings.postgresql && !readings.mysql};
    for (int k = 0; k < kKinds; ++k) searched_[k] = off[k]; // never looked for
}

std::size_t ProtectedTextScanner::Find(Kind kind, std::size_t from) const {
    switch (kind) {
    case DoubleQuote: return text_.find('"', from);
    case Quote: return text_.find('\'', from);
    case LineComment: return text_.find("--", from);
    case BlockComment: return text_.find("/*", from);
    case Backquote: return text_.find('`', from);
    case Dollar: return FindDollar(from);
    case Hash: return FindHash(from);
    case Bracket: return FindBracket(from);
    case Variable: return FindVariable(from);
    case Number: return FindNumber(from);
    case Backslash: return FindBackslash(from);
    case kKinds: break;
    }
    return npos;
}

std::size_t ProtectedTextScanner::FindDollar(std::size_t from) const {
    for (std::size_t p = text_.find('$', from); p != npos; p = text_.find('$', p + 1))
        if (StartsName(text_, p) && DollarTagLength(text_, p) > 0) return p;
    return npos;
}

// "#" to the end of the line; one inside a name ("OBJ#") or an operator ("@#@")
// takes the whole of it, which other readings read as one token.
std::size_t ProtectedTextScanner::FindHash(std::size_t from) const {
    std::size_t p = text_.find('#', from);
    if (p == npos) return npos;
    const auto joined = [](char c) { return IsNameByte(c) || std::string_view("<>=!|:+-*/%^&~?@").find(c) != npos; };
    while (p > from && joined(text_[p - 1])) --p;
    return p;
}

// "[" that a "]" closes on its line ("]]" stands for one inside).
std::size_t ProtectedTextScanner::FindBracket(std::size_t from) const {
    for (std::size_t p = text_.find('[', from); p != npos; p = text_.find('[', p + 1)) {
        const std::size_t limit = p + kNameWindow;
        for (std::size_t q = p + 1; q < limit && ClosesOnItsLine(text_, q, ']', limit - q); q += 2) {
            q = text_.find(']', q);
            if (q + 1 >= text_.size() || text_[q + 1] != ']') return p;
        }
    }
    return npos;
}

// ":name", ":'name'" or ":\"name\"", but not the second colon of "::" or ":=".
std::size_t ProtectedTextScanner::FindVariable(std::size_t from) const {
    for (std::size_t p = text_.find(':', from); p != npos; p = text_.find(':', p + 1)) {
        if ((p > 0 && text_[p - 1] == ':') || p + 1 >= text_.size()) continue;
        const char next = text_[p + 1];
        if (IsTagStart(next)) return p;
        if ((next == '\'' || next == '"') && ClosesOnItsLine(text_, p + 2, next, kNameWindow)) return p;
    }
    return npos;
}

// A number that begins a name and holds letters: "0x1F", "0b101", "1e5".
std::size_t ProtectedTextScanner::FindNumber(std::size_t from) const {
    for (std::size_t p = NextDigit(text_, from); p != npos; p = NextDigit(text_, p)) {
        const bool starts = StartsName(text_, p) && (p == 0 || text_[p - 1] != '.');
        std::size_t end = p;
        bool letters = false;
        for (; end < text_.size() && IsNumberByte(text_[end]); ++end) letters |= IsAsciiLetter(text_[end]);
        if (starts && letters) return p;
        p = end;
        while (p < text_.size() && IsNameByte(text_[p])) ++p; // the rest of a name that holds digits
    }
    return npos;
}

// A backslash command of psql or the mysql client: "\" and a letter, "!", "?", "." or "\".
std::size_t ProtectedTextScanner::FindBackslash(std::size_t from) const {
    for (std::size_t p = text_.find('\\', from); p != npos; p = text_.find('\\', p + 1))
        if (p + 1 < text_.size() &&
            (IsAsciiLetter(text_[p + 1]) || std::string_view("!?.\\").find(text_[p + 1]) != npos))
            return p;
    return npos;
}

// The code from `fed_` to `to` goes to the script state.
void ProtectedTextScanner::FeedCode(std::size_t to) {
    if (to <= fed_) return;
    state_.Code(text_.substr(fed_, to - fed_));
    fed_ = to;
}

// Whether the line [line, end) holds a client command where the script stands;
// if so, `command_` and `commandEnd_` say where it is, continuation lines included.
bool ProtectedTextScanner::CommandAt(std::size_t line, std::size_t end, bool statementOpen) {
    const LineContext context{readings_, statementOpen, state_.InBlock()};
    const std::optional<LineCommand> command = RecogniseLineCommand(text_.substr(line, end - line), context);
    if (!command) return false;
    command_ = line + command->start;
    commandEnd_ = end;
    for (bool continues = command->continues; continues && commandEnd_ < text_.size();) {
        const std::size_t next = AfterLineBreak(text_, commandEnd_);
        commandEnd_ = EndOfLine(text_, next);
        std::string_view body = text_.substr(next, commandEnd_ - next);
        while (!body.empty() && IsBlank(body.back())) body.remove_suffix(1);
        continues = body.ends_with('-');
    }
    return true;
}

// The next client command (or COPY data) that starts before `limit`, the
// next opening of another kind; the code passed on the way goes to the script
// state, so that each line is looked at once.
std::size_t ProtectedTextScanner::NextCommand(std::size_t limit) {
    if (!readings_.Any()) return npos;
    std::size_t at = fed_;
    while (at < text_.size() && at <= limit) {
        const std::size_t end = EndOfLine(text_, at);
        if (IsLineStart(text_, at)) {
            if (state_.TakeCopyData()) { // data lines, up to a line "\." or the end of the text
                command_ = at;
                std::size_t line = at, lineEnd = end;
                while (text_.substr(line, lineEnd - line) != "\\." && lineEnd < text_.size()) {
                    line = AfterLineBreak(text_, lineEnd);
                    lineEnd = EndOfLine(text_, line);
                }
                commandEnd_ = lineEnd;
                return at;
            }
            if (LineStartCommand(at, end, limit)) return command_;
        } else {
            blankRun_ = npos;
        }
        const std::size_t stop = std::min(NextLineStart(text_, end), limit);
        FeedCode(stop);
        if (stop == limit || stop == at) break;
        at = stop;
    }
    return npos;
}

// Whether the line [line, end) holds a command that starts before `limit`.
// SQL*Plus ends a statement (outside a block) at a blank line: a command after
// one is a command, and its piece takes the blank lines along, so that the
// result keeps them and reads the same when formatted again.
bool ProtectedTextScanner::LineStartCommand(std::size_t line, std::size_t end, std::size_t limit) {
    std::size_t first = 0; // find_first_not_of would call memchr on its set for every byte
    while (line + first < end && IsBlank(text_[line + first])) ++first;
    if (line + first == end) {
        if (blankRun_ == npos) blankRun_ = line;
        blankEnded_ = blankEnded_ || (state_.StatementOpen() && !state_.InBlock());
        return false;
    }
    if (line + first >= limit) return false; // a piece opens the line: it says what follows
    const bool found = CommandAt(line, end, state_.StatementOpen() && !blankEnded_) && command_ < limit;
    if (found && blankEnded_ && state_.StatementOpen() && blankRun_ != npos) command_ = blankRun_;
    blankRun_ = npos;
    blankEnded_ = false;
    return found;
}

// The kind whose opening comes first, or none. Ties cannot happen between the
// kinds that readings add and the others, as their openings begin with other characters.
std::optional<ProtectedTextScanner::Kind> ProtectedTextScanner::EarliestOpening() {
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
        best = plain[0] == 'K' ? DoubleQuote : plain[0] == 'R' ? Quote : plain[0] == 'C' ? LineComment : BlockComment;
    for (int k = Backquote; k < kKinds; ++k)
        if (at[k] && (!best || *at[k] < next_[*best])) best = static_cast<Kind>(k);
    return best;
}

// A client command before the first opening comes first; a "$" that ends a
// statement is passed only once the commands before it (DELIMITER) are read.
std::optional<ProtectedPiece> ProtectedTextScanner::Next() {
    if (done_) return std::nullopt;
    std::optional<Kind> kind;
    std::optional<ProtectedPiece> piece;
    for (;;) {
        kind = EarliestOpening();
        if (NextCommand(kind ? next_[*kind] : npos) != npos) return Command();
        if (!kind) {
            done_ = true;
            return std::nullopt;
        }
        piece = PieceAt(*kind, next_[*kind]);
        if (!std::exchange(passOver_, false)) break;
        next_[*kind] = Find(*kind, next_[*kind] + 1);
    }
    if (*kind != DoubleQuote && *kind != LineComment && *kind != BlockComment && *kind != Number && *kind != Variable &&
        (*kind != Quote || (piece && text_[piece->start] != '\'')))
        piece = UntilReadingsMeet(piece);
    if (piece) {
        blankRun_ = npos;
        blankEnded_ = blankEnded_ && (piece->letter == 'C' || piece->letter == 'T');
        FeedCode(piece->start);
        const std::string_view text = text_.substr(piece->start, piece->end - piece->start);
        if (*kind == Hash)
            state_.Code(text); // only MySQL reads a comment there; SQL*Plus reads the statement's end in it
        else
            state_.Piece(piece->letter, text);
        fed_ = piece->end;
    }
    return piece;
}

std::optional<ProtectedPiece> ProtectedTextScanner::Command() {
    scan_ = commandEnd_;
    const std::optional<ProtectedPiece> piece = UntilReadingsMeet(ProtectedPiece{command_, commandEnd_, 'L'});
    state_.Piece('L', text_.substr(piece->start, piece->end - piece->start));
    fed_ = scan_;
    return piece;
}

// An opening that only some readers read as one and that never ends is no
// opening while others read the text too: the text is none of the first's,
// and the others read on.
std::optional<ProtectedPiece> ProtectedTextScanner::CloseOrPassOver(char letter, std::size_t at, std::size_t end,
                                                                    std::size_t openingLength, std::string closing) {
    if (end == npos && readings_.Several()) {
        passOver_ = true;
        return std::nullopt;
    }
    return Close(letter, at, end, openingLength, std::move(closing));
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

// A quote, or a quoted name, that runs to its next quote; for mysql alone,
// backslashes escape; where mysql's reading is kept with others and a
// backslash stands before that quote, on to where every reading stands in
// code again. Where they never do, the text's quotes pair up only one way (it
// is no text for mysql) and the plain reading stands.
std::optional<ProtectedPiece> ProtectedTextScanner::QuotedPiece(char letter, std::size_t quote) {
    const std::string closing = letter == 'K' ? "\"\"" : "'";
    std::size_t end = PlainQuoteEnd(text_, quote);
    if (readings_.mysql && !readings_.Several()) {
        end = EscapedQuoteEnd(text_, quote);
    } else if (readings_.mysql && !escapesPairOtherwise_ && end != npos &&
               text_.substr(quote, end - quote).find('\\') != npos) {
        const std::size_t meet = WhereReadingsMeet(text_, quote, end, readings_, takers_);
        if (meet != npos)
            end = WithLineBreak(meet, end);
        else
            escapesPairOtherwise_ = true; // from here on they never meet: no use asking again
    }
    return Close(letter, quote, end, 1, closing);
}

// A literal kept on to the line end `meet` takes the line break along: the last
// line may end in what a reader takes for a line comment, and a run that
// joins lines must not put the next line's code in it.
std::size_t ProtectedTextScanner::WithLineBreak(std::size_t meet, std::size_t end) const {
    return meet == end || meet >= text_.size() ? meet : AfterLineBreak(text_, meet);
}

// A piece that only some readers read as such keeps on to where every reader
// stands in code again (to the end of the text when that never comes).
std::optional<ProtectedPiece> ProtectedTextScanner::UntilReadingsMeet(std::optional<ProtectedPiece> piece) {
    if (!piece || !readings_.Several()) return piece;
    const std::size_t meet = WhereReadingsMeet(text_, piece->start, piece->end, readings_, takers_);
    if (meet == npos)
        piece->end = text_.size();
    else
        piece->end = piece->letter == 'L' || piece->letter == 'C' ? meet : WithLineBreak(meet, piece->end);
    scan_ = std::max(scan_, piece->end);
    return piece;
}

// The literal whose quote is at `quote`, with the prefix that may stand before
// it: E'...', q'x...x' or nq'x...x'. A prefix that continues a name is not one.
std::optional<ProtectedPiece> ProtectedTextScanner::PrefixedLiteral(std::size_t quote) {
    const auto prefixed = [&](std::size_t length) {
        return quote >= scan_ + length && StartsName(text_, quote - length);
    };
    if (readings_.postgresql && prefixed(1) && IsPrefix(text_[quote - 1], 'e')) {
        const std::size_t end = EscapedQuoteEnd(text_, quote);
        if (end != npos || !readings_.Several()) return Close('R', quote - 1, end, 2, "'");
    }
    const bool q = readings_.oracle && quote >= 1 && IsPrefix(text_[quote - 1], 'q');
    const std::size_t prefix = q && prefixed(1) ? 1 : q && prefixed(2) && IsPrefix(text_[quote - 2], 'n') ? 2 : 0;
    if (prefix == 0 || quote + 1 >= text_.size() || IsSpace(text_[quote + 1])) return QuotedPiece('R', quote);
    const std::size_t delimiterLength = Utf8CharLength(static_cast<unsigned char>(text_[quote + 1]));
    std::string closing(text_.substr(quote + 1, delimiterLength));
    if (delimiterLength == 1) closing[0] = Partner(closing[0]);
    closing += '\'';
    const std::size_t start = quote - prefix, openingLength = prefix + 1 + delimiterLength;
    const std::size_t end = EndAfter(text_.find(closing, start + openingLength), closing.size());
    if (end == npos && readings_.Several()) return QuotedPiece('R', quote);
    return Close('R', start, end, openingLength, std::move(closing));
}

// ":name" (a name), ":'name'" (a literal) or ":\"name\"" (a quoted name).
std::optional<ProtectedPiece> ProtectedTextScanner::VariablePiece(std::size_t colon) {
    const char next = text_[colon + 1];
    if (next == '\'' || next == '"')
        return Close(next == '\'' ? 'R' : 'K', colon, EndAfter(text_.find(next, colon + 2), 1), 2, {next});
    std::size_t end = colon + 1;
    while (end < text_.size() && IsTagByte(text_[end])) ++end;
    return Close('K', colon, end, 1, {});
}

std::optional<ProtectedPiece> ProtectedTextScanner::PieceAt(Kind kind, std::size_t at) {
    switch (kind) {
    case DoubleQuote: return QuotedPiece('K', at);
    case Quote: return readings_.Any() ? PrefixedLiteral(at) : QuotedPiece('R', at);
    case LineComment:
    case Hash: {
        const std::size_t cr = text_.find('\r', kind == Hash ? text_.find('#', at) : at + 2);
        return Close('C', at, cr == npos ? text_.size() : cr, kind == Hash ? 1 : 2, "");
    }
    case BlockComment: return Close('T', at, EndAfter(text_.find("*/", at + 2), 2), 2, "*/");
    case Backquote: return CloseOrPassOver('K', at, EndAfter(text_.find('`', at + 1), 1), 1, "`");
    case Dollar: {
        const std::size_t length = DollarTagLength(text_, at);
        const std::string_view tag = text_.substr(at, length);
        return CloseOrPassOver('R', at, EndAfter(text_.find(tag, at + length), length), length, std::string(tag));
    }
    case Bracket: {
        std::size_t q = text_.find(']', at + 1);
        while (q + 1 < text_.size() && text_[q + 1] == ']') q = text_.find(']', q + 2);
        return Close('K', at, EndAfter(q, 1), 1, "]");
    }
    case Variable: return VariablePiece(at);
    case Number: {
        std::size_t end = at;
        while (end < text_.size() && IsNumberByte(text_[end])) ++end;
        return Close('R', at, end, 1, {});
    }
    case Backslash: return Close('L', at, EndOfLine(text_, at), 1, {});
    case kKinds: break;
    }
    return std::nullopt;
}

std::vector<ProtectedPiece> ProtectedPieces(std::string_view text, KeptReadings readings) {
    std::vector<ProtectedPiece> pieces;
    ProtectedTextScanner scanner(text, readings);
    while (std::optional<ProtectedPiece> piece = scanner.Next()) pieces.push_back(*piece);
    if (const auto &unclosed = scanner.Unclosed()) pieces.push_back({unclosed->at, text.size()});
    return pieces;
}

} // namespace kelvra
