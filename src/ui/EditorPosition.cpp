#include "ui/EditorPosition.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace kelvra {
namespace {

// Bytes and editor positions of the character or line break at `i`.
struct Step {
    std::size_t bytes;
    int positions;
};

Step StepAt(std::string_view text, std::size_t i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return {2, 1};
    const std::size_t n = Utf8CharLength(static_cast<unsigned char>(text[i]));
    return {n, n == 4 ? 2 : 1};
}

} // namespace

int EditorPositionWalker::PositionOf(std::size_t byteOffset) {
    while (byte_ < byteOffset && byte_ < text_.size()) {
        const Step s = StepAt(text_, byte_);
        byte_ += s.bytes;
        position_ += s.positions;
    }
    return position_;
}

int EditorPosition(std::string_view text, std::size_t byteOffset) {
    return EditorPositionWalker(text).PositionOf(byteOffset);
}

int EditorLength(std::string_view text) { return EditorPosition(text, text.size()); }

std::size_t ByteOffsetOf(std::string_view text, int position) {
    std::size_t byte = 0;
    for (int pos = 0; pos < position && byte < text.size();) {
        const Step s = StepAt(text, byte);
        byte += s.bytes;
        pos += s.positions;
    }
    return std::min(byte, text.size());
}

} // namespace kelvra
