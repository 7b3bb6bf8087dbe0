#pragma once
// The meaning check's own lexer. It cuts a text into words, signs, literals,
// comments and client line commands as one client and server read it, and
// numbers each token by the count of non-blank bytes before it: a run that
// changes only blanks gives every token the same number in the text before
// and after, which lines the two up.

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvra::meaning {

// Whose rules a text is read by: a client and the server behind it.
enum class Reading {
    Oracle,     // SQL*Plus: its command lines, PL/SQL blocks up to "/", q'x…x'
    PostgreSql, // psql: backslash commands, COPY data, :variables; $tag$…$tag$, E'…'
    MySql,      // the mysql client: DELIMITER; backslash escapes, "#" comments, `names`
    SqlServer,  // sqlcmd: GO; [names]
};

enum class TokenKind {
    Word,         // a name or keyword; also numbers and T-SQL @names
    Sign,         // an operator (signs that stand together) or a single punctuation sign
    Literal,      // '…', "…", `…`, E'…', q'[…]', N'…', X'…', $tag$…$tag$, […]
    LineComment,  // -- (or #) to the end of the line
    BlockComment, // /* … */
    LineCommand,  // a client command that takes the rest of its line (or more lines), or COPY data
};

struct Token {
    TokenKind kind = TokenKind::Word;
    std::size_t start = 0, end = 0;      // bytes of the text
    std::size_t solid = 0, solidEnd = 0; // non-blank bytes of the text before start and before end
    bool glued = false;                  // no blank between this token and the one before
    bool lineBreakBefore = false;        // a line end between this token and the one before
    bool exact = false;                  // a word whose letter case counts (a mysql number, a psql :variable)
};

namespace detail {
constexpr unsigned char kBlank = 1, kWord = 2, kWordNotHash = 4;
constexpr std::array<unsigned char, 256> ByteClasses() {
    std::array<unsigned char, 256> classes{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v'}) classes[c] = kBlank;
    for (int c = 0; c < 256; ++c)
        if (c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
            c == '$' || c == '#' || c == '@')
            classes[c] = c == '#' ? kWord : kWord | kWordNotHash;
    return classes;
}
inline constexpr std::array<unsigned char, 256> kByteClasses = ByteClasses();
} // namespace detail

inline bool IsBlank(char c) { return detail::kByteClasses[static_cast<unsigned char>(c)] & detail::kBlank; }
// Letters, digits, "_", "$", "#", "@" and every byte of a non-ASCII character.
inline bool IsWordByte(char c) { return detail::kByteClasses[static_cast<unsigned char>(c)] & detail::kWord; }
inline bool IsAsciiLetter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// What a word (not a number) begins with.
inline bool IsWordStart(char c) { return IsWordByte(c) && !IsDigit(c) && c != '$'; }

// Hands out the tokens of a text one by one, as `reading` reads them.
class Lexer {
public:
    Lexer() = default;
    Lexer(std::string_view text, Reading reading)
        : text_(text), reading_(reading), wordBytes_(reading == Reading::MySql ? detail::kWordNotHash : detail::kWord) {
    }
    bool Next(Token &t); // false at the end of the text

    // Where the next token is looked for.
    std::size_t Position() const { return pos_; }
    std::string_view Text() const { return text_; }
    // Whether a token that every reading scans alike may be taken from
    // another reading here: not the first, not COPY data, no DELIMITER set.
    bool MayTake() const { return !first_ && !copyData_ && delimiter_.empty(); }
    // The same for the token `t`, which may begin a line where this reading reads a client command.
    bool MayTakeAt(const Token &t) const;
    // Passes a token another reading scanned from this lexer's place, which
    // this reading scans alike; marks it exact where this reading would.
    void Take(Token &t);
    // Whether taking such a token, not at a line start and not ";", changes
    // nothing this lexer knows but where it stands: inside a statement past its head.
    bool Settled() const { return MayTake() && statementOpen_ && head_ == Head::Other && copy_ == Copy::No; }
    // Stands after tokens taken while settled, the last of them ending at `end`.
    void PassTo(std::size_t end, std::size_t solidEnd) { pos_ = end, solid_ = solidEnd; }
    // Whether numbers keep their letter case ("0x1F" is hex in mysql, "0X1F" a name).
    bool ExactNumbers() const { return reading_ == Reading::MySql; }
    // Whether "#" ends a word (it begins a comment in mysql).
    bool HashEndsWords() const { return reading_ == Reading::MySql; }

private:
    enum class Head : unsigned char { Start, Create, Other };  // how a statement begins (SQL*Plus)
    enum class Copy : unsigned char { No, Copy, From, Stdin }; // COPY … FROM stdin (psql)
    // Where a byte was last searched for and found (the text's size when it was not).
    struct NextByte {
        std::size_t from = 1, found = 0; // nothing searched yet
        std::size_t From(std::string_view text, char c, std::size_t at);
    };

    void NoteStatement(const Token &t);
    void NoteWord(std::string_view word);
    std::size_t LineEndFrom(std::size_t at) const;
    std::size_t TrimmedLineEnd(std::size_t at) const;
    std::size_t LineStartBefore(std::size_t at) const;
    bool IsLineCommand();
    bool IsSqlPlusLine(std::string_view line) const;
    std::size_t SqlPlusCommandEnd(std::size_t lineEnd) const;
    void ScanCopyData();
    bool AtDelimiter() const;
    TokenKind Scan(Token &t);
    TokenKind ScanCode(char c, char next, Token &t);
    std::size_t QuotedEnd(std::size_t open, bool backslashes) const;
    void ScanQuoted(std::size_t open, bool backslashes);
    void ScanMySqlQuoted(std::size_t open);
    bool ScanDollarQuote();
    void ScanBracketName();
    bool ScanVariable(Token &t);
    void ScanWordRest();
    void ScanNumber();
    TokenKind ScanWordOrPrefixedLiteral();
    bool ScanAlternativeQuote(std::size_t quote);
    void ScanSign();
    bool EndsSign(std::size_t at) const;

    std::string_view text_;
    Reading reading_ = Reading::Oracle;
    unsigned char wordBytes_ = detail::kWord; // the byte class that goes on a word ("#" begins a comment in mysql)
    std::string_view delimiter_;              // the mysql client's statement end, when not ";"
    std::size_t pos_ = 0, solid_ = 0;
    bool statementOpen_ = false, lineStart_ = true, first_ = true;
    bool block_ = false;    // inside a PL/SQL block, which runs to a "/" or "." line
    bool copyData_ = false; // COPY data comes from the next line on
    Head head_ = Head::Start;
    Copy copy_ = Copy::No;
    mutable NextByte lf_, cr_;
};

std::vector<Token> Tokenize(std::string_view text, Reading reading);

// Whether every reading scans `t` (from the place before it) as it stands: a
// word, number, sign, quote or comment that no reading's own rules touch.
// (Client commands at a line start are each reading's own: Lexer::MayTakeAt.)
// `hashEndsWords`: `t` was scanned by a reading in which "#" ends words.
bool ScannedAlike(const Token &t, std::string_view text, bool hashEndsWords);

} // namespace kelvra::meaning
