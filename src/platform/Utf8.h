#pragma once
// The UTF-8 and line-break basics that every layer shares: the format core,
// the codecs, the settings file and the windows. Header only and free of Qt
// and iconv, so the core can include it without linking the platform layer.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Position of the first `a` or `b` at or after `from`; npos when there is none.
// (find_first_of looks each character up in its set by a call of its own.)
// On little-endian machines eight bytes are looked at a step.
inline std::size_t FindEither(std::string_view text, char a, char b, std::size_t from = 0) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u, kTops = 0x8080808080808080u;
        // The top bit of each zero byte of `v` set; exact for the lowest one (a
        // borrow may set bits above it).
        const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kTops; };
        const std::uint64_t allA = kOnes * static_cast<unsigned char>(a), allB = kOnes * static_cast<unsigned char>(b);
        for (; from + 8 <= text.size(); from += 8) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + from, sizeof word);
            if (const std::uint64_t hits = zeroBytes(word ^ allA) | zeroBytes(word ^ allB))
                return from + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
        }
    }
    for (std::size_t i = from; i < text.size(); ++i)
        if (text[i] == a || text[i] == b) return i;
    return std::string_view::npos;
}

// Position of the first CR or LF at or after `from`; npos when there is none.
// Lines are long against a call, so memchr's speed outweighs its two calls.
inline std::size_t FindLineEnd(std::string_view text, std::size_t from = 0) {
    if (from >= text.size()) return std::string_view::npos;
    const char *start = text.data() + from;
    const auto *lf = static_cast<const char *>(std::memchr(start, '\n', text.size() - from));
    const std::size_t span = lf ? static_cast<std::size_t>(lf - start) : text.size() - from;
    const auto *cr = static_cast<const char *>(std::memchr(start, '\r', span));
    if (cr) return from + static_cast<std::size_t>(cr - start);
    return lf ? from + span : std::string_view::npos;
}

// The CR and LF bytes of a text in rising order, each byte read once. Looking
// for the next LF afresh after every CR would read a text whose lines end in
// CR alone to its end once per line.
class LineEndFinder {
public:
    explicit LineEndFinder(std::string_view text) : text_(text) {}

    // Position of the first CR or LF at or after `from` (never less than the
    // `from` of the call before); npos when there is none.
    std::size_t From(std::size_t from) {
        if (from >= text_.size()) return std::string_view::npos;
        if (!searched_ || lf_ < from) lf_ = Search('\n', from);
        if (!searched_ || cr_ < from) cr_ = Search('\r', from);
        searched_ = true;
        return lf_ < cr_ ? lf_ : cr_;
    }

private:
    std::size_t Search(char c, std::size_t from) const {
        const auto *at = static_cast<const char *>(std::memchr(text_.data() + from, c, text_.size() - from));
        return at ? static_cast<std::size_t>(at - text_.data()) : std::string_view::npos;
    }

    std::string_view text_;
    std::size_t lf_ = 0, cr_ = 0;
    bool searched_ = false;
};

// Appends `piece` with every line end (CR LF, a lone CR or a lone LF) as CR LF.
// For a text given in pieces, `afterCr` says that the piece before ended with
// a CR (whose CR LF is written already).
inline void AppendWithCrLf(std::string_view piece, std::string &out, bool afterCr = false) {
    std::size_t i = 0;
    if (afterCr && !piece.empty() && piece[0] == '\n') i = 1;
    LineEndFinder lineEnds(piece);
    while (i < piece.size()) {
        const std::size_t brk = lineEnds.From(i);
        if (brk == std::string_view::npos) {
            out.append(piece, i, std::string_view::npos);
            break;
        }
        out.append(piece, i, brk - i);
        out += "\r\n";
        i = brk + 1;
        if (piece[brk] == '\r' && i < piece.size() && piece[i] == '\n') ++i;
    }
}

// Every line end (CR LF, a lone CR or a lone LF) becomes CR LF.
inline std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    AppendWithCrLf(text, out);
    return out;
}

// Every CR LF becomes `lineEnd`; a lone CR or LF stays as it is. The way back
// from ToCrLf, for the file, the command line, the web page and the editor.
inline std::string FromCrLf(std::string_view text, LineEnd lineEnd) {
    if (lineEnd == LineEnd::CrLf) return std::string(text);
    const char single = lineEnd == LineEnd::Lf ? '\n' : '\r';
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1)) {
        if (cr + 1 == text.size() || text[cr + 1] != '\n') continue;
        out.append(text, from, cr - from);
        out += single;
        from = cr + 2;
    }
    out.append(text, from);
    return out;
}

// Line and column (both 1-based, column in characters) of a byte offset of a
// text whose lines end in LF or CR LF.
struct LineColumn {
    std::size_t line = 1, column = 1;
};
inline LineColumn LineColumnOf(std::string_view text, std::size_t offset) {
    LineColumn lc;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lc.line;
            lineStart = i + 1;
        }
    for (std::size_t i = lineStart; i < offset && i < text.size();) {
        if (text[i] != '\r') ++lc.column;
        i += Utf8CharLength(static_cast<unsigned char>(text[i]));
    }
    return lc;
}

} // namespace kelvra
