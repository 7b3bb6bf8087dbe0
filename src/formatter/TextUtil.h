#pragma once
// Small text helpers of the format core. Text is UTF-8; lengths that the
// format rules compare are Shift-JIS byte lengths, so that results equal those
// of the same text in Shift-JIS.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Utf8.h"

namespace kelvra {

inline constexpr std::string_view kCrLf = "\r\n";

// The core's short name for Utf8CharLength.
constexpr std::size_t CharLength(unsigned char lead) { return Utf8CharLength(lead); }

// Shift-JIS byte length: ASCII and half-width katakana 1, every other character 2.
std::size_t SjisLength(std::string_view text);

// Start of the character that ends at `end` (exclusive), for a UTF-8 text.
std::size_t PreviousCharStart(std::string_view text, std::size_t end);

// Upper-cases ASCII letters and the full-width Latin, Greek and Cyrillic letters
// that have a same-width upper-case form; everything else stays.
void UpperCaseInPlace(std::string &text);
// The same for the characters that start in [from, to); returns where the
// next character starts (`to`, or just after a character that crosses it).
std::size_t UpperCaseInPlace(std::string &text, std::size_t from, std::size_t to);

// Upper-cases the ASCII letters in [from, to); returns `to`.
std::size_t UpperCaseAsciiInPlace(std::string &text, std::size_t from, std::size_t to);

// The text split at CR LF (a text of n line breaks gives n+1 lines) and back.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string> &lines);

// Hash maps keyed by strings that can be looked up with a string_view.
struct StringViewHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <typename Value> using StringMap = std::unordered_map<std::string, Value, StringViewHash, std::equal_to<>>;

// Keywords looked up word by word through a text. Most words of a text are no
// keyword; their length or first byte tells so before any hashing.
template <typename Value> class KeywordLookup {
public:
    // False when the keyword was added before (the first value stays).
    bool Add(const std::string &keyword, Value value) {
        if (keyword.empty()) return false;
        firstByte_[static_cast<unsigned char>(keyword[0])] = true;
        shortest_ = std::min(shortest_, keyword.size());
        longest_ = std::max(longest_, keyword.size());
        return map_.emplace(keyword, std::move(value)).second;
    }
    const Value *Find(std::string_view word) const {
        if (word.size() < shortest_ || word.size() > longest_ || !firstByte_[static_cast<unsigned char>(word[0])])
            return nullptr;
        const auto it = map_.find(word);
        return it == map_.end() ? nullptr : &it->second;
    }
    bool Empty() const { return map_.empty(); }

private:
    StringMap<Value> map_;
    std::array<bool, 256> firstByte_{};
    std::size_t shortest_ = static_cast<std::size_t>(-1), longest_ = 0;
};

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

} // namespace kelvra
