#include "formatter/PatternSet.h"

#include <queue>

namespace kelvra {

PatternSet::PatternSet(const std::vector<std::string> &patterns) : patternCount_(patterns.size()) {
    for (const auto &p : patterns)
        for (unsigned char c : p)
            if (classOf_[c] == 0) classOf_[c] = static_cast<std::uint8_t>(classes_++);
    // Trie first, with -1 for missing edges.
    auto addState = [this] {
        next_.insert(next_.end(), classes_, -1);
        ends_.emplace_back();
        return static_cast<std::int32_t>(ends_.size() - 1);
    };
    addState();
    for (std::size_t p = 0; p < patterns.size(); ++p) {
        std::int32_t state = 0;
        for (unsigned char c : patterns[p]) {
            const std::size_t edge = state * classes_ + classOf_[c];
            if (next_[edge] < 0) {
                const std::int32_t created = addState(); // grows next_: index it afresh
                next_[edge] = created;
            }
            state = next_[edge];
        }
        ends_[state].push_back(static_cast<std::int32_t>(p));
    }
    // Breadth first: complete the transitions and set the failure and output links.
    const std::size_t states = ends_.size();
    std::vector<std::int32_t> fail(states, 0);
    outputLink_.assign(states, -1);
    std::queue<std::int32_t> queue;
    for (std::size_t k = 0; k < classes_; ++k) {
        std::int32_t &child = next_[k];
        if (child < 0)
            child = 0;
        else
            queue.push(child);
    }
    while (!queue.empty()) {
        const std::int32_t s = queue.front();
        queue.pop();
        const std::int32_t f = fail[s];
        if (s != 0) outputLink_[s] = ends_[f].empty() ? outputLink_[f] : f;
        for (std::size_t k = 0; k < classes_; ++k) {
            std::int32_t &child = next_[s * classes_ + k];
            if (child < 0) {
                child = next_[f * classes_ + k];
            } else {
                fail[child] = s == 0 ? 0 : next_[f * classes_ + k];
                queue.push(child);
            }
        }
    }
    hot_.resize(states);
    for (std::size_t s = 0; s < states; ++s) hot_[s] = !ends_[s].empty() || outputLink_[s] > 0;
    for (std::size_t c = 0; c < staysAtStart_.size(); ++c)
        staysAtStart_[c] = !hot_[0] && Next(0, static_cast<unsigned char>(c)) == 0;
}

PatternSet::Scan::Scan(const PatternSet &set) : set_(set), pending_(set.hot_), present_(set.patternCount_, false) {
    for (std::int32_t p : set.ends_[0]) present_[p] = true;
}

void PatternSet::Scan::Feed(std::string_view piece) {
    std::int32_t state = state_;
    for (unsigned char c : piece) {
        state = set_.Next(state, c);
        if (!pending_[state]) continue;
        for (std::int32_t s = state; s > 0 && pending_[s]; s = set_.outputLink_[s]) {
            pending_[s] = 0;
            for (std::int32_t p : set_.ends_[s]) present_[p] = true;
        }
    }
    state_ = state;
}

std::vector<bool> PatternSet::Present(std::string_view text) const {
    Scan scan(*this);
    scan.Feed(text);
    return scan.Present();
}

void PatternSet::ForEachMatch(std::string_view prefix, std::string_view text,
                              const std::function<void(std::size_t, std::size_t)> &found) const {
    MatchScan scan(*this);
    scan.Feed(prefix, found);
    scan.Feed(text, found);
}

} // namespace kelvra
