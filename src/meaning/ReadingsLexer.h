#pragma once
// Hands out the tokens of a text as several readings read it, for as long as
// they read it alike. The first reading scans each token; the others take it
// where every reading scans it alike (most words, signs, quotes and comments)
// and scan it themselves elsewhere. Each token is scanned one ahead, so that a
// walk knows before it asks whether the readings part on the next one.

#include "meaning/MeaningLexer.h"

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace kelvra::meaning {

class ReadingsLexer {
public:
    static constexpr std::size_t kMost = 4;

    ReadingsLexer(std::string_view text, std::span<const Reading> readings);

    // The next token and true; false at the end of the text, or where the
    // readings part on it (then Parted()). A word is exact where any reading holds it so.
    bool Next(Token &t);
    // Whether the readings read the next token differently.
    bool PartsNext() const { return partsNext_; }
    // Whether a Next was refused because they do.
    bool Parted() const { return parted_; }
    // Where the token they part on was looked for from.
    std::size_t PartedAt() const { return partedAt_; }
    // The end of the last token handed out.
    std::size_t Position() const { return handedEnd_; }

    std::size_t Readings() const { return count_; }

    // The lexer of one reading alone, where this one stands.
    ReadingsLexer Alone(std::size_t reading) const;
    // Takes in the readings of another lexer that stands where this one does.
    void Add(const ReadingsLexer &other);

private:
    ReadingsLexer() = default;
    void ScanAhead();
    void CatchUp();
    void NoteTakers();
    void NoteOwn(std::size_t reading, bool has, const Token &own, std::size_t from);

    std::array<Lexer, kMost> lexers_{};
    std::array<Token, kMost> own_{}; // the next token of a reading that scanned it itself
    std::array<bool, kMost> hasOwn_{};
    unsigned scanned_ = 0; // a bit for each reading that scanned its next token itself
    std::size_t count_ = 0;
    Token next_;
    bool hasNext_ = false, partsNext_ = false, parted_ = false;
    std::size_t partedAt_ = 0, handedEnd_ = 0;
    bool settled_ = false;      // every reading but the first is Settled()
    bool exactNumbers_ = false; // one of them keeps the letter case of numbers
    bool lagging_ = false;      // they stand before the tokens up to lagEnd_
    std::size_t lagEnd_ = 0, lagSolid_ = 0;
};

} // namespace kelvra::meaning
