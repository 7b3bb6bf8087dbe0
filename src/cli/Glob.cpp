#include "cli/Glob.h"

#include "platform/TextCodec.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace kelvra::cli {
namespace {

// The characters of a UTF-8 string; a byte that starts no well-formed
// character stands for itself (as a value no character has), so it still
// matches only itself.
std::vector<char32_t> Characters(std::string_view s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto first = static_cast<unsigned char>(s[i]);
        const std::size_t n = ValidUtf8LengthAt(s, i);
        if (n == 0) {
            out.push_back(0x110000 + first);
            ++i;
            continue;
        }
        char32_t cp = n == 1 ? first : first & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += n;
    }
    return out;
}

class Matcher {
public:
    Matcher(std::string_view pattern, std::string_view text, GlobOptions options)
        : p_(Characters(pattern)), t_(Characters(text)), options_(options) {}

    bool Run() const {
        std::size_t pi = 0, ti = 0;
        // Where to go on when what follows the last "*" fails: one more
        // character into the run that "*" takes.
        std::optional<std::size_t> starPattern, starText;
        while (ti < t_.size()) {
            if (pi < p_.size() && p_[pi] == '*') {
                starPattern = ++pi;
                starText = ti;
                continue;
            }
            if (pi < p_.size()) {
                if (std::optional<std::size_t> next = MatchOne(pi, t_[ti])) {
                    pi = *next;
                    ++ti;
                    continue;
                }
            }
            if (!starPattern || IsSeparator(t_[*starText])) return false;
            pi = *starPattern;
            ti = ++*starText;
        }
        while (pi < p_.size() && p_[pi] == '*') ++pi;
        return pi == p_.size();
    }

private:
    bool IsSeparator(char32_t c) const { return options_.slashIsSeparator && c == '/'; }

    char32_t Fold(char32_t c) const { return options_.ignoreAsciiCase && c >= 'A' && c <= 'Z' ? c + 32 : c; }

    // Matches the pattern element at `pi` against `c`; gives the index after
    // the element, or nothing when it does not match.
    std::optional<std::size_t> MatchOne(std::size_t pi, char32_t c) const {
        const char32_t e = p_[pi];
        if (e == '?') return IsSeparator(c) ? std::nullopt : std::optional(pi + 1);
        if (e == '[') {
            if (std::optional<std::size_t> end = SetEnd(pi)) {
                if (IsSeparator(c) || !InSet(pi, *end, c)) return std::nullopt;
                return *end + 1;
            }
            // An unclosed "[" is a plain character.
        }
        if (e == '\\' && pi + 1 < p_.size()) return Fold(p_[pi + 1]) == Fold(c) ? std::optional(pi + 2) : std::nullopt;
        return Fold(e) == Fold(c) ? std::optional(pi + 1) : std::nullopt;
    }

    // The index of the "]" that closes the set opened at `open`.
    std::optional<std::size_t> SetEnd(std::size_t open) const {
        std::size_t i = open + 1;
        if (i < p_.size() && (p_[i] == '!' || p_[i] == '^')) ++i;
        if (i < p_.size() && p_[i] == ']') ++i; // a "]" first is one of the set
        for (; i < p_.size(); ++i) {
            if (p_[i] == '\\' && i + 1 < p_.size())
                ++i;
            else if (p_[i] == ']')
                return i;
        }
        return std::nullopt;
    }

    bool InSet(std::size_t open, std::size_t close, char32_t c) const {
        std::size_t i = open + 1;
        const bool negated = p_[i] == '!' || p_[i] == '^';
        if (negated) ++i;
        bool found = false;
        const char32_t folded = Fold(c);
        while (i < close) {
            char32_t low = p_[i];
            if (low == '\\' && i + 1 < close) low = p_[++i];
            ++i;
            char32_t high = low;
            if (i + 1 < close && p_[i] == '-') {
                high = p_[i + 1];
                if (high == '\\' && i + 2 < close) high = p_[++i + 1];
                i += 2;
            }
            if ((folded >= Fold(low) && folded <= Fold(high)) || (c >= low && c <= high)) found = true;
        }
        return found != negated;
    }

    std::vector<char32_t> p_, t_;
    GlobOptions options_;
};

} // namespace

bool GlobMatches(std::string_view pattern, std::string_view text, GlobOptions options) {
    return Matcher(pattern, text, options).Run();
}

} // namespace kelvra::cli
