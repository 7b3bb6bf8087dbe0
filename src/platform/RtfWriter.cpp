#include "platform/RtfWriter.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_map>
#include <vector>

namespace kelvra {
namespace {

// Reads one UTF-8 character at `i`; invalid bytes give U+FFFD and length 1.
char32_t NextChar(std::string_view s, std::size_t i, std::size_t &length) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    length = 1;
    if (c < 0x80) return c;
    std::size_t n = Utf8CharLength(c);
    if (n == 1 || i + n > s.size()) return 0xFFFD;
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (t & 0x3F);
    }
    const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    length = n;
    return cp;
}

bool IsJapaneseFontName(const std::string &name) {
    if (HasNonAscii(name)) return true;
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char *hint : {"gothic", "mincho", "meiryo", "ipa", "cjk", "osaka", "hiragino", "takao"})
        if (lower.find(hint) != std::string::npos) return true;
    return false;
}

void AppendHex(std::string &out, unsigned char byte) {
    static const char digits[] = "0123456789abcdef";
    out += "\\'";
    out += digits[byte >> 4];
    out += digits[byte & 15];
}

class Escaper {
public:
    // Appends text[start, end) as RTF; line ends become \par unless
    // `inFontTable`. Returns where it stopped: past `end` when a CR LF
    // straddles it.
    std::size_t Append(std::string &out, std::string_view text, std::size_t start, std::size_t end,
                       bool inFontTable = false) {
        std::size_t i = start;
        while (i < end) {
            std::size_t length = 1;
            char32_t cp = NextChar(text, i, length);
            if (cp == '\r' || cp == '\n') {
                if (cp == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++length;
                if (!inFontTable) out += "\\par\r\n";
            } else if (cp == '\\' || cp == '{' || cp == '}') {
                out += '\\';
                out += static_cast<char>(cp);
            } else if (cp == '\t') {
                out += inFontTable ? " " : "\\tab ";
            } else if (cp == ';' && inFontTable) {
                // A font name cannot hold the table's separator.
            } else if (cp < 0x20) {
                AppendHex(out, static_cast<unsigned char>(cp));
            } else if (cp < 0x80) {
                out += static_cast<char>(cp);
            } else if (cp == 0xA0) {
                out += "\\~";
            } else {
                const std::string &bytes = Cp932(cp, text.substr(i, length));
                if (!bytes.empty()) {
                    for (char b : bytes) AppendHex(out, static_cast<unsigned char>(b));
                } else if (cp > 0xFFFF) {
                    char32_t v = cp - 0x10000;
                    AppendUnicode(out, 0xD800 + (v >> 10));
                    AppendUnicode(out, 0xDC00 + (v & 0x3FF));
                } else {
                    AppendUnicode(out, cp);
                }
            }
            i += length;
        }
        return i;
    }

private:
    static void AppendUnicode(std::string &out, char32_t unit) {
        // RTF takes a signed 16-bit number; "?" is the fallback for old readers.
        out += "\\u";
        out += std::to_string(unit > 0x7FFF ? static_cast<int>(unit) - 65536 : static_cast<int>(unit));
        out += '?';
    }

    // Code page 932 bytes of a character, or empty when it has no code that
    // reads back as the same character.
    const std::string &Cp932(char32_t cp, std::string_view utf8) {
        auto it = cache_.find(cp);
        if (it != cache_.end()) return it->second;
        std::string bytes;
        if (cp != 0xFFFD) {
            EncodeResult e = EncodeCp932(utf8);
            if (e.lossyOffsets.empty()) bytes = std::move(e.bytes);
        }
        return cache_.emplace(cp, std::move(bytes)).first->second;
    }

    std::unordered_map<char32_t, std::string> cache_;
};

struct FontSlot {
    std::string name;
    bool japanese = false;
};

} // namespace

std::string WriteRtf(const StyledText &text) {
    std::vector<StyledRun> runs = text.Runs();
    const std::string &body = text.Text();

    // Fonts and colours in order of first use, the default ones first.
    std::vector<FontSlot> fonts{{text.DefaultFormat().fontName, false}};
    std::vector<Rgb> colours{text.DefaultFormat().colour};
    auto fontIndex = [&](const std::string &name) {
        for (std::size_t k = 0; k < fonts.size(); ++k)
            if (fonts[k].name == name) return k;
        fonts.push_back({name, false});
        return fonts.size() - 1;
    };
    auto colourIndex = [&](Rgb rgb) {
        for (std::size_t k = 0; k < colours.size(); ++k)
            if (colours[k] == rgb) return k;
        colours.push_back(rgb);
        return colours.size() - 1;
    };
    std::vector<std::pair<std::size_t, std::size_t>> runSlots;
    runSlots.reserve(runs.size());
    for (const StyledRun &run : runs) {
        std::size_t f = fontIndex(run.format->fontName);
        // Non-ASCII text is written as code page 932 bytes, which readers decode
        // with the font's charset: such a font must carry the Japanese one.
        if (HasNonAscii(std::string_view(body).substr(run.start, run.length))) fonts[f].japanese = true;
        runSlots.emplace_back(f, colourIndex(run.format->colour));
    }

    Escaper escaper;
    std::string out;
    out.reserve(body.size() * 2 + 512);
    out += "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041{\\fonttbl";
    for (std::size_t k = 0; k < fonts.size(); ++k) {
        bool japanese = fonts[k].japanese || IsJapaneseFontName(fonts[k].name);
        out += "{\\f" + std::to_string(k) + "\\fnil\\fcharset" + (japanese ? "128 " : "0 ");
        escaper.Append(out, fonts[k].name, 0, fonts[k].name.size(), true);
        out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const Rgb &c : colours)
        out += "\\red" + std::to_string(c.red) + "\\green" + std::to_string(c.green) + "\\blue" +
               std::to_string(c.blue) + ";";
    out += "}\r\n\\viewkind4\\uc1\\pard";

    bool first = true;
    std::size_t written = 0;
    CharFormat current;
    std::size_t currentFont = 0, currentColour = 0;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const CharFormat &f = *runs[r].format;
        auto [font, colour] = runSlots[r];
        std::size_t before = out.size();
        if (first || font != currentFont) out += "\\f" + std::to_string(font);
        long halfPoints = std::max(1L, std::lround(f.pointSize * 2));
        if (first || halfPoints != std::lround(current.pointSize * 2)) out += "\\fs" + std::to_string(halfPoints);
        if (first || colour != currentColour) out += "\\cf" + std::to_string(colour + 1);
        if (first || f.bold != current.bold) out += f.bold ? "\\b" : "\\b0";
        if (first || f.italic != current.italic) out += f.italic ? "\\i" : "\\i0";
        if (first || f.underline != current.underline) out += f.underline ? "\\ul" : "\\ulnone";
        if (first || f.strikeOut != current.strikeOut) out += f.strikeOut ? "\\strike" : "\\strike0";
        if (out.size() != before) out += ' ';
        first = false;
        current = f;
        currentFont = font;
        currentColour = colour;
        std::size_t end = runs[r].start + runs[r].length;
        written = escaper.Append(out, body, std::max(written, runs[r].start), end);
    }
    // The last paragraph mark; readers do not turn it into an empty line.
    out += "\\par\r\n}\r\n";
    return out;
}

} // namespace kelvra
