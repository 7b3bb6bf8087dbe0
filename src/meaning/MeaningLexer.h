#pragma once
// The meaning check's own lexer. It cuts a text into words, signs, literals,
// comments and client line commands, and numbers each token by the count of
// non-blank bytes before it: a run that changes only blanks gives every token
// the same number in the text before and after, which lines the two up.

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

bool IsBlank(char c);
bool IsWordByte(char c);

std::vector<Token> Tokenize(std::string_view text);

} // namespace kelvra::meaning
