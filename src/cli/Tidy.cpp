#include "cli/Tidy.h"

#include "formatter/ProtectedText.h"

namespace kelvra::cli {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Appends a stretch of code, leaving out the blanks that end each of its lines.
void AppendCode(std::string &out, std::string_view code) {
    const std::size_t codeStart = out.size();
    for (char c : code) {
        if (c == '\r' || c == '\n')
            while (out.size() > codeStart && IsBlank(out.back())) out.pop_back();
        out += c;
    }
}

} // namespace

std::string TidyText(std::string_view text, KeptReadings readings) {
    std::string out;
    out.reserve(text.size() + 2);
    std::size_t codeStart = 0;
    for (const ProtectedPiece &segment : ProtectedPieces(text, readings)) {
        AppendCode(out, text.substr(codeStart, segment.start - codeStart));
        out.append(text.substr(segment.start, segment.end - segment.start));
        codeStart = segment.end;
    }
    std::string_view tail = text.substr(codeStart);
    const std::size_t kept = tail.find_last_not_of(" \t\r\n");
    AppendCode(out, tail.substr(0, kept == std::string_view::npos ? 0 : kept + 1));
    if (!out.empty()) out += "\r\n";
    return out;
}

} // namespace kelvra::cli
