#include "formatter/PatternSet.h"

#include <queue>

namespace kelvra {

PatternSet::PatternSet(const std::vector<std::string> &patterns) : patternCount_(patterns.size()) {
    nodes_.emplace_back();
    nodes_[0].next.fill(-1);
    for (std::size_t p = 0; p < patterns.size(); ++p) {
        std::int32_t state = 0;
        for (unsigned char c : patterns[p]) {
            if (nodes_[state].next[c] < 0) {
                nodes_[state].next[c] = static_cast<std::int32_t>(nodes_.size());
                nodes_.emplace_back();
                nodes_.back().next.fill(-1);
            }
            state = nodes_[state].next[c];
        }
        nodes_[state].ends.push_back(static_cast<std::int32_t>(p));
    }
    // Breadth-first: complete the transition table and the failure links.
    std::queue<std::int32_t> queue;
    for (int c = 0; c < 256; ++c) {
        std::int32_t child = nodes_[0].next[c];
        if (child < 0) {
            nodes_[0].next[c] = 0;
        } else {
            nodes_[child].fail = 0;
            queue.push(child);
        }
    }
    while (!queue.empty()) {
        std::int32_t s = queue.front();
        queue.pop();
        std::int32_t f = nodes_[s].fail;
        nodes_[s].outputLink = nodes_[f].ends.empty() ? nodes_[f].outputLink : f;
        for (int c = 0; c < 256; ++c) {
            std::int32_t child = nodes_[s].next[c];
            if (child < 0) {
                nodes_[s].next[c] = nodes_[f].next[c];
            } else {
                nodes_[child].fail = nodes_[f].next[c];
                queue.push(child);
            }
        }
    }
}

std::vector<bool> PatternSet::Present(std::string_view text) const {
    std::vector<bool> present(patternCount_, false);
    std::vector<bool> reported(nodes_.size(), false);
    auto report = [&](std::int32_t s) {
        while (s > 0 && !reported[s]) {
            reported[s] = true;
            for (std::int32_t p : nodes_[s].ends) present[p] = true;
            s = nodes_[s].outputLink;
        }
    };
    for (std::int32_t p : nodes_[0].ends) present[p] = true;
    std::int32_t state = 0;
    for (unsigned char c : text) {
        state = nodes_[state].next[c];
        if (!reported[state] && (!nodes_[state].ends.empty() || nodes_[state].outputLink > 0)) report(state);
    }
    return present;
}

} // namespace kelvra
