#include "cli/QuotedName.h"

#include <algorithm>
#include <filesystem>

namespace kelvra::cli {
namespace {

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7f || c == '"' || c == '\\'; }

// Where "\" separates folders (Windows) no name holds one, so a path with
// it is no reason for quotes; inside quotes it is escaped all the same.
constexpr bool kBackslashSeparates = std::filesystem::path::preferred_separator == '\\';

bool CallsForQuotes(unsigned char c) { return NeedsEscape(c) && !(kBackslashSeparates && c == '\\'); }

// The C escape of a character that needs one.
std::string Escape(unsigned char c) {
    switch (c) {
    case '\a': return "\\a";
    case '\b': return "\\b";
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\v': return "\\v";
    case '\f': return "\\f";
    case '\r': return "\\r";
    case '"': return "\\\"";
    case '\\': return "\\\\";
    default: break;
    }
    const char octal[] = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
                          static_cast<char>('0' + (c & 7))};
    return std::string(octal, sizeof octal);
}

} // namespace

std::string QuotedName(std::string_view name) {
    if (std::none_of(name.begin(), name.end(), [](char c) { return CallsForQuotes(static_cast<unsigned char>(c)); }))
        return std::string(name);
    std::string quoted = "\"";
    for (char c : name) {
        if (NeedsEscape(static_cast<unsigned char>(c)))
            quoted += Escape(static_cast<unsigned char>(c));
        else
            quoted += c;
    }
    return quoted + "\"";
}

} // namespace kelvra::cli
