#pragma once
// Places in a document as the client names them: a line and a character
// offset in that line, counted in UTF-16 code units (the protocol's default)
// or in UTF-8 bytes (when the client offers it). Lines end at LF, CR LF or a
// lone CR. The server keeps documents as UTF-8 and works with byte offsets.

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvra::lsp {

enum class PositionEncoding { Utf16, Utf8 };

struct Position {
    std::size_t line = 0, character = 0;
    bool operator==(const Position &) const = default;
};

// The line starts of one text, for turning positions into byte offsets and back.
// The text must outlive the index.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);

    std::size_t LineCount() const { return starts_.size(); }
    // Byte offset where line `line` starts (the text's size past the last line).
    std::size_t LineStart(std::size_t line) const;
    // Byte offset where the content of `line` ends, before its line end.
    std::size_t LineContentEnd(std::size_t line) const;

    // A position past the end of its line means the line's end; a line past the
    // last means the end of the text; a position inside a character (half of a
    // surrogate pair) means the start of that character.
    std::size_t OffsetOf(Position position, PositionEncoding encoding) const;
    // `offset` is taken back to the start of the character it falls in.
    Position PositionOf(std::size_t offset, PositionEncoding encoding) const;
    // The offset `characters` characters (code points) into `line`, at most its end.
    std::size_t OffsetOfCharacter(std::size_t line, std::size_t characters) const;

private:
    std::string_view text_;
    std::vector<std::size_t> starts_;
};

} // namespace kelvra::lsp
