#include "meaning/MeaningLexer.h"

#include <algorithm>

namespace kelvra::meaning {
namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsAsciiLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) { return IsWordByte(c) && !IsDigit(c) && c != '$'; }

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

// Non-blank bytes of a literal or comment. Written without the byte table so
// that the compiler can count many bytes at once: these can be long.
std::size_t SolidBytes(std::string_view text) {
    std::size_t blanks = 0;
    for (const char c : text) blanks += c == ' ' || static_cast<unsigned char>(c - '\t') < 5;
    return text.size() - blanks;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] | 0x20) != lowerWord[i]) return false;
    return true;
}

// REM, REMARK, PROMPT, PRO or DELIMITER at the start of `head`.
bool MayStartCommandWord(std::string_view head) {
    std::size_t word = 0;
    while (word < head.size() && IsAsciiLetter(head[word])) ++word;
    head = head.substr(0, word);
    return EqualsIgnoringCase(head, "rem") || EqualsIgnoringCase(head, "remark") ||
           EqualsIgnoringCase(head, "prompt") || EqualsIgnoringCase(head, "pro") ||
           EqualsIgnoringCase(head, "delimiter") || EqualsIgnoringCase(head, "go");
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
    t.kind = lineStart_ && IsLineCommand() ? TokenKind::LineCommand : Scan();
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

// A statement is open from its first code token to its ";" (or a line command).
void Lexer::NoteStatement(const Token &t) {
    switch (t.kind) {
    case TokenKind::Word:
    case TokenKind::Literal: statementOpen_ = true; break;
    case TokenKind::Sign:
        statementOpen_ =
            text_[t.start] != ';' && (delimiter_.empty() || text_.substr(t.start, t.end - t.start) != delimiter_);
        break;
    case TokenKind::LineCommand: statementOpen_ = false; break;
    case TokenKind::LineComment:
    case TokenKind::BlockComment: break;
    }
}

// The first CR or LF from `at`, searched with memchr: comments make long lines.
std::size_t Lexer::LineEndFrom(std::size_t at) const {
    std::size_t end = text_.find('\n', at);
    if (end == std::string_view::npos) end = text_.size();
    const std::size_t cr = text_.substr(0, end).find('\r', at);
    return cr == std::string_view::npos ? end : cr;
}

// A client command that takes the whole line: a line that is only "/" or
// a psql backslash command anywhere; REM, REMARK, PROMPT, PRO and @, @@
// script calls only where no statement is open, so that a column called
// "rem" or a T-SQL "@v = 1" on a line of its own stays SQL.
bool Lexer::IsLineCommand() {
    switch (text_[pos_]) {
    case 'd':
    case 'D':
    case '/':
    case '\\':
    case '@':
    case 'r':
    case 'R':
    case 'p':
    case 'P':
    case 'g':
    case 'G': break;
    default: return false; // no command begins otherwise
    }
    if (IsAsciiLetter(text_[pos_]) && !MayStartCommandWord(text_.substr(pos_, 10))) return false;
    std::size_t end = LineEndFrom(pos_);
    while (end > pos_ && IsBlank(text_[end - 1])) --end;
    const std::string_view line = text_.substr(pos_, end - pos_);
    const bool command = line == "/" || line[0] == '\\' || EndsBatch(line) ||
                         (!statementOpen_ && (IsScriptCommand(line) || SetsDelimiter(line)));
    if (command) pos_ = end;
    return command;
}

// "go" on its own or followed by a count, then at most a line comment:
// T-SQL clients end a batch there.
bool Lexer::EndsBatch(std::string_view line) {
    if (line.size() < 2 || !EqualsIgnoringCase(line.substr(0, 2), "go")) return false;
    std::size_t at = 2;
    if (at < line.size() && !IsBlank(line[at])) return false;
    while (at < line.size() && IsBlank(line[at])) ++at;
    while (at < line.size() && IsDigit(line[at])) ++at;
    while (at < line.size() && IsBlank(line[at])) ++at;
    return at == line.size() || line.substr(at).starts_with("--");
}

bool Lexer::IsScriptCommand(std::string_view line) {
    if (line[0] == '@') {
        const std::size_t name = line.size() > 1 && line[1] == '@' ? 2 : 1;
        return name < line.size() && !IsBlank(line[name]) && line.find('=') == std::string_view::npos;
    }
    std::size_t word = 0;
    while (word < line.size() && IsAsciiLetter(line[word])) ++word;
    const std::string_view head = line.substr(0, word);
    if (!EqualsIgnoringCase(head, "rem") && !EqualsIgnoringCase(head, "remark") &&
        !EqualsIgnoringCase(head, "prompt") && !EqualsIgnoringCase(head, "pro"))
        return false;
    if (word == line.size()) return true;
    if (!IsBlank(line[word])) return false;
    std::size_t next = word;
    while (next < line.size() && IsBlank(line[next])) ++next;
    // "rem := 1;", "rem = 2" or "prompt(x)" are code, not a remark; a row of "=" is.
    const std::string_view rest = line.substr(next);
    if (rest.starts_with(":=")) return false;
    if (rest.starts_with('=')) return rest.starts_with("==");
    return std::string_view("(.,;").find(rest[0]) == std::string_view::npos;
}

// "DELIMITER word" (a comment may follow) makes `word` the mysql client's
// statement end until the next such line; "delimiter ;" goes back to ";".
// A quoted argument is the delimiter clause of COPY, not this.
bool Lexer::SetsDelimiter(std::string_view line) {
    std::size_t word = 0;
    while (word < line.size() && IsAsciiLetter(line[word])) ++word;
    if (!EqualsIgnoringCase(line.substr(0, word), "delimiter") || word == line.size() || !IsBlank(line[word]))
        return false;
    std::size_t from = word;
    while (from < line.size() && IsBlank(line[from])) ++from;
    std::size_t to = from;
    while (to < line.size() && !IsBlank(line[to])) ++to;
    const std::string_view end = line.substr(from, to - from);
    if (end.empty() || end[0] == '\'' || end[0] == '"' || end[0] == '`') return false;
    delimiter_ = end == ";" ? std::string_view() : end;
    return true;
}

bool Lexer::AtDelimiter() const { return !delimiter_.empty() && text_.substr(pos_).starts_with(delimiter_); }

TokenKind Lexer::Scan() {
    if (AtDelimiter()) {
        pos_ += delimiter_.size();
        return TokenKind::Sign;
    }
    const char c = text_[pos_];
    if (IsWordStart(c)) return ScanWordOrPrefixedLiteral(); // the most common token first
    const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
    if (c == '-' && next == '-') {
        pos_ = LineEndFrom(pos_);
        return TokenKind::LineComment;
    }
    if (c == '/' && next == '*') {
        const std::size_t close = text_.find("*/", pos_ + 2);
        pos_ = close == std::string_view::npos ? text_.size() : close + 2;
        return TokenKind::BlockComment;
    }
    if (c == '\'' || c == '"' || c == '`') {
        ScanQuoted(pos_, false);
        return TokenKind::Literal;
    }
    if (c == '$' && ScanDollarQuote()) return TokenKind::Literal;
    if (IsDigit(c) || (c == '.' && IsDigit(next))) {
        ScanNumber();
        return TokenKind::Word;
    }
    if (c == '$') {
        ScanWordRest();
        return TokenKind::Word;
    }
    ScanSign();
    return TokenKind::Sign;
}

// From the opening quote at `open` to its partner; a doubled quote stays
// inside, and with `backslashes` a backslash keeps the next byte inside too.
void Lexer::ScanQuoted(std::size_t open, bool backslashes) {
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
            pos_ = at + 1;
            return;
        }
    }
    pos_ = text_.size(); // unclosed: to the end of the text
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

void Lexer::ScanWordRest() {
    std::size_t at = pos_;
    while (at < text_.size() && IsWordByte(text_[at])) ++at;
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
// the whole literal: E'…' (backslash escapes), N'…', X'…', B'…', U&'…',
// and q'x…x' / nq'x…x' whose brackets close with their partner.
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
        if (ScanAlternativeQuote(quote)) return TokenKind::Literal;
        return TokenKind::Word;
    }
    if (EqualsIgnoringCase(word, "e")) {
        ScanQuoted(quote, true);
        return TokenKind::Literal;
    }
    if (EqualsIgnoringCase(word, "n") || EqualsIgnoringCase(word, "x") || EqualsIgnoringCase(word, "b") ||
        (EqualsIgnoringCase(word, "u") && quote > pos_)) {
        ScanQuoted(quote, false);
        return TokenKind::Literal;
    }
    return TokenKind::Word;
}

bool Lexer::ScanAlternativeQuote(std::size_t quote) {
    if (quote + 1 >= text_.size() || IsBlank(text_[quote + 1])) return false;
    char close = text_[quote + 1];
    switch (close) {
    case '[': close = ']'; break;
    case '(': close = ')'; break;
    case '{': close = '}'; break;
    case '<': close = '>'; break;
    default: break;
    }
    for (std::size_t at = quote + 2; at + 1 < text_.size(); ++at)
        if (text_[at] == close && text_[at + 1] == '\'') {
            pos_ = at + 2;
            return true;
        }
    pos_ = text_.size();
    return true;
}

// Operator signs stand together up to a comment opening; any other sign stands alone.
void Lexer::ScanSign() {
    if (!IsOperatorByte(text_[pos_])) {
        ++pos_;
        return;
    }
    ++pos_;
    while (pos_ < text_.size() && IsOperatorByte(text_[pos_]) && !OpensComment(pos_)) ++pos_;
}

bool Lexer::OpensComment(std::size_t at) const {
    if (at + 1 >= text_.size()) return false;
    return (text_[at] == '-' && text_[at + 1] == '-') || (text_[at] == '/' && text_[at + 1] == '*');
}

std::vector<Token> Tokenize(std::string_view text) {
    std::vector<Token> tokens;
    Lexer lexer(text);
    for (Token t; lexer.Next(t);) tokens.push_back(t);
    return tokens;
}

} // namespace kelvra::meaning
