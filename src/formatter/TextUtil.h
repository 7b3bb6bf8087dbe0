#pragma once
// Small text helpers of the format core. Text is UTF-8; lengths that the
// format rules compare are Shift-JIS byte lengths, so that results equal those
// of the same text in Shift-JIS.

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
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

// Upper-cases the ASCII letters in [from, to) and makes each tab there a
// blank; returns `to`.
std::size_t TabsToBlanksAndUpperCaseAscii(std::string &text, std::size_t from, std::size_t to);

// The text split at CR LF (a text of n line breaks gives n+1 lines) and back.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string> &lines);

// Keywords looked up word by word through a text. Most words of a text are no
// keyword; their length or first byte tells so before any hashing. The table
// is open-addressed and at most half full, and its hash is inlined: a lookup
// hashes the word once and mostly compares one entry.
template <typename Value> class KeywordLookup {
public:
    // False when the keyword was added before (the first value stays).
    bool Add(const std::string &keyword, Value value) {
        if (keyword.empty() || Find(keyword)) return false;
        firstByte_[static_cast<unsigned char>(keyword[0])] = true;
        shortest_ = std::min(shortest_, keyword.size());
        longest_ = std::max(longest_, keyword.size());
        entries_.emplace_back(keyword, std::move(value));
        if (2 * entries_.size() > slots_.size())
            Rehash(std::max<std::size_t>(16, 4 * entries_.size()));
        else
            Place(entries_.size() - 1);
        return true;
    }
    const Value *Find(std::string_view word) const {
        if (word.size() < shortest_ || word.size() > longest_ || !firstByte_[static_cast<unsigned char>(word[0])])
            return nullptr;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Hash(word) & mask;; i = (i + 1) & mask) {
            const std::uint32_t e = slots_[i];
            if (e == kEmpty) return nullptr;
            if (entries_[e].first == word) return &entries_[e].second;
        }
    }
    bool Empty() const { return entries_.empty(); }

private:
    static constexpr std::uint32_t kEmpty = static_cast<std::uint32_t>(-1);
    // Eight bytes a step (most keywords take one or two), each step a multiply
    // and a fold; the bytes after the last full step go in one by one.
    static std::size_t Hash(std::string_view s) {
        constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15u;
        std::uint64_t h = s.size() * kMix;
        const auto step = [&h](std::uint64_t word) {
            h = (h ^ word) * kMix;
            h ^= h >> 32;
        };
        std::size_t i = 0;
        for (; i + 8 <= s.size(); i += 8) {
            std::uint64_t word;
            std::memcpy(&word, s.data() + i, sizeof word);
            step(word);
        }
        if (i < s.size()) {
            std::uint64_t word = 0;
            for (; i < s.size(); ++i) word = word << 8 | static_cast<unsigned char>(s[i]);
            step(word);
        }
        return static_cast<std::size_t>(h);
    }
    void Place(std::size_t entry) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = Hash(entries_[entry].first) & mask;
        while (slots_[i] != kEmpty) i = (i + 1) & mask;
        slots_[i] = static_cast<std::uint32_t>(entry);
    }
    void Rehash(std::size_t wanted) {
        slots_.assign(std::bit_ceil(wanted), kEmpty);
        for (std::size_t e = 0; e < entries_.size(); ++e) Place(e);
    }

    std::vector<std::pair<std::string, Value>> entries_;
    std::vector<std::uint32_t> slots_; // index into entries_, or kEmpty
    std::array<bool, 256> firstByte_{};
    std::size_t shortest_ = static_cast<std::size_t>(-1), longest_ = 0;
};

// Byte loops, not memcmp calls: the affixes are short (a token marker) and
// most texts differ in their first byte compared.
inline bool StartsWith(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (text[i] != prefix[i]) return false;
    return true;
}
inline bool EndsWith(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    for (std::size_t i = 1; i <= suffix.size(); ++i)
        if (text[text.size() - i] != suffix[suffix.size() - i]) return false;
    return true;
}

} // namespace kelvra
