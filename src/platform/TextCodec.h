#pragma once
// Conversions between the program's UTF-8 text and the bytes of files:
// code page 932 (Shift-JIS as Windows writes it) and UTF-8.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

struct DecodeResult {
    std::string text;                   // UTF-8; each undecodable byte became U+FFFD
    std::vector<std::size_t> badOffsets; // byte offsets in the input that did not decode
};

struct EncodeResult {
    std::string bytes;
    // UTF-8 byte offsets of characters that code page 932 cannot hold or would
    // give back as another character (encode-then-decode differs).
    std::vector<std::size_t> lossyOffsets;
};

DecodeResult DecodeCp932(std::string_view bytes);
EncodeResult EncodeCp932(std::string_view utf8);

bool IsValidUtf8(std::string_view bytes);
bool HasNonAscii(std::string_view bytes);
// Offsets of bytes that are not part of a well-formed UTF-8 sequence.
std::vector<std::size_t> InvalidUtf8Offsets(std::string_view bytes);

// Byte length of one UTF-8 character starting with `lead` (1 for a stray byte).
std::size_t Utf8CharLength(unsigned char lead);

} // namespace kelvra
