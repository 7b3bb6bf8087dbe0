#pragma once
// The meaning check's own lexer. It cuts a text into words, signs, literals,
// comments and client line commands, and numbers each token by the count of
// non-blank bytes before it: a run that changes only blanks gives every token
// the same number in the text before and after, which lines the two up.

#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvra::meaning {

enum class TokenKind {
    Word,         // a name or keyword; also numbers and T-SQL @names
    Sign,         // an operator (signs that stand together) or a single punctuation sign
    Literal,      // '…', "…", `…`, E'…', q'[…]', N'…', X'…', $tag$…$tag$
    LineComment,  // -- to the end of the line
    BlockComment, // /* … */
    LineCommand,  // a client command that takes its whole line
};

struct Token {
    TokenKind kind = TokenKind::Word;
    std::size_t start = 0, end = 0;      // bytes of the text
    std::size_t solid = 0, solidEnd = 0; // non-blank bytes of the text before start and before end
    bool glued = false;                  // no blank between this token and the one before
    bool lineBreakBefore = false;        // a line end between this token and the one before
};

namespace detail {
constexpr unsigned char kBlank = 1, kWord = 2;
constexpr std::array<unsigned char, 256> ByteClasses() {
    std::array<unsigned char, 256> classes{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v'}) classes[c] = kBlank;
    for (int c = 0; c < 256; ++c)
        if (c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
            c == '$' || c == '#' || c == '@')
            classes[c] = kWord;
    return classes;
}
inline constexpr std::array<unsigned char, 256> kByteClasses = ByteClasses();
} // namespace detail

inline bool IsBlank(char c) { return detail::kByteClasses[static_cast<unsigned char>(c)] & detail::kBlank; }
// Letters, digits, "_", "$", "#", "@" and every byte of a non-ASCII character.
inline bool IsWordByte(char c) { return detail::kByteClasses[static_cast<unsigned char>(c)] & detail::kWord; }

// Hands out the tokens of a text one by one.
class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}
    bool Next(Token &t); // false at the end of the text

private:
    void NoteStatement(const Token &t);
    std::size_t LineEndFrom(std::size_t at) const;
    bool IsLineCommand();
    static bool IsScriptCommand(std::string_view line);
    static bool EndsBatch(std::string_view line);
    bool SetsDelimiter(std::string_view line);
    bool AtDelimiter() const;
    TokenKind Scan();
    void ScanQuoted(std::size_t open, bool backslashes);
    bool ScanDollarQuote();
    void ScanWordRest();
    void ScanNumber();
    TokenKind ScanWordOrPrefixedLiteral();
    bool ScanAlternativeQuote(std::size_t quote);
    void ScanSign();
    bool OpensComment(std::size_t at) const;

    std::string_view text_;
    std::string_view delimiter_; // the mysql client's statement end, when not ";"
    std::size_t pos_ = 0, solid_ = 0;
    bool statementOpen_ = false, lineStart_ = true, first_ = true;
};

std::vector<Token> Tokenize(std::string_view text);

} // namespace kelvra::meaning
