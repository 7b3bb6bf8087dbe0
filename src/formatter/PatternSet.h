#pragma once
// Tells in one pass over a text which of a set of strings occur in it
// (Aho-Corasick). The keyword stages use it to skip the entries that do not
// occur, instead of searching the whole text once per entry.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

class PatternSet {
public:
    explicit PatternSet(const std::vector<std::string> &patterns);
    // present[i] is true when patterns[i] occurs in `text`. Empty patterns always occur.
    std::vector<bool> Present(std::string_view text) const;

private:
    struct Node {
        std::array<std::int32_t, 256> next;
        std::int32_t fail = 0;
        std::int32_t outputLink = -1; // nearest node on the fail chain that ends a pattern
        std::vector<std::int32_t> ends;
    };
    std::vector<Node> nodes_;
    std::size_t patternCount_;
};

} // namespace kelvra
