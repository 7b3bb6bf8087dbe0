#pragma once
// Where a script stands between its statements, as a line-based client sees
// it: whether a statement is open, whether a PL/SQL block is being read (in
// which client commands are code up to its "/" or "." line), and whether the
// data lines of COPY ... FROM STDIN come next. It is fed the code and the
// protected pieces of a text in order.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kelvra {

class ScriptState {
public:
    // Code between protected pieces (any line ends); it ends at a line end or
    // where a piece starts, so that no word goes on into the next call.
    void Code(std::string_view code);
    // A protected piece: 'K' or 'R' a quoted name or literal, 'C' or 'T' a
    // comment, 'L' a client line command (its whole text).
    void Piece(char letter, std::string_view text);

    bool StatementOpen() const { return open_; }
    bool InBlock() const { return block_; }
    // Data lines of COPY ... FROM STDIN start at the next line; taking them clears this.
    bool TakeCopyData();

private:
    void Word(std::string_view word);
    void EndStatement();
    void EndServerStatement();

    static constexpr std::size_t kHeadWords = 5;
    bool open_ = false, block_ = false; // as SQL*Plus reads the script
    bool serverOpen_ = false;           // a statement the server reads up to its ";"
    bool copy_ = false, stdin_ = false, copyData_ = false;
    std::array<std::string, kHeadWords> head_{}; // first words of the open statement, upper-cased
    std::size_t headCount_ = 0;
};

// Whether a statement that begins with these upper-cased words is a PL/SQL
// block, which a line-based client reads up to a "/" or "." line.
bool BeginsBlock(const std::string *words, std::size_t count);

} // namespace kelvra
