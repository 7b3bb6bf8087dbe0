#pragma once
// Where the text stands that formatting leaves byte for byte as it is: quoted
// names and literals, line and block comments and, when meaning is kept, what
// the clients and servers that may read the text take as free text, a command
// line, an escape or a case-sensitive name.
//
// The earliest opening wins, so quotes inside a comment, hyphens inside a
// literal and a comment opening inside a line comment all belong to the piece
// that opened first. The plain kinds have no escapes: a doubled quote ends one
// literal and starts the next, and the two are put back side by side.
//
// Each reading kept (formatter/Readings.h) adds its own:
// - Oracle: q'x...x' and nq'x...x', where "(", "[", "{" and "<" close with
//   their partner and any other character with itself; SQL*Plus command lines
//   (formatter/LineCommands.h);
// - PostgreSQL: dollar quotes $tag$ ... $tag$ (tag empty or a name), unless the
//   "$" continues a word ("V$SESSION") or starts the statement end that a
//   DELIMITER line set; E'...' with backslash escapes and doubled quotes; psql
//   variables :name, :'name', :"name"; backslash commands to the line end,
//   wherever they start; the data lines of COPY ... FROM STDIN up to "\.";
// - MySQL: backquoted names `...`; "#" comments; quotes whose backslash escapes
//   would end them elsewhere run to where both readings end; backslash
//   commands; DELIMITER lines;
// - SQL Server: [...] names; GO lines;
// - any of them: numbers that hold letters (0x1F, 1e5), whose case is kept.

#include "formatter/ReadingSync.h"
#include "formatter/Readings.h"
#include "formatter/ScriptState.h"

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
    ProtectedTextScanner(std::string_view text, KeptReadings readings);

    // The next piece; none at the end of the text or at an unclosed opening.
    std::optional<ProtectedPiece> Next();
    // The opening that stopped the search, if one did.
    const std::optional<UnclosedOpening> &Unclosed() const { return unclosed_; }

private:
    enum Kind {
        DoubleQuote,
        Quote,
        LineComment,
        BlockComment,
        Backquote,
        Dollar,
        Hash,
        Bracket,
        Variable,
        Number,
        Backslash,
        kKinds
    };

    std::size_t Find(Kind kind, std::size_t from) const;
    std::size_t FindDollar(std::size_t from) const;
    std::size_t FindHash(std::size_t from) const;
    std::size_t FindBracket(std::size_t from) const;
    std::size_t FindVariable(std::size_t from) const;
    std::size_t FindNumber(std::size_t from) const;
    std::size_t FindBackslash(std::size_t from) const;
    std::optional<Kind> EarliestOpening();
    std::size_t NextCommand(std::size_t limit);
    bool CommandAt(std::size_t line, std::size_t end, bool statementOpen);
    bool LineStartCommand(std::size_t line, std::size_t end, std::size_t limit);
    std::optional<ProtectedPiece> PieceAt(Kind kind, std::size_t at);
    std::optional<ProtectedPiece> QuotedPiece(char letter, std::size_t quote);
    std::optional<ProtectedPiece> PrefixedLiteral(std::size_t quote);
    std::optional<ProtectedPiece> VariablePiece(std::size_t colon);
    std::optional<ProtectedPiece> CloseOrPassOver(char letter, std::size_t at, std::size_t end,
                                                  std::size_t openingLength, std::string closing);
    std::optional<ProtectedPiece> Close(char letter, std::size_t at, std::size_t end, std::size_t openingLength,
                                        std::string closing);
    std::optional<ProtectedPiece> Command();
    std::optional<ProtectedPiece> UntilReadingsMeet(std::optional<ProtectedPiece> piece);
    std::size_t WithLineBreak(std::size_t meet, std::size_t end) const;
    void FeedCode(std::size_t to);

    std::string_view text_;
    KeptReadings readings_;
    std::size_t scan_ = 0;                 // where the next piece may start
    std::array<std::size_t, kKinds> next_; // next opening of each kind; npos once none is left
    std::array<bool, kKinds> searched_{};
    ScriptState state_;          // of the code before `fed_`
    std::size_t fed_ = 0;        // how far the code has been fed to `state_`
    std::size_t blankRun_;       // start of the blank lines just passed; npos after others
    bool blankEnded_ = false;    // a blank line ended a statement, as SQL*Plus reads it
    std::size_t command_ = 0;    // the command found by NextCommand: its start and end
    std::size_t commandEnd_ = 0; //
    std::optional<UnclosedOpening> unclosed_;
    bool done_ = false;
    bool passOver_ = false;             // the opening just looked at is none
    ReaderTakers takers_;               // whether each reader can take the whole text, once asked
    bool escapesPairOtherwise_ = false; // mysql's escapes pair the quotes otherwise up to the end
};

// Every piece of `text` in order, for those that only need where they stand;
// an unclosed opening ends the list with a piece that runs to the end of the text.
std::vector<ProtectedPiece> ProtectedPieces(std::string_view text, KeptReadings readings);

} // namespace kelvra
