#pragma once
// Where the text stands that formatting leaves byte for byte as it is: quoted
// names and literals, line and block comments and, when meaning is kept, the
// dialects' literals and quoted names and the clients' line commands.
//
// The earliest opening wins, so quotes inside a comment, hyphens inside a
// literal and a comment opening inside a line comment all belong to the piece
// that opened first. The plain kinds have no escapes: a doubled quote ends one
// literal and starts the next, and the two are put back side by side.
//
// When meaning is kept, these count as well:
// - dollar quotes $tag$ ... $tag$ (tag empty or a name), unless the "$"
//   continues a word ("V$SESSION") or starts the statement end that a
//   DELIMITER line set;
// - E'...' with backslash escapes and doubled quotes;
// - q'x...x' and nq'x...x', where "(", "[", "{" and "<" close with their
//   partner and any other character with itself;
// - backquoted names `...`;
// - client line commands (formatter/LineCommands.h), from their first
//   character to the end of their line.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

struct ProtectedPiece {
    std::size_t start = 0, end = 0; // byte range [start, end)
    // The token letter that stands for the piece in a format run: K quoted
    // name, R literal, C line comment, T block comment, L line command.
    char letter = 'R';
    bool operator==(const ProtectedPiece &) const = default;
};

// An opening whose end never comes.
struct UnclosedOpening {
    std::size_t at = 0, length = 0; // the opening's characters
    std::string closing;            // what would have ended it, as the refusal names it
};

// Finds the pieces of one text in order, each in time linear in the text
// scanned for it. `text` must outlive the scanner.
class ProtectedTextScanner {
public:
    ProtectedTextScanner(std::string_view text, bool keepMeaning);

    // The next piece; none at the end of the text or at an unclosed opening.
    std::optional<ProtectedPiece> Next();
    // The opening that stopped the search, if one did.
    const std::optional<UnclosedOpening> &Unclosed() const { return unclosed_; }

private:
    enum Kind { DoubleQuote, Quote, LineComment, BlockComment, Backquote, Dollar, Command, kKinds };

    std::size_t Find(Kind kind, std::size_t from);
    std::size_t NextCommand(std::size_t from);
    std::optional<Kind> Earliest();
    bool IsStatementEnd(std::size_t dollar) const;
    std::optional<ProtectedPiece> PieceAt(Kind kind, std::size_t at);
    std::optional<ProtectedPiece> PlainLiteral(std::size_t quote);
    std::optional<ProtectedPiece> PrefixedLiteral(std::size_t quote);
    std::optional<ProtectedPiece> Close(char letter, std::size_t at, std::size_t end, std::size_t openingLength,
                                        std::string closing);

    std::string_view text_;
    bool keepMeaning_;
    std::size_t scan_ = 0;                 // where the next piece may start
    std::array<std::size_t, kKinds> next_; // next opening of each kind; npos once none is left
    std::array<bool, kKinds> searched_{};
    std::size_t commandLineEnd_ = 0;    // of the command found by NextCommand
    std::string_view commandDelimiter_; // the statement end it sets, if a DELIMITER line
    std::string_view statementEnd_;     // set by the last DELIMITER line
    std::optional<UnclosedOpening> unclosed_;
    bool done_ = false;
};

// Every piece of `text` in order, for those that only need where they stand;
// an unclosed opening ends the list with a piece that runs to the end of the text.
std::vector<ProtectedPiece> ProtectedPieces(std::string_view text, bool keepMeaning);

} // namespace kelvra
