#include "lsp/Positions.h"

#include "platform/Utf8.h"

#include <algorithm>

namespace kelvra::lsp {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Code units of the character whose lead byte is `lead`: a character outside
// the Basic Multilingual Plane (four UTF-8 bytes) is a surrogate pair in UTF-16.
std::size_t Units(unsigned char lead, PositionEncoding encoding) {
    const std::size_t bytes = Utf8CharLength(lead);
    if (encoding == PositionEncoding::Utf8) return bytes;
    return bytes == 4 ? 2 : 1;
}

} // namespace

LineIndex::LineIndex(std::string_view text) : text_(text) {
    starts_.push_back(0);
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = LineEndLengthAt(text, i)) {
            i += n;
            starts_.push_back(i);
        } else {
            ++i;
        }
    }
}

std::size_t LineIndex::LineStart(std::size_t line) const {
    return line < starts_.size() ? starts_[line] : text_.size();
}

std::size_t LineIndex::LineContentEnd(std::size_t line) const {
    if (line + 1 >= starts_.size()) return text_.size();
    std::size_t end = starts_[line + 1];
    if (end > 0 && text_[end - 1] == '\n') --end;
    if (end > starts_[line] && text_[end - 1] == '\r') --end;
    return end;
}

std::size_t LineIndex::OffsetOf(Position position, PositionEncoding encoding) const {
    if (position.line >= starts_.size()) return text_.size();
    const std::size_t end = LineContentEnd(position.line);
    std::size_t offset = starts_[position.line], units = 0;
    while (offset < end) {
        const auto lead = static_cast<unsigned char>(text_[offset]);
        const std::size_t next = units + Units(lead, encoding);
        if (next > position.character) break;
        units = next;
        offset = std::min(end, offset + Utf8CharLength(lead));
    }
    return offset;
}

Position LineIndex::PositionOf(std::size_t offset, PositionEncoding encoding) const {
    offset = std::min(offset, text_.size());
    while (offset > 0 && offset < text_.size() && IsContinuationByte(text_[offset])) --offset;
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    const std::size_t line = static_cast<std::size_t>(after - starts_.begin()) - 1;
    // An offset inside a CR LF belongs to the line it ends.
    const std::size_t end = std::min(offset, LineContentEnd(line));
    Position position{line, 0};
    for (std::size_t i = starts_[line]; i < end;) {
        const auto lead = static_cast<unsigned char>(text_[i]);
        position.character += Units(lead, encoding);
        i += Utf8CharLength(lead);
    }
    return position;
}

std::size_t LineIndex::OffsetOfCharacter(std::size_t line, std::size_t characters) const {
    if (line >= starts_.size()) return text_.size();
    const std::size_t end = LineContentEnd(line);
    std::size_t offset = starts_[line];
    for (std::size_t n = 0; n < characters && offset < end; ++n)
        offset = std::min(end, offset + Utf8CharLength(static_cast<unsigned char>(text_[offset])));
    return offset;
}

} // namespace kelvra::lsp
