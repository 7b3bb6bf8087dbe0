#include "meaning/ReadingsLexer.h"

#include <algorithm>
#include <utility>

namespace kelvra::meaning {
namespace {

bool IsNumber(const Token &t, std::string_view text) {
    return t.kind == TokenKind::Word && !IsWordStart(text[t.start]);
}

bool EndsStatement(const Token &t, std::string_view text) { return t.kind == TokenKind::Sign && text[t.start] == ';'; }

// Whether a short token holds `c` (a call of memchr costs more than the loop).
bool Holds(std::string_view token, char c) {
    for (const char b : token)
        if (b == c) return true;
    return false;
}

} // namespace

// --- A lexer's side: taking the tokens another reading scanned ---------------

void Lexer::Take(Token &t) {
    const bool settled = Settled();
    pos_ = t.end;
    solid_ = t.solidEnd;
    first_ = lineStart_ = false;
    t.exact |= ExactNumbers() && IsNumber(t, text_);
    // Inside a statement past its head only ";" changes what the lexer knows
    // (NoteStatement); that is where most tokens are.
    if (!settled || EndsStatement(t, text_)) NoteStatement(t);
}

// Where IsLineCommand would not look at the line: what it reads at a line start.
bool Lexer::MayTakeAt(const Token &t) const {
    if (!MayTake()) return false;
    if (!t.lineBreakBefore) return true;
    const char c = text_[t.start];
    switch (reading_) {
    case Reading::Oracle: return c != '/' && c != '.' && (statementOpen_ || block_ || (!IsAsciiLetter(c) && c != '@'));
    case Reading::MySql: return (c | 0x20) != 'd';
    case Reading::SqlServer: return (c | 0x20) != 'g';
    case Reading::PostgreSql: return true;
    }
    return false;
}

bool ScannedAlike(const Token &t, std::string_view text, bool hashEndsWords) {
    const std::string_view token = text.substr(t.start, t.end - t.start);
    const char first = token[0], after = t.end < text.size() ? text[t.end] : '\0';
    switch (t.kind) {
    case TokenKind::Word: // a name or number: "#" goes on it but in mysql, and a quote after it may make a literal
        if (!IsWordStart(first) && !IsDigit(first) && first != '.') return false;
        return after != '#' && after != '\'' && after != '&' && (hashEndsWords || !Holds(token, '#'));
    case TokenKind::Sign: // quotes, names and variables of some readings begin with signs; psql cuts signs at ":"
        return first != '#' && first != '`' && first != '[' && first != '$' && first != '\\' && after != ':' &&
               !Holds(token, ':');
    case TokenKind::Literal: // mysql reads backslash escapes in quotes
        return (first == '\'' || first == '"') && token.find('\\') == std::string_view::npos;
    case TokenKind::LineComment: return first == '-';
    case TokenKind::BlockComment: return true;
    case TokenKind::LineCommand: return false;
    }
    return false;
}

// --- Readings together -----------------------------------------------------

ReadingsLexer::ReadingsLexer(std::string_view text, std::span<const Reading> readings)
    : count_(std::min(readings.size(), kMost)) {
    for (std::size_t r = 0; r < count_; ++r) lexers_[r] = Lexer(text, readings[r]);
    // The mysql reading scans first where there is one: its words end at "#",
    // so they need no look for one inside.
    const auto mysql = std::find_if(lexers_.begin(), lexers_.begin() + static_cast<std::ptrdiff_t>(count_),
                                    [](const Lexer &l) { return l.HashEndsWords(); });
    if (mysql != lexers_.begin() + static_cast<std::ptrdiff_t>(count_)) std::iter_swap(lexers_.begin(), mysql);
    NoteTakers();
    ScanAhead();
}

bool ReadingsLexer::Next(Token &t) {
    if (partsNext_) parted_ = true;
    if (parted_ || !hasNext_) return false;
    t = next_;
    handedEnd_ = next_.end;
    ScanAhead();
    return true;
}

// The token after the one handed out last, as the first reading scans it;
// the others take it or scan their own. While they are all settled, a token
// that changes nothing they know is not handed to them one by one: they catch
// up when the next token that may is scanned.
void ReadingsLexer::ScanAhead() {
    if (count_ == 1) {
        hasNext_ = lexers_[0].Next(next_);
        return;
    }
    const std::size_t from = lexers_[0].Position();
    const bool mayTake = lexers_[0].MayTake();
    hasNext_ = lexers_[0].Next(next_);
    const std::string_view text = lexers_[0].Text();
    const bool alike = hasNext_ && mayTake && ScannedAlike(next_, text, lexers_[0].HashEndsWords());
    scanned_ = 0;
    if (alike && settled_ && !next_.lineBreakBefore && !EndsStatement(next_, text)) {
        next_.exact |= exactNumbers_ && IsNumber(next_, text);
        lagEnd_ = next_.end, lagSolid_ = next_.solidEnd, lagging_ = true;
        return;
    }
    CatchUp();
    for (std::size_t r = 1; r < count_; ++r) {
        if (alike && lexers_[r].MayTakeAt(next_)) {
            lexers_[r].Take(next_);
            continue;
        }
        Token own;
        const bool has = lexers_[r].Next(own);
        NoteOwn(r, has, own, from);
    }
    NoteTakers();
}

void ReadingsLexer::CatchUp() {
    if (!std::exchange(lagging_, false)) return;
    for (std::size_t r = 1; r < count_; ++r) lexers_[r].PassTo(lagEnd_, lagSolid_);
}

void ReadingsLexer::NoteTakers() {
    if (count_ < 2) return;
    const auto takers = std::span(lexers_).subspan(1, count_ - 1);
    settled_ = std::all_of(takers.begin(), takers.end(), [](const Lexer &l) { return l.Settled(); });
    exactNumbers_ = std::any_of(takers.begin(), takers.end(), [](const Lexer &l) { return l.ExactNumbers(); });
}

// A reading's own next token: where it is not the token of the first reading, they part.
void ReadingsLexer::NoteOwn(std::size_t reading, bool has, const Token &own, std::size_t from) {
    scanned_ |= 1U << reading;
    own_[reading] = own;
    hasOwn_[reading] = has;
    if (has != hasNext_ || (has && (own.kind != next_.kind || own.start != next_.start || own.end != next_.end))) {
        if (!partsNext_) partedAt_ = from;
        partsNext_ = true;
    } else {
        next_.exact |= own.exact;
    }
}

ReadingsLexer ReadingsLexer::Alone(std::size_t reading) const {
    ReadingsLexer alone;
    alone.lexers_[0] = lexers_[reading];
    if (reading > 0 && lagging_) alone.lexers_[0].PassTo(lagEnd_, lagSolid_);
    alone.count_ = 1;
    const bool scanned = (scanned_ >> reading) & 1U;
    alone.next_ = scanned ? own_[reading] : next_;
    alone.hasNext_ = scanned ? hasOwn_[reading] : hasNext_;
    alone.parted_ = parted_;
    alone.handedEnd_ = handedEnd_;
    return alone;
}

void ReadingsLexer::Add(const ReadingsLexer &other) {
    CatchUp();
    for (std::size_t r = 0; r < other.count_ && count_ < kMost; ++r) {
        const ReadingsLexer one = other.Alone(r);
        lexers_[count_] = one.lexers_[0];
        NoteOwn(count_++, one.hasNext_, one.next_, handedEnd_);
    }
    NoteTakers();
}

} // namespace kelvra::meaning
