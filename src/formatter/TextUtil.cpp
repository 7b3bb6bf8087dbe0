#include "formatter/TextUtil.h"

namespace kelvra {

std::size_t SjisLength(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = CharLength(static_cast<unsigned char>(text[i]));
        n += SjisCharLength(text.substr(i, len));
        i += len;
    }
    return n;
}

std::size_t PreviousCharStart(std::string_view text, std::size_t end) {
    if (end == 0) return 0;
    std::size_t i = end - 1;
    while (i > 0 && end - i < 4 && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
    return i;
}

std::size_t TabsToBlanksAndUpperCaseAscii(std::string &text, std::size_t from, std::size_t to) {
    // Every byte is stored, changed or not, so that the loop vectorises.
    char *const bytes = text.data();
    for (std::size_t i = from; i < to; ++i) {
        const char c = bytes[i];
        const bool lower = static_cast<unsigned char>(c - 'a') < 26;
        bytes[i] = c == '\t' ? ' ' : lower ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return to;
}

void UpperCaseInPlace(std::string &text) { UpperCaseInPlace(text, 0, text.size()); }

std::size_t UpperCaseInPlace(std::string &text, std::size_t from, std::size_t to) {
    const std::size_t n = text.size();
    std::size_t i = from;
    for (; i < to;) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c >= 'a' && c <= 'z') text[i] = static_cast<char>(c - 32);
            ++i;
            continue;
        }
        std::size_t len = CharLength(c);
        if (i + len > n) return n;
        auto b1 = static_cast<unsigned char>(text[i + 1]);
        if (len == 2 && c == 0xCE && b1 >= 0xB1 && b1 <= 0xBF) {
            text[i + 1] = static_cast<char>(b1 - 0x20); // α..ο -> Α..Ο
        } else if (len == 2 && c == 0xCF && b1 >= 0x80 && b1 <= 0x89 && b1 != 0x82) {
            text[i] = static_cast<char>(0xCE); // π..ω -> Π..Ω (not final sigma)
            text[i + 1] = static_cast<char>(b1 + 0x20);
        } else if (len == 2 && c == 0xD0 && b1 >= 0xB0 && b1 <= 0xBF) {
            text[i + 1] = static_cast<char>(b1 - 0x20); // а..п -> А..П
        } else if (len == 2 && c == 0xD1 && b1 >= 0x80 && b1 <= 0x8F) {
            text[i] = static_cast<char>(0xD0); // р..я -> Р..Я
            text[i + 1] = static_cast<char>(b1 + 0x20);
        } else if (len == 2 && c == 0xD1 && b1 == 0x91) {
            text[i] = static_cast<char>(0xD0); // ё -> Ё
            text[i + 1] = static_cast<char>(0x81);
        } else if (len == 3 && c == 0xEF && b1 == 0xBD) {
            auto b2 = static_cast<unsigned char>(text[i + 2]);
            if (b2 >= 0x81 && b2 <= 0x9A) { // ａ..ｚ -> Ａ..Ｚ
                text[i + 1] = static_cast<char>(0xBC);
                text[i + 2] = static_cast<char>(b2 + 0x20);
            }
        }
        i += len;
    }
    return i;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t breaks = 0;
    for (std::size_t p = text.find(kCrLf); p != std::string_view::npos; p = text.find(kCrLf, p + 2)) ++breaks;
    lines.reserve(breaks + 1);
    std::size_t start = 0;
    for (;;) {
        std::size_t p = text.find(kCrLf, start);
        if (p == std::string_view::npos) break;
        lines.emplace_back(text.substr(start, p - start));
        start = p + 2;
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string> &lines) {
    std::size_t total = 0;
    for (const auto &l : lines) total += l.size() + 2;
    std::string out;
    out.reserve(total);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += kCrLf;
        out += lines[i];
    }
    return out;
}

} // namespace kelvra
