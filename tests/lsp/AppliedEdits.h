#pragma once
// Text edits applied the way a client applies them, with positions counted
// here independently of the server's own conversion.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace kelvra::test {

// Byte offset of a position, counting characters in UTF-16 code units or UTF-8
// bytes; lines end at LF, CR LF or a lone CR.
inline std::size_t OffsetAt(const std::string &text, std::size_t line, std::size_t character, bool utf16) {
    std::size_t i = 0;
    for (std::size_t l = 0; l < line && i < text.size(); ++l) {
        i = text.find_first_of("\r\n", i);
        if (i == std::string::npos) return text.size();
        i += text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
    }
    for (std::size_t units = 0; units < character && i < text.size() && text[i] != '\r' && text[i] != '\n';) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        units += utf16 ? (bytes == 4 ? 2 : 1) : bytes;
        i += bytes;
    }
    return i;
}

inline std::size_t OffsetAt(const std::string &text, const nlohmann::json &position, bool utf16) {
    return OffsetAt(text, position["line"], position["character"], utf16);
}

// The edits applied from the last to the first, as a client does.
inline std::string Applied(std::string text, const nlohmann::json &edits, bool utf16 = true) {
    std::vector<nlohmann::json> sorted(edits.begin(), edits.end());
    for (auto e = sorted.rbegin(); e != sorted.rend(); ++e) {
        const std::size_t from = OffsetAt(text, (*e)["range"]["start"], utf16),
                          to = OffsetAt(text, (*e)["range"]["end"], utf16);
        text.replace(from, to - from, (*e)["newText"].get<std::string>());
    }
    return text;
}

} // namespace kelvra::test
