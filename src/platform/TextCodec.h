#pragma once
// Conversions between the program's UTF-8 text and the bytes of files:
// code page 932 (Shift-JIS as Windows writes it) and UTF-8.

#include "platform/Utf8.h"

#include <array>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

struct CodePageTable;

struct DecodeResult {
    std::string text;                    // UTF-8; each undecodable byte became U+FFFD
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
// Length of the well-formed UTF-8 character at `i`, 0 when there is none.
std::size_t ValidUtf8LengthAt(std::string_view bytes, std::size_t i);
// Offsets of bytes that are not part of a well-formed UTF-8 sequence.
std::vector<std::size_t> InvalidUtf8Offsets(std::string_view bytes);

// Code page 932 lead bytes: 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
// Byte length of the code page 932 character at `i`: 2 for a lead byte with a
// byte after it, else 1.
constexpr std::size_t Cp932CharLength(std::string_view bytes, std::size_t i) {
    return IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
}

// Code page 932 holds some characters twice or three times (NEC row 13, the
// NEC-selected IBM extensions and the IBM extensions against each other and
// against JIS X 0208). Decoding any of the codes gives the same character;
// encoding gives one of them, the usual code. For a two-byte code (lead byte
// times 256 plus trail byte) this gives the usual code when the code is
// another one, else 0.
std::uint16_t Cp932UsualCode(std::uint16_t code);

// Appends the UTF-8 form of code point `cp` (U+FFFD for surrogates and values
// past U+10FFFF).
void AppendUtf8(std::string &out, char32_t cp);

// Decodes the bytes of a Windows code page one character at a time, the way
// RTF hands them over (\'xx escapes). Each lead byte's table is filled the
// first time it is seen, so decoding costs a table look-up.
class CodePageDecoder {
public:
    // An unknown code page decodes as 1252.
    explicit CodePageDecoder(int codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder &) = delete;
    CodePageDecoder &operator=(const CodePageDecoder &) = delete;

    int CodePage() const { return codePage_; }
    bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }
    const std::array<bool, 256> &LeadBytes() const { return lead_; }
    // UTF-8 of the character; empty when the byte or pair does not decode.
    std::string_view Decode(unsigned char byte) const;
    std::string_view Decode(unsigned char lead, unsigned char trail);

private:
    struct Char {
        char bytes[4] = {};
        unsigned char size = 0;
        std::string_view View() const { return {bytes, size}; }
    };
    using Row = std::array<Char, 256>;
    static Char CharOf(char32_t codePoint);
    // The code point of a byte or a pair, or 0xFFFFFFFF when it does not decode.
    char32_t DecodeSingle(unsigned char byte) const;
    char32_t DecodePair(unsigned char lead, unsigned char trail) const;

    int codePage_;
    const CodePageTable *table_; // null for code page 932
    std::array<bool, 256> lead_{};
    std::array<Char, 256> single_{};
    std::array<std::unique_ptr<Row>, 256> rows_;
};

} // namespace kelvra
