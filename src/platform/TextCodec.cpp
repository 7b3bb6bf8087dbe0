#include "platform/TextCodec.h"

#include "platform/Cp932Table.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace kelvra {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD
constexpr char32_t kNoChar = 0xFFFFFFFF;

// The character of the code page 932 code at `i`, with its byte length in
// `length`; kNoChar when the byte there does not start a character.
char32_t DecodeCp932At(std::string_view bytes, std::size_t i, std::size_t &length) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    length = 1;
    if (!IsCp932LeadByte(lead)) {
        const std::uint16_t cp = kCp932SingleByte[lead];
        return cp == kCp932None ? kNoChar : cp;
    }
    if (i + 1 == bytes.size()) return kNoChar;
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    if (trail < 0x40 || trail > 0xFC) return kNoChar;
    const std::size_t row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0x9F - 0x81 + 1);
    const std::uint16_t cp = kCp932DoubleByte[row * kCp932TrailCount + (trail - 0x40)];
    if (cp == kCp932None) return kNoChar;
    length = 2;
    return cp;
}

// The code the encoder writes for each BMP character, kCp932None for none.
const std::array<std::uint16_t, 0x10000> &Cp932Codes() {
    static const auto codes = [] {
        auto table = std::make_unique<std::array<std::uint16_t, 0x10000>>();
        table->fill(kCp932None);
        for (std::size_t i = 0; i < kCp932EncodeCount; ++i) (*table)[kCp932Encode[i].codePoint] = kCp932Encode[i].code;
        return table;
    }();
    return *codes;
}

void AppendCp932Code(std::string &out, std::uint16_t code) {
    if (code >= 0x100) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
}

// The code point of the well-formed UTF-8 character of `length` bytes at `i`.
char32_t Utf8CodePoint(std::string_view s, std::size_t i, std::size_t length) {
    const auto first = static_cast<unsigned char>(s[i]);
    char32_t cp = length == 1 ? first : first & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

// Length of the broken UTF-8 sequence at `i`: its first byte and the
// continuation bytes after it that its first byte announces.
std::size_t BrokenUtf8Length(std::string_view s, std::size_t i) {
    const std::size_t announced = Utf8CharLength(static_cast<unsigned char>(s[i]));
    std::size_t n = 1;
    while (n < announced && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    return n;
}

// The code for `cp`, kCp932None when code page 932 has none.
std::uint16_t EncodeCp932Char(char32_t cp) { return cp > 0xFFFF ? kCp932None : Cp932Codes()[cp]; }

// Whether the code decodes back to `cp`.
bool DecodesBackTo(std::uint16_t code, char32_t cp) {
    char pair[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    const std::string_view bytes = code >= 0x100 ? std::string_view(pair, 2) : std::string_view(pair + 1, 1);
    std::size_t length = 0;
    return DecodeCp932At(bytes, 0, length) == cp;
}

// Whether the eight bytes from `at` are all ASCII (most of a SQL text is).
bool AsciiEightAt(std::string_view s, std::size_t at) {
    if (at + 8 > s.size()) return false;
    std::uint64_t v = 0;
    std::memcpy(&v, s.data() + at, 8);
    return (v & 0x8080808080808080ULL) == 0;
}

} // namespace

std::uint16_t Cp932UsualCode(std::uint16_t code) {
    const unsigned lead = code >> 8;
    if (lead != 0x87 && lead != 0xED && lead != 0xEE && lead < 0xFA) return 0;
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(code & 0xFF)};
    std::size_t length = 0;
    const char32_t cp = DecodeCp932At(std::string_view(pair, 2), 0, length);
    if (cp == kNoChar) return 0;
    const std::uint16_t usual = EncodeCp932Char(cp);
    return usual == code || usual == kCp932None ? 0 : usual;
}

DecodeResult DecodeCp932(std::string_view bytes) {
    DecodeResult result;
    // Every code gives at most three UTF-8 bytes per byte (U+FFFD for a bad
    // byte, a half-width katakana for one byte); written straight into place.
    result.text.resize(bytes.size() * 3);
    char *out = result.text.data();
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = 1;
        const char32_t cp = DecodeCp932At(bytes, i, length);
        if (cp == kNoChar) {
            result.badOffsets.push_back(i);
            out = std::copy_n(kReplacement, 3, out);
        } else if (cp < 0x80) {
            *out++ = static_cast<char>(cp);
        } else if (cp < 0x800) {
            *out++ = static_cast<char>(0xC0 | (cp >> 6));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *out++ = static_cast<char>(0xE0 | (cp >> 12));
            *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
        i += length;
    }
    result.text.resize(static_cast<std::size_t>(out - result.text.data()));
    result.text.shrink_to_fit();
    return result;
}

EncodeResult EncodeCp932(std::string_view utf8) {
    EncodeResult result;
    result.bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t valid = ValidUtf8LengthAt(utf8, i);
        const std::uint16_t code = valid ? EncodeCp932Char(Utf8CodePoint(utf8, i, valid)) : kCp932None;
        if (code == kCp932None) {
            // No code at all: a question mark stands in, once for a broken
            // sequence and no more, so that what follows it is kept.
            result.lossyOffsets.push_back(i);
            result.bytes += '?';
            i += valid ? valid : BrokenUtf8Length(utf8, i);
            continue;
        }
        if (!DecodesBackTo(code, Utf8CodePoint(utf8, i, valid))) result.lossyOffsets.push_back(i);
        AppendCp932Code(result.bytes, code);
        i += valid;
    }
    return result;
}

std::size_t ValidUtf8LengthAt(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    const std::size_t n = Utf8CharLength(c);
    if (n == 1 || i + n > s.size()) return 0;
    unsigned cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    const unsigned minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    return cp >= minimum[n] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) ? n : 0;
}

std::vector<std::size_t> InvalidUtf8Offsets(std::string_view s) {
    std::vector<std::size_t> bad;
    for (std::size_t i = 0; i < s.size();) {
        if (AsciiEightAt(s, i)) {
            i += 8;
        } else if (std::size_t n = ValidUtf8LengthAt(s, i)) {
            i += n;
        } else {
            bad.push_back(i);
            ++i;
        }
    }
    return bad;
}

void AppendUtf8(std::string &out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = ValidUtf8LengthAt(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool HasNonAscii(std::string_view bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

} // namespace kelvra
