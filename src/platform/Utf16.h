#pragma once
// UTF-16 files: their bytes (after the byte-order mark) turned into UTF-8 and
// back, in either byte order. Written by hand: two dozen lines, and no codec
// library to carry along.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

enum class ByteOrder { LittleEndian, BigEndian };

struct Utf16Decoded {
    std::string text; // UTF-8
    // Offsets in the given bytes of units that did not decode (a lone
    // surrogate, a NUL, an odd byte at the end); each became U+FFFD.
    std::vector<std::size_t> badOffsets;
};

// The byte order its byte-order mark gives, when `bytes` start with one.
bool StartsWithUtf16Bom(std::string_view bytes, ByteOrder &order);
constexpr std::size_t kUtf16BomSize = 2;

Utf16Decoded DecodeUtf16(std::string_view bytes, ByteOrder order);
// `utf8` as UTF-16 code units, without a byte-order mark. Bytes that are not
// well-formed UTF-8 are written as U+FFFD and their offsets put in `lossy`.
std::string EncodeUtf16(std::string_view utf8, ByteOrder order, std::vector<std::size_t> &lossy);
// The byte-order mark of `order`.
std::string Utf16Bom(ByteOrder order);

} // namespace kelvra
