#include "meaning/MeaningLexer.h"

#include "meaning/ClientLines.h"

#include <algorithm>
#include <array>

namespace kelvra::meaning {
namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
// Letters, digits, "_" and non-ASCII bytes: what a psql variable's name holds.
bool IsVariableByte(char c) {
    return IsAsciiLetter(c) || IsDigit(c) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// Signs that form one operator when they stand together ("<>", "||", "::", ">=").
bool IsOperatorByte(char c) {
    switch (c) {
    case '<':
    case '>':
    case '=':
    case '!':
    case '|':
    case ':':
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '^':
    case '&':
    case '~':
    case '?': return true;
    default: return false;
    }
}

// Bytes of the UTF-8 character that `lead` begins (1 for a byte that begins none).
std::size_t CharacterWidth(char lead) {
    const auto b = static_cast<unsigned char>(lead);
    return b >= 0xF8 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
}

// Non-blank bytes of a literal or comment. Written without the byte table so
// that the compiler can count many bytes at once: these can be long.
std::size_t SolidBytes(std::string_view text) {
    std::size_t blanks = 0;
    for (const char c : text) blanks += c == ' ' || static_cast<unsigned char>(c - '\t') < 5;
    return text.size() - blanks;
}

} // namespace

bool Lexer::Next(Token &t) {
    const std::size_t from = pos_;
    bool sawLineEnd = false;
    for (std::size_t at = pos_, size = text_.size();; ++at) {
        const char c = at < size ? text_[at] : 'x';
        if (c != ' ' && !IsBlank(c)) {
            pos_ = at;
            break;
        }
        sawLineEnd |= IsLineEnd(c);
    }
    const bool sawBlank = pos_ != from;
    lineStart_ |= sawLineEnd;
    if (pos_ >= text_.size()) return false;
    t.start = pos_;
    t.exact = false;
    if (copyData_ && lineStart_) {
        t.start = LineStartBefore(pos_); // the blanks that begin a row are data too
        ScanCopyData();
        t.kind = TokenKind::LineCommand;
    } else {
        t.kind = lineStart_ && IsLineCommand() ? TokenKind::LineCommand : Scan(t);
    }
    t.end = pos_;
    t.solid = solid_;
    if (t.kind == TokenKind::Word || t.kind == TokenKind::Sign)
        solid_ += t.end - t.start; // no blanks inside
    else
        solid_ += SolidBytes(text_.substr(t.start, t.end - t.start));
    t.solidEnd = solid_;
    t.glued = !first_ && !sawBlank;
    t.lineBreakBefore = !first_ && sawLineEnd;
    first_ = lineStart_ = false;
    NoteStatement(t);
    return true;
}

// A statement is open from its first code token to its ";" (or a line
// command). How it begins tells SQL*Plus a PL/SQL block and psql a COPY
// whose data follows.
void Lexer::NoteStatement(const Token &t) {
    switch (t.kind) {
    case TokenKind::Word: NoteWord(text_.substr(t.start, t.end - t.start)); break;
    case TokenKind::Literal:
        head_ = Head::Other;
        if (copy_ == Copy::From) copy_ = Copy::Copy;
        statementOpen_ = true;
        break;
    case TokenKind::Sign:
        if (text_[t.start] == ';' || (!delimiter_.empty() && text_.substr(t.start, t.end - t.start) == delimiter_)) {
            copyData_ = copy_ == Copy::Stdin;
            copy_ = Copy::No;
            statementOpen_ = false;
        } else {
            head_ = Head::Other;
            statementOpen_ = true;
        }
        break;
    case TokenKind::LineCommand:
        statementOpen_ = block_ = false;
        copy_ = Copy::No;
        break;
    case TokenKind::LineComment:
    case TokenKind::BlockComment: break;
    }
}

void Lexer::NoteWord(std::string_view word) {
    if (!statementOpen_) head_ = Head::Start, copy_ = Copy::No;
    statementOpen_ = true;
    if (reading_ == Reading::Oracle) {
        if (head_ == Head::Start) {
            block_ |= EqualsIgnoringCase(word, "declare") || EqualsIgnoringCase(word, "begin");
            head_ = EqualsIgnoringCase(word, "create") ? Head::Create : Head::Other;
        } else if (head_ == Head::Create) {
            if (EqualsIgnoringCase(word, "function") || EqualsIgnoringCase(word, "procedure") ||
                EqualsIgnoringCase(word, "package") || EqualsIgnoringCase(word, "trigger") ||
                EqualsIgnoringCase(word, "type"))
                block_ = true, head_ = Head::Other;
            else if (!EqualsIgnoringCase(word, "or") && !EqualsIgnoringCase(word, "replace") &&
                     !EqualsIgnoringCase(word, "editionable") && !EqualsIgnoringCase(word, "noneditionable"))
                head_ = Head::Other;
        }
    } else if (reading_ == Reading::PostgreSql) {
        if (head_ == Head::Start)
            copy_ = EqualsIgnoringCase(word, "copy") ? Copy::Copy : Copy::No, head_ = Head::Other;
        else if (copy_ == Copy::Copy && EqualsIgnoringCase(word, "from"))
            copy_ = Copy::From;
        else if (copy_ == Copy::From)
            copy_ = EqualsIgnoringCase(word, "stdin") ? Copy::Stdin : Copy::Copy;
    }
}

// The first CR or LF from `at`, searched with memchr: comments make long
// lines. Each search is remembered, so that a text whose lines end in CR alone
// is not read to its end for the LF at every line.
std::size_t Lexer::LineEndFrom(std::size_t at) const {
    return std::min(lf_.From(text_, '\n', at), cr_.From(text_, '\r', at));
}

std::size_t Lexer::NextByte::From(std::string_view text, char c, std::size_t at) {
    if (at < from || at > found) {
        from = at;
        found = std::min(text.find(c, at), text.size());
    }
    return found;
}

// The end of the line from `at`, blanks at its end left out.
std::size_t Lexer::TrimmedLineEnd(std::size_t at) const {
    std::size_t end = LineEndFrom(at);
    while (end > at && IsBlank(text_[end - 1])) --end;
    return end;
}

std::size_t Lexer::LineStartBefore(std::size_t at) const {
    while (at > 0 && !IsLineEnd(text_[at - 1])) --at;
    return at;
}

// A client command that takes its line, at a line start: SQL*Plus's "/" and
// "." lines, and its commands where no statement or PL/SQL block is open (so
// that a column called "rem" or "exit when" in a block stays SQL); the mysql
// client's DELIMITER; sqlcmd's GO. psql's backslash commands are read
// wherever they start (Scan).
bool Lexer::IsLineCommand() {
    const char c = text_[pos_];
    std::size_t end = 0;
    switch (reading_) {
    case Reading::Oracle: {
        if (c != '/' && c != '.' && (statementOpen_ || block_ || (!IsAsciiLetter(c) && c != '@'))) return false;
        end = TrimmedLineEnd(pos_);
        const std::string_view line = text_.substr(pos_, end - pos_);
        if (line == "/" || line == ".") break;
        if (statementOpen_ || block_ || !IsSqlPlusCommand(line)) return false;
        end = SqlPlusCommandEnd(end);
        break;
    }
    case Reading::MySql: {
        if ((c | 0x20) != 'd') return false; // the client reads it at any line start
        end = TrimmedLineEnd(pos_);
        const std::string_view delimiter = DelimiterSetBy(text_.substr(pos_, end - pos_));
        if (delimiter.empty()) return false;
        delimiter_ = delimiter == ";" ? std::string_view() : delimiter;
        break;
    }
    case Reading::SqlServer:
        if ((c | 0x20) != 'g') return false;
        end = TrimmedLineEnd(pos_);
        if (!EndsBatch(text_.substr(pos_, end - pos_))) return false;
        break;
    case Reading::PostgreSql: return false;
    }
    pos_ = end;
    return true;
}

// The end of a SQL*Plus command whose line ends at `end`: lines that end in
// " -" take the next line with them.
std::size_t Lexer::SqlPlusCommandEnd(std::size_t end) const {
    for (std::size_t lineStart = pos_; ContinuesOnNextLine(text_.substr(lineStart, end - lineStart));) {
        const std::size_t lineEnd = LineEndFrom(end);
        if (lineEnd >= text_.size()) break;
        lineStart =
            lineEnd + (text_[lineEnd] == '\r' && lineEnd + 1 < text_.size() && text_[lineEnd + 1] == '\n' ? 2 : 1);
        end = TrimmedLineEnd(lineStart);
    }
    return end;
}

// The rows after "COPY … FROM stdin;" up to a line that is only "\." (or the end).
void Lexer::ScanCopyData() {
    copyData_ = false;
    for (std::size_t line = LineStartBefore(pos_); line < text_.size();) {
        const std::size_t end = TrimmedLineEnd(line);
        if (text_.substr(line, end - line) == "\\.") {
            pos_ = end;
            return;
        }
        const std::size_t lineEnd = LineEndFrom(line);
        if (lineEnd >= text_.size()) break;
        line = lineEnd + 1;
    }
    pos_ = text_.size();
    while (IsBlank(text_[pos_ - 1])) --pos_; // the token holds a non-blank byte
}

bool Lexer::AtDelimiter() const { return !delimiter_.empty() && text_.substr(pos_).starts_with(delimiter_); }

TokenKind Lexer::Scan(Token &t) {
    if (AtDelimiter()) {
        pos_ += delimiter_.size();
        return TokenKind::Sign;
    }
    const char c = text_[pos_];
    if (IsWordStart(c) && c != '#') return ScanWordOrPrefixedLiteral(); // the most common token first
    const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
    return ScanCode(c, next, t);
}

// Any token but a word: comments, quotes, numbers, client commands and signs.
TokenKind Lexer::ScanCode(char c, char next, Token &t) {
    if ((c == '-' && next == '-') || (c == '#' && reading_ == Reading::MySql)) {
        pos_ = LineEndFrom(pos_);
        return TokenKind::LineComment;
    }
    if (c == '/' && next == '*') {
        const std::size_t close = text_.find("*/", pos_ + 2);
        pos_ = close == std::string_view::npos ? text_.size() : close + 2;
        return TokenKind::BlockComment;
    }
    if (c == '\'' || c == '"' || (c == '`' && reading_ == Reading::MySql)) {
        if (reading_ == Reading::MySql && c != '`')
            ScanMySqlQuoted(pos_);
        else
            ScanQuoted(pos_, false);
        return TokenKind::Literal;
    }
    if (c == '[' && reading_ == Reading::SqlServer) {
        ScanBracketName();
        return TokenKind::Literal;
    }
    if (reading_ == Reading::PostgreSql) {
        if (c == '$' && ScanDollarQuote()) return TokenKind::Literal;
        if (c == '\\') {
            pos_ = TrimmedLineEnd(pos_);
            return TokenKind::LineCommand;
        }
        if (c == ':' && ScanVariable(t)) return t.exact ? TokenKind::Word : TokenKind::Literal;
    }
    if (IsDigit(c) || (c == '.' && IsDigit(next))) {
        ScanNumber();
        t.exact = reading_ == Reading::MySql; // "0x1F" is hex there, "0X1F" a name
        return TokenKind::Word;
    }
    if (c == '$' || c == '#') {
        ScanWordRest();
        return TokenKind::Word;
    }
    ScanSign();
    return TokenKind::Sign;
}

// From the opening quote at `open` to just after its partner; a doubled quote
// stays inside, and with `backslashes` a backslash keeps the next byte inside too.
std::size_t Lexer::QuotedEnd(std::size_t open, bool backslashes) const {
    const char quote = text_[open];
    std::size_t at = open + 1;
    while (at < text_.size()) {
        if (!backslashes) at = std::min(text_.find(quote, at), text_.size()); // memchr
        if (at >= text_.size()) break;
        const char c = text_[at];
        if (backslashes && c == '\\') {
            at += 2;
        } else if (c != quote) {
            ++at;
        } else if (at + 1 < text_.size() && text_[at + 1] == quote) {
            at += 2;
        } else {
            return at + 1;
        }
    }
    return text_.size(); // unclosed: to the end of the text
}

void Lexer::ScanQuoted(std::size_t open, bool backslashes) { pos_ = QuotedEnd(open, backslashes); }

// MySQL reads backslash escapes unless a server mode says otherwise: where
// the two readings end the quote in different places, the longer one counts.
void Lexer::ScanMySqlQuoted(std::size_t open) {
    const std::size_t plain = QuotedEnd(open, false);
    if (text_.substr(open, plain - open).find('\\') == std::string_view::npos) {
        pos_ = plain;
        return;
    }
    pos_ = std::max(plain, QuotedEnd(open, true));
}

// $$…$$ or $tag$…$tag$, the tag a name; "$1" and a lone "$" are not quotes.
bool Lexer::ScanDollarQuote() {
    std::size_t at = pos_ + 1;
    if (at < text_.size() && IsWordStart(text_[at]) && text_[at] != '#' && text_[at] != '@')
        while (at < text_.size() && IsWordByte(text_[at]) && text_[at] != '$' && text_[at] != '#' && text_[at] != '@')
            ++at;
    if (at >= text_.size() || text_[at] != '$') return false;
    const std::string_view tag = text_.substr(pos_, at + 1 - pos_);
    const std::size_t close = text_.find(tag, at + 1);
    pos_ = close == std::string_view::npos ? text_.size() : close + tag.size();
    return true;
}

// [name] of SQL Server, "]]" standing for one "]" inside.
void Lexer::ScanBracketName() {
    for (std::size_t at = pos_ + 1;;) {
        const std::size_t close = text_.find(']', at);
        if (close == std::string_view::npos) {
            pos_ = text_.size();
            return;
        }
        if (close + 1 >= text_.size() || text_[close + 1] != ']') {
            pos_ = close + 1;
            return;
        }
        at = close + 2;
    }
}

// A psql variable: ":name", or ":'name'" and ":"name"" (quoted as literal and
// name). "::" is a cast and ":=" an assignment.
bool Lexer::ScanVariable(Token &t) {
    const std::size_t at = pos_ + 1;
    if ((pos_ > 0 && text_[pos_ - 1] == ':') || at >= text_.size()) return false;
    const char c = text_[at];
    if (c == '\'' || c == '"') {
        const std::size_t close = text_.find(c, at + 1);
        if (close == std::string_view::npos) return false;
        pos_ = close + 1;
        return true;
    }
    if (IsDigit(c) || !IsVariableByte(c)) return false;
    pos_ = at;
    while (pos_ < text_.size() && IsVariableByte(text_[pos_])) ++pos_;
    t.exact = true;
    return true;
}

void Lexer::ScanWordRest() {
    std::size_t at = pos_;
    while (at < text_.size() && (detail::kByteClasses[static_cast<unsigned char>(text_[at])] & wordBytes_)) ++at;
    pos_ = at;
}

void Lexer::ScanNumber() {
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '.') {
        ++pos_;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ + 1 < text_.size() && (text_[pos_] | 0x20) == 'e') {
        std::size_t digits = pos_ + 1;
        if (text_[digits] == '+' || text_[digits] == '-') ++digits;
        if (digits < text_.size() && IsDigit(text_[digits])) pos_ = digits;
    }
    ScanWordRest();
}

// A word; or, when the word is a literal's prefix glued to its quote,
// the whole literal: N'…', X'…', B'…', U&'…'; E'…' (backslash escapes) in
// PostgreSQL; q'x…x' / nq'x…x' in Oracle, whose brackets close with their partner.
TokenKind Lexer::ScanWordOrPrefixedLiteral() {
    const std::size_t start = pos_;
    ScanWordRest();
    const std::string_view word = text_.substr(start, pos_ - start);
    std::size_t quote = pos_;
    if (word.size() > 2 || quote >= text_.size() || (text_[quote] != '\'' && text_[quote] != '&'))
        return TokenKind::Word; // no literal's prefix
    if (EqualsIgnoringCase(word, "u") && quote + 1 < text_.size() && text_[quote] == '&') ++quote;
    if (quote >= text_.size() || text_[quote] != '\'') return TokenKind::Word;
    if (EqualsIgnoringCase(word, "q") || EqualsIgnoringCase(word, "nq")) {
        if (reading_ == Reading::Oracle && ScanAlternativeQuote(quote)) return TokenKind::Literal;
        return TokenKind::Word;
    }
    if (EqualsIgnoringCase(word, "e")) {
        if (reading_ != Reading::PostgreSql) return TokenKind::Word;
        ScanQuoted(quote, true);
        return TokenKind::Literal;
    }
    if (EqualsIgnoringCase(word, "n") || EqualsIgnoringCase(word, "x") || EqualsIgnoringCase(word, "b") ||
        (EqualsIgnoringCase(word, "u") && quote > pos_)) {
        if (reading_ == Reading::MySql)
            ScanMySqlQuoted(quote);
        else
            ScanQuoted(quote, false);
        return TokenKind::Literal;
    }
    return TokenKind::Word;
}

// q'x…x': `x` is any character but a blank (one of several bytes too).
bool Lexer::ScanAlternativeQuote(std::size_t quote) {
    const std::size_t open = quote + 1;
    if (open >= text_.size() || IsBlank(text_[open])) return false;
    const std::size_t width = std::min(CharacterWidth(text_[open]), text_.size() - open);
    std::array<char, 5> close{}; // the closing character and the quote
    text_.copy(close.data(), width, open);
    switch (close[0]) {
    case '[': close[0] = ']'; break;
    case '(': close[0] = ')'; break;
    case '{': close[0] = '}'; break;
    case '<': close[0] = '>'; break;
    default: break;
    }
    close[width] = '\'';
    const std::string_view closing(close.data(), width + 1);
    const std::size_t at = text_.find(closing, open + width);
    pos_ = at == std::string_view::npos ? text_.size() : at + closing.size();
    return true;
}

// Operator signs stand together up to a comment opening (or a psql variable);
// any other sign stands alone.
void Lexer::ScanSign() {
    if (!IsOperatorByte(text_[pos_])) {
        ++pos_;
        return;
    }
    ++pos_;
    while (pos_ < text_.size() && IsOperatorByte(text_[pos_]) && !EndsSign(pos_)) ++pos_;
}

bool Lexer::EndsSign(std::size_t at) const {
    if (at + 1 >= text_.size()) return false;
    const char c = text_[at], next = text_[at + 1];
    if ((c == '-' && next == '-') || (c == '/' && next == '*')) return true;
    return reading_ == Reading::PostgreSql && c == ':' && text_[at - 1] != ':' &&
           (next == '\'' || next == '"' || (!IsDigit(next) && IsVariableByte(next)));
}

std::vector<Token> Tokenize(std::string_view text, Reading reading) {
    std::vector<Token> tokens;
    Lexer lexer(text, reading);
    for (Token t; lexer.Next(t);) tokens.push_back(t);
    return tokens;
}

} // namespace kelvra::meaning
