#pragma once
// The emphasised (bold) ranges of the editor's text, kept beside the text
// rather than as character formats in it: a format run marks tens of
// thousands of words, and a character format costs the editor far more than
// a range in a sorted list. Ranges are in editor positions, sorted, never
// overlapping and never empty; an edit moves the ranges after it and cuts
// those it touches.

#include <cstddef>
#include <vector>

namespace kelvra {

struct EditorRange;

class BoldSpans {
public:
    struct Span {
        int start = 0;
        int end = 0; // one past the last position
        bool operator==(const Span &) const = default;
    };

    // `ranges` sorted by start; empty and overlapping ones are left out.
    void Assign(const std::vector<EditorRange> &ranges);
    void Clear() { spans_.clear(); }
    bool Empty() const { return spans_.empty(); }
    const std::vector<Span> &Spans() const { return spans_; }

    // The text from `from` lost `removed` positions and gained `added` there.
    // A span wholly before or after the change stays or moves with its text.
    // Text put in place of text inside a span, or inserted strictly inside
    // it, joins the span (as typing inside a bold word stays bold); text at a
    // span's edge does not. A span the change cuts keeps what is left of it.
    void Edit(int from, int removed, int added);
    // The range [from, to) is no longer bold; nothing moves.
    void Erase(int from, int to);
    // The spans that overlap [from, to), as a pair of indices [first, last).
    std::pair<std::size_t, std::size_t> Overlapping(int from, int to) const;

private:
    std::vector<Span> spans_;
};

} // namespace kelvra
