#pragma once
// Finds in one pass over a text which of a set of strings occur in it, or
// where (Aho-Corasick). The keyword stages use it instead of searching the
// whole text once per keyword.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

class PatternSet {
public:
    explicit PatternSet(const std::vector<std::string> &patterns);

    // Feeds a text in pieces, as if they stood one after the other.
    class Scan {
    public:
        explicit Scan(const PatternSet &set);
        void Feed(std::string_view piece);
        // present[i]: patterns[i] occurred in what was fed. Empty patterns always occur.
        const std::vector<bool> &Present() const { return present_; }

    private:
        const PatternSet &set_;
        std::vector<std::uint8_t> pending_; // states whose patterns are not yet reported
        std::vector<bool> present_;
        std::int32_t state_ = 0;
    };

    // Feeds a text in pieces and reports every occurrence as found(pattern, end),
    // `end` being the offset just after it, counted from the start of the first piece.
    class MatchScan {
    public:
        explicit MatchScan(const PatternSet &set) : set_(set) {}
        template <typename Found> void Feed(std::string_view piece, Found &&found);

    private:
        const PatternSet &set_;
        std::int32_t state_ = 0;
        std::size_t offset_ = 0;
    };

    std::vector<bool> Present(std::string_view text) const;

    // Calls found(pattern, end) for every occurrence in `prefix` followed by
    // `text`, `end` being the offset just after it (counted from the prefix's start).
    void ForEachMatch(std::string_view prefix, std::string_view text,
                      const std::function<void(std::size_t, std::size_t)> &found) const;

private:
    std::int32_t Next(std::int32_t state, unsigned char c) const { return next_[state * classes_ + classOf_[c]]; }

    std::array<std::uint8_t, 256> classOf_{}; // bytes that occur in no pattern share class 0
    std::size_t classes_ = 1;
    std::vector<std::int32_t> next_;       // state × class → state
    std::vector<std::int32_t> outputLink_; // nearest state on the failure chain that ends a pattern, or -1
    std::vector<std::vector<std::int32_t>> ends_;
    std::vector<std::uint8_t> hot_; // the state ends a pattern or links to one
    // Bytes that keep the start state where it is, reporting nothing: a scan
    // passes over them without a step each.
    std::array<bool, 256> staysAtStart_{};
    std::size_t patternCount_;
};

template <typename Found> void PatternSet::MatchScan::Feed(std::string_view piece, Found &&found) {
    std::int32_t state = state_;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        if (state == 0) {
            while (i < piece.size() && set_.staysAtStart_[static_cast<unsigned char>(piece[i])]) ++i;
            if (i == piece.size()) break;
        }
        state = set_.Next(state, static_cast<unsigned char>(piece[i]));
        if (!set_.hot_[state]) continue;
        for (std::int32_t s = state; s > 0; s = set_.outputLink_[s])
            for (std::int32_t p : set_.ends_[s]) found(static_cast<std::size_t>(p), offset_ + i + 1);
    }
    state_ = state;
    offset_ += piece.size();
}

} // namespace kelvra
