#include "cli/LineChanges.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace kelvra::cli {
namespace {

// Which lines of each side are deleted or inserted: Myers' linear-space
// algorithm (divide at the middle snake). A search that grows too expensive
// settles for the furthest point reached, so big rewrites stay fast at the
// price of a slightly longer diff.
class LineDiff {
public:
    LineDiff(const std::vector<int> &a, const std::vector<int> &b)
        : a_(a), b_(b), deleted_(a.size(), false), inserted_(b.size(), false), forward_(a.size() + b.size() + 3),
          backward_(a.size() + b.size() + 3), offset_(static_cast<long>(b.size()) + 1),
          tooExpensive_(std::max(256L, static_cast<long>(std::sqrt(static_cast<double>(a.size() + b.size()))))) {
        Compare();
    }
    const std::vector<bool> &Deleted() const { return deleted_; }
    const std::vector<bool> &Inserted() const { return inserted_; }

private:
    struct Range {
        long xoff, xlim, yoff, ylim;
    };
    struct Point {
        long x, y;
    };

    long &Fd(long d) { return forward_[static_cast<std::size_t>(d + offset_)]; }
    long &Bd(long d) { return backward_[static_cast<std::size_t>(d + offset_)]; }
    bool Same(long x, long y) const { return a_[static_cast<std::size_t>(x)] == b_[static_cast<std::size_t>(y)]; }

    void Compare() {
        std::vector<Range> todo{{0, static_cast<long>(a_.size()), 0, static_cast<long>(b_.size())}};
        while (!todo.empty()) {
            Range r = todo.back();
            todo.pop_back();
            while (r.xoff < r.xlim && r.yoff < r.ylim && Same(r.xoff, r.yoff)) ++r.xoff, ++r.yoff;
            while (r.xoff < r.xlim && r.yoff < r.ylim && Same(r.xlim - 1, r.ylim - 1)) --r.xlim, --r.ylim;
            if (r.xoff == r.xlim) {
                for (long y = r.yoff; y < r.ylim; ++y) inserted_[static_cast<std::size_t>(y)] = true;
            } else if (r.yoff == r.ylim) {
                for (long x = r.xoff; x < r.xlim; ++x) deleted_[static_cast<std::size_t>(x)] = true;
            } else {
                Point mid = Split(r);
                todo.push_back({r.xoff, mid.x, r.yoff, mid.y});
                todo.push_back({mid.x, r.xlim, mid.y, r.ylim});
            }
        }
    }

    // A point on an optimal (or, past the cost limit, a good) path through `r`,
    // strictly between its corners.
    Point Split(const Range &r) {
        const long dmin = r.xoff - r.ylim, dmax = r.xlim - r.yoff;
        const long fmid = r.xoff - r.yoff, bmid = r.xlim - r.ylim;
        long fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
        const bool odd = ((fmid - bmid) & 1) != 0;
        Fd(fmid) = r.xoff;
        Bd(bmid) = r.xlim;
        for (long cost = 1;; ++cost) {
            if (fmin > dmin)
                Fd(--fmin - 1) = -1;
            else
                ++fmin;
            if (fmax < dmax)
                Fd(++fmax + 1) = -1;
            else
                --fmax;
            for (long d = fmax; d >= fmin; d -= 2) {
                long lo = Fd(d - 1), hi = Fd(d + 1);
                long x = lo < hi ? hi : lo + 1, y = x - d;
                while (x < r.xlim && y < r.ylim && Same(x, y)) ++x, ++y;
                Fd(d) = x;
                if (odd && bmin <= d && d <= bmax && Bd(d) <= x) return {x, y};
            }
            if (bmin > dmin)
                Bd(--bmin - 1) = LONG_MAX;
            else
                ++bmin;
            if (bmax < dmax)
                Bd(++bmax + 1) = LONG_MAX;
            else
                --bmax;
            for (long d = bmax; d >= bmin; d -= 2) {
                long lo = Bd(d - 1), hi = Bd(d + 1);
                long x = lo < hi ? lo : hi - 1, y = x - d;
                while (r.xoff < x && r.yoff < y && Same(x - 1, y - 1)) --x, --y;
                Bd(d) = x;
                if (!odd && fmin <= d && d <= fmax && x <= Fd(d)) return {x, y};
            }
            if (cost >= tooExpensive_) return FurthestReached(r, fmin, fmax, bmin, bmax);
        }
    }

    Point FurthestReached(const Range &r, long fmin, long fmax, long bmin, long bmax) {
        long forwardSum = -1, forwardX = 0;
        for (long d = fmax; d >= fmin; d -= 2) {
            long x = std::min(Fd(d), r.xlim), y = x - d;
            if (r.ylim < y) x = r.ylim + d, y = r.ylim;
            if (forwardSum < x + y) forwardSum = x + y, forwardX = x;
        }
        long backwardSum = LONG_MAX, backwardX = 0;
        for (long d = bmax; d >= bmin; d -= 2) {
            long x = std::max(r.xoff, Bd(d)), y = x - d;
            if (y < r.yoff) x = r.yoff + d, y = r.yoff;
            if (x + y < backwardSum) backwardSum = x + y, backwardX = x;
        }
        if ((r.xlim + r.ylim) - backwardSum < forwardSum - (r.xoff + r.yoff)) return {forwardX, forwardSum - forwardX};
        return {backwardX, backwardSum - backwardX};
    }

    const std::vector<int> &a_, &b_;
    std::vector<bool> deleted_, inserted_;
    std::vector<long> forward_, backward_;
    long offset_, tooExpensive_;
};

std::vector<LineChange> ChangesOf(const std::vector<bool> &deleted, const std::vector<bool> &inserted) {
    std::vector<LineChange> changes;
    std::size_t i = 0, j = 0;
    while (i < deleted.size() || j < inserted.size()) {
        if (i < deleted.size() && j < inserted.size() && !deleted[i] && !inserted[j]) {
            ++i, ++j;
            continue;
        }
        LineChange c{i, 0, j, 0};
        while (i < deleted.size() && deleted[i]) ++i, ++c.oldCount;
        while (j < inserted.size() && inserted[j]) ++j, ++c.newCount;
        changes.push_back(c);
    }
    return changes;
}

} // namespace

std::vector<std::string_view> SplitKeepingLineEnds(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            lines.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<LineChange> LineChanges(const std::vector<std::string_view> &oldLines,
                                    const std::vector<std::string_view> &newLines) {
    std::unordered_map<std::string_view, int> ids;
    auto number = [&ids](const std::vector<std::string_view> &lines) {
        std::vector<int> out;
        out.reserve(lines.size());
        for (std::string_view line : lines)
            out.push_back(ids.emplace(line, static_cast<int>(ids.size())).first->second);
        return out;
    };
    const std::vector<int> a = number(oldLines), b = number(newLines);
    // A line that the other side does not hold at all is changed whatever the
    // rest does: only the lines of both sides go through the comparison. After
    // a reformat that is a small part of the text.
    std::vector<bool> inA(ids.size(), false), inB(ids.size(), false);
    for (int id : a) inA[static_cast<std::size_t>(id)] = true;
    for (int id : b) inB[static_cast<std::size_t>(id)] = true;
    auto shared = [](const std::vector<int> &lines, const std::vector<bool> &inOther, std::vector<int> &kept,
                     std::vector<std::size_t> &at) {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (inOther[static_cast<std::size_t>(lines[i])]) {
                kept.push_back(lines[i]);
                at.push_back(i);
            }
    };
    std::vector<int> sharedA, sharedB;
    std::vector<std::size_t> atA, atB;
    shared(a, inB, sharedA, atA);
    shared(b, inA, sharedB, atB);
    LineDiff diff(sharedA, sharedB);
    std::vector<bool> deleted(a.size(), true), inserted(b.size(), true);
    for (std::size_t k = 0; k < atA.size(); ++k) deleted[atA[k]] = diff.Deleted()[k];
    for (std::size_t k = 0; k < atB.size(); ++k) inserted[atB[k]] = diff.Inserted()[k];
    return ChangesOf(deleted, inserted);
}

} // namespace kelvra::cli
