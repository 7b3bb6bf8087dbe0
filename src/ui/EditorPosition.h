#pragma once
// Byte offsets into the editor's text (UTF-8 with CR LF line ends, the form
// the core and the files use) and positions in the editor widget (UTF-16 code
// units, one position per line break) converted into each other. A CR LF, a
// lone CR and a lone LF are each one position; a character outside the Basic
// Multilingual Plane is two (a surrogate pair), every other character one.

#include <cstddef>
#include <string_view>

namespace kelvra {

// Walks the text once from its start: each call gives the editor position of
// a byte offset at or after the previous one, so that many ascending offsets
// cost one pass. An offset inside a character or inside a CR LF counts as the
// position after it; an offset past the end counts as the end.
class EditorPositionWalker {
public:
    explicit EditorPositionWalker(std::string_view text) : text_(text) {}
    int PositionOf(std::size_t byteOffset);

private:
    std::string_view text_;
    std::size_t byte_ = 0;
    int position_ = 0;
};

// Editor position of `byteOffset` into `text`.
int EditorPosition(std::string_view text, std::size_t byteOffset);
// Editor positions taken by the whole of `text`.
int EditorLength(std::string_view text);
// Byte offset into `text` of the editor position `position` (the text's size
// for a position at or past its end).
std::size_t ByteOffsetOf(std::string_view text, int position);

} // namespace kelvra
