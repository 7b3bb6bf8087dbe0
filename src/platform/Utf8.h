#pragma once
// The UTF-8 and line-break basics that every layer shares: the format core,
// the codecs, the settings file and the windows. Header only and free of Qt
// and iconv, so the core can include it without linking the platform layer.

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvra {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Byte length of the UTF-8 character that starts with `lead` (1 for a stray byte).
constexpr std::size_t Utf8CharLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// Byte length in Shift-JIS (code page 932) of the one UTF-8 character at the
// start of `ch`: ASCII and half-width katakana (U+FF61..U+FF9F) 1, every other
// character 2.
constexpr std::size_t SjisCharLength(std::string_view ch) {
    if (ch.empty()) return 0;
    if (static_cast<unsigned char>(ch[0]) < 0x80) return 1;
    // U+FF61..U+FF9F: EF BD A1..EF BD BF and EF BE 80..EF BE 9F.
    if (ch.size() < 3 || static_cast<unsigned char>(ch[0]) != 0xEF) return 2;
    const auto b1 = static_cast<unsigned char>(ch[1]), b2 = static_cast<unsigned char>(ch[2]);
    return (b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F) ? 1 : 2;
}

enum class LineEnd { CrLf, Lf, Cr };

// Length of the line end at `i` (CR LF 2, a lone CR or LF 1), 0 when there is none.
constexpr std::size_t LineEndLengthAt(std::string_view text, std::size_t i) {
    if (i >= text.size()) return 0;
    if (text[i] == '\n') return 1;
    if (text[i] != '\r') return 0;
    return i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
}

constexpr LineEnd LineEndKind(std::string_view lineEnd) {
    if (lineEnd == "\r\n") return LineEnd::CrLf;
    return lineEnd == "\n" ? LineEnd::Lf : LineEnd::Cr;
}

// Every line end (CR LF, a lone CR or a lone LF) becomes CR LF.
inline std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size();) {
        if (std::size_t n = LineEndLengthAt(text, i)) {
            out += "\r\n";
            i += n;
        } else {
            out += text[i++];
        }
    }
    return out;
}

} // namespace kelvra
