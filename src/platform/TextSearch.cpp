#include "platform/TextSearch.h"

namespace kelvra {
namespace {

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

} // namespace

std::size_t FindWhole(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty() || from >= text.size()) return kNotFound;
    while (from < text.size() && IsContinuationByte(static_cast<unsigned char>(text[from]))) ++from;
    // A needle that itself starts inside a character could match mid-character: refuse those hits.
    for (std::size_t at = text.find(needle, from); at != kNotFound; at = text.find(needle, at + 1))
        if (!IsContinuationByte(static_cast<unsigned char>(text[at]))) return at;
    return kNotFound;
}

std::vector<std::size_t> FindAllWhole(std::string_view text, std::string_view needle, std::size_t from) {
    std::vector<std::size_t> found;
    for (std::size_t at = FindWhole(text, needle, from); at != kNotFound;
         at = FindWhole(text, needle, at + needle.size()))
        found.push_back(at);
    return found;
}

} // namespace kelvra
