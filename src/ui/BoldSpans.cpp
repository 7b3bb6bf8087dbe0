#include "ui/BoldSpans.h"

#include "ui/EditorSurface.h"

#include <algorithm>

namespace kelvra {

void BoldSpans::Assign(const std::vector<EditorRange> &ranges) {
    spans_.clear();
    spans_.reserve(ranges.size());
    for (const EditorRange &r : ranges) {
        if (r.length <= 0) continue;
        if (!spans_.empty() && r.start < spans_.back().end) continue;
        spans_.push_back({r.start, r.start + r.length});
    }
}

void BoldSpans::Edit(int from, int removed, int added) {
    const int removedEnd = from + removed;
    const int shift = added - removed;
    // Spans that end at or before the change stay; those that start at or after
    // its removed part move; only the few in between change shape.
    auto first =
        std::upper_bound(spans_.begin(), spans_.end(), from, [](int pos, const Span &s) { return pos < s.end; });
    auto rest = first;
    std::vector<Span> reshaped;
    for (; rest != spans_.end() && rest->start < removedEnd; ++rest) {
        const Span &s = *rest;
        if (s.start <= from && removedEnd <= s.end) {
            // The change lies inside the span: what replaces the text there is bold too.
            if (s.end + shift > s.start) reshaped.push_back({s.start, s.end + shift});
        } else {
            // The change covers one end of the span: the rest of it stays.
            if (s.start < from) reshaped.push_back({s.start, from});
            if (s.end > removedEnd) reshaped.push_back({from + added, s.end + shift});
        }
    }
    for (auto it = rest; it != spans_.end(); ++it) {
        it->start += shift;
        it->end += shift;
    }
    const auto at = spans_.erase(first, rest);
    spans_.insert(at, reshaped.begin(), reshaped.end());
}

void BoldSpans::Erase(int from, int to) {
    if (from >= to) return;
    auto [first, last] = Overlapping(from, to);
    if (first == last) return;
    std::vector<Span> kept;
    if (spans_[first].start < from) kept.push_back({spans_[first].start, from});
    if (spans_[last - 1].end > to) kept.push_back({to, spans_[last - 1].end});
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(first),
                 spans_.begin() + static_cast<std::ptrdiff_t>(last));
    spans_.insert(spans_.begin() + static_cast<std::ptrdiff_t>(first), kept.begin(), kept.end());
}

std::pair<std::size_t, std::size_t> BoldSpans::Overlapping(int from, int to) const {
    auto first =
        std::upper_bound(spans_.begin(), spans_.end(), from, [](int pos, const Span &s) { return pos < s.end; });
    auto last = first;
    while (last != spans_.end() && last->start < to) ++last;
    return {static_cast<std::size_t>(first - spans_.begin()), static_cast<std::size_t>(last - spans_.begin())};
}

} // namespace kelvra
