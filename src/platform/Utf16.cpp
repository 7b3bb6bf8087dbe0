#include "platform/Utf16.h"

#include "platform/TextCodec.h"

namespace kelvra {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

char16_t UnitAt(std::string_view bytes, std::size_t i, ByteOrder order) {
    const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(order == ByteOrder::LittleEndian ? first | second << 8 : first << 8 | second);
}

void AppendUnit(std::string &out, char16_t unit, ByteOrder order) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    if (order == ByteOrder::LittleEndian) {
        out += low;
        out += high;
    } else {
        out += high;
        out += low;
    }
}

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The code point of the well-formed UTF-8 character of `n` bytes at `i`.
char32_t CodePointAt(std::string_view utf8, std::size_t i, std::size_t n) {
    static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    char32_t cp = static_cast<unsigned char>(utf8[i]) & kLeadBits[n];
    for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    return cp;
}

} // namespace

bool StartsWithUtf16Bom(std::string_view bytes, ByteOrder &order) {
    if (bytes.starts_with("\xFF\xFE")) {
        order = ByteOrder::LittleEndian;
        return true;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        order = ByteOrder::BigEndian;
        return true;
    }
    return false;
}

std::string Utf16Bom(ByteOrder order) { return order == ByteOrder::LittleEndian ? "\xFF\xFE" : "\xFE\xFF"; }

Utf16Decoded DecodeUtf16(std::string_view bytes, ByteOrder order) {
    Utf16Decoded out;
    out.text.reserve(bytes.size());
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char32_t unit = UnitAt(bytes, i, order);
        if (IsHighSurrogate(unit) && i + 3 < bytes.size() && IsLowSurrogate(UnitAt(bytes, i + 2, order))) {
            const char32_t low = UnitAt(bytes, i + 2, order);
            AppendUtf8(out.text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit) || unit == 0) { // a NUL is never text
            out.badOffsets.push_back(i);
            AppendUtf8(out.text, kReplacement);
        } else {
            AppendUtf8(out.text, unit);
        }
    }
    if (i < bytes.size()) { // half a unit at the end
        out.badOffsets.push_back(i);
        AppendUtf8(out.text, kReplacement);
    }
    return out;
}

std::string EncodeUtf16(std::string_view utf8, ByteOrder order, std::vector<std::size_t> &lossy) {
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = ValidUtf8LengthAt(utf8, i);
        if (n == 0) {
            lossy.push_back(i);
            AppendUnit(out, static_cast<char16_t>(kReplacement), order);
            ++i;
            continue;
        }
        const char32_t cp = CodePointAt(utf8, i, n);
        if (cp >= 0x10000) {
            AppendUnit(out, static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), order);
            AppendUnit(out, static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), order);
        } else {
            AppendUnit(out, static_cast<char16_t>(cp), order);
        }
        i += n;
    }
    return out;
}

} // namespace kelvra
