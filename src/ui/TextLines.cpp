#include "ui/TextLines.h"

#include "ui/EditorSurface.h"

#include <algorithm>
#include <bit>

namespace kelvra {

namespace {

// Positions a line takes: its text and its line break.
int SizeOf(const TextLine &line) { return static_cast<int>(line.text.size()) + 1; }

} // namespace

// ---- LineIndex --------------------------------------------------------------

void LineIndex::Build(const std::vector<TextLine> &cells, int gapStart, int gapLength) {
    count_ = static_cast<int>(cells.size());
    highBit_ = count_ > 0 ? static_cast<int>(std::bit_floor(static_cast<unsigned>(count_))) : 0;
    tree_.assign(static_cast<std::size_t>(count_) + 1, 0);
    for (int i = 1; i <= count_; ++i) {
        const bool unused = i - 1 >= gapStart && i - 1 < gapStart + gapLength;
        if (!unused) tree_[i] += SizeOf(cells[i - 1]);
        const int parent = i + (i & -i);
        if (parent <= count_) tree_[parent] += tree_[i];
    }
}

void LineIndex::Resize(int slot, int delta) {
    for (int i = slot + 1; i <= count_; i += i & -i) tree_[i] += delta;
}

int LineIndex::Start(int slot) const {
    int sum = 0;
    for (int i = slot; i > 0; i -= i & -i) sum += tree_[i];
    return sum;
}

int LineIndex::SlotsUpTo(int position) const {
    int cells = 0;
    for (int step = highBit_; step > 0; step >>= 1) {
        if (cells + step <= count_ && tree_[cells + step] <= position) {
            cells += step;
            position -= tree_[cells];
        }
    }
    return cells;
}

// ---- LineStore --------------------------------------------------------------

namespace {

// Moving a line past the gap costs two updates of the index; beyond this
// share of the lines, building the index again is cheaper.
constexpr int kMovesBeforeRebuild = 64;
// Slots a new gap has at least, and its share of the lines.
constexpr int kSmallestGap = 256;
constexpr int kGapShare = 8;

} // namespace

LineStore::LineStore() : slots_(1) { index_.Build(slots_, 0, 0); }

int LineStore::LineOf(int position) const {
    const int cells = index_.SlotsUpTo(std::max(position, 0));
    const int line = cells >= gapStart_ + gapLength_ ? cells - gapLength_ : std::min(cells, gapStart_);
    return std::min(line, Count() - 1);
}

void LineStore::SetSize(int slot, int before, int after) {
    if (before != after) index_.Resize(slot, after - before);
}

void LineStore::Swap(int first, int count, std::vector<TextLine> &other) {
    const int otherCount = static_cast<int>(other.size());
    const bool acrossGap = first < gapStart_ && gapStart_ < first + count;
    if (otherCount == count && !acrossGap) {
        for (int k = 0; k < count; ++k) {
            const int slot = Slot(first + k);
            SetSize(slot, SizeOf(slots_[slot]), SizeOf(other[k]));
            std::swap(slots_[slot], other[k]);
        }
        return;
    }
    if (otherCount - count > gapLength_) Regap(otherCount - count);
    MoveGap(first + count); // the lines stand in cells [first, first + count), the gap after them
    std::vector<TextLine> out(std::make_move_iterator(slots_.begin() + first),
                              std::make_move_iterator(slots_.begin() + first + count));
    for (int k = 0; k < std::max(count, otherCount); ++k) {
        TextLine &slot = slots_[first + k];
        const int before = k < count ? SizeOf(out[k]) : 0;
        slot = k < otherCount ? std::move(other[k]) : TextLine{};
        SetSize(first + k, before, k < otherCount ? SizeOf(slot) : 0);
    }
    gapStart_ = first + otherCount;
    gapLength_ += count - otherCount;
    other = std::move(out);
}

std::vector<TextLine> LineStore::Exchange(std::vector<TextLine> lines) {
    slots_.erase(slots_.begin() + gapStart_, slots_.begin() + gapStart_ + gapLength_);
    std::swap(slots_, lines);
    gapLength_ = 0;
    gapStart_ = Count();
    index_.Build(slots_, gapStart_, gapLength_);
    return lines;
}

void LineStore::MoveGap(int line) {
    const int moves = std::abs(line - gapStart_);
    if (gapLength_ == 0 || moves == 0) {
        gapStart_ = line;
        return;
    }
    const bool rebuild = moves > Count() / kMovesBeforeRebuild;
    // Lines between the gap and `line` cross it, one slot each.
    const auto cross = [&](int from, int to) {
        if (!rebuild) {
            SetSize(from, SizeOf(slots_[from]), 0);
            SetSize(to, 0, SizeOf(slots_[from]));
        }
        std::swap(slots_[from], slots_[to]);
    };
    if (line < gapStart_) {
        for (int s = gapStart_ - 1; s >= line; --s) cross(s, s + gapLength_);
    } else {
        for (int s = gapStart_ + gapLength_; s < line + gapLength_; ++s) cross(s, s - gapLength_);
    }
    gapStart_ = line;
    if (rebuild) index_.Build(slots_, gapStart_, gapLength_);
}

void LineStore::Regap(int room) {
    const int length = std::max({room, kSmallestGap, Count() / kGapShare});
    const auto gapEnd = slots_.begin() + gapStart_ + gapLength_;
    std::vector<TextLine> grown;
    grown.reserve(static_cast<std::size_t>(Count() + length));
    grown.insert(grown.end(), std::make_move_iterator(slots_.begin()),
                 std::make_move_iterator(slots_.begin() + gapStart_));
    grown.resize(static_cast<std::size_t>(gapStart_ + length));
    grown.insert(grown.end(), std::make_move_iterator(gapEnd), std::make_move_iterator(slots_.end()));
    slots_ = std::move(grown);
    gapLength_ = length;
    index_.Build(slots_, gapStart_, gapLength_);
}

// ---- Text and formats -------------------------------------------------------

std::vector<QStringView> SplitAtBreaks(QStringView text) {
    std::vector<QStringView> pieces;
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (!IsLineBreak(data[i])) continue;
        pieces.push_back(text.sliced(start, i - start));
        start = i + 1;
    }
    pieces.push_back(text.sliced(start));
    return pieces;
}

int InternFormat(std::vector<QTextCharFormat> &table, const QTextCharFormat &format, int &hint) {
    if (hint >= 0 && hint < static_cast<int>(table.size()) && table[hint] == format) return hint;
    const auto found = std::find(table.begin(), table.end(), format);
    hint = static_cast<int>(found - table.begin());
    if (found == table.end()) table.push_back(format);
    return hint;
}

void AddRun(std::vector<FormatRun> &runs, int length, int format) {
    if (length <= 0) return;
    if (!runs.empty() && runs.back().format == format) {
        runs.back().length += length;
        return;
    }
    const int start = runs.empty() ? 0 : runs.back().start + runs.back().length;
    runs.push_back({start, length, format});
}

void AddRuns(std::vector<FormatRun> &runs, const std::vector<FormatRun> &source, int from, int to) {
    for (const FormatRun &run : source) {
        const int start = std::max(run.start, from);
        const int end = std::min(run.start + run.length, to);
        if (start < end) AddRun(runs, end - start, run.format);
    }
}

void RestyleRuns(TextLine &line, int from, int to, const std::function<int(int)> &restyle) {
    std::vector<FormatRun> runs;
    runs.reserve(line.runs.size() + 2);
    AddRuns(runs, line.runs, 0, from);
    for (const FormatRun &run : line.runs) {
        const int start = std::max(run.start, from);
        const int end = std::min(run.start + run.length, to);
        if (start < end) AddRun(runs, end - start, restyle(run.format));
    }
    AddRuns(runs, line.runs, to, static_cast<int>(line.text.size()));
    line.runs = std::move(runs);
}

int FormatIndexAt(const TextLine &line, int column) {
    if (line.runs.empty()) return -1;
    const auto run = std::upper_bound(line.runs.begin(), line.runs.end(), column,
                                      [](int c, const FormatRun &r) { return c < r.start; });
    return (run == line.runs.begin() ? line.runs.front() : *std::prev(run)).format;
}

// ---- Bold -------------------------------------------------------------------

std::vector<EditorRange> GatherBold(const std::function<const TextLine &(int)> &lineAt, int count) {
    std::vector<EditorRange> ranges;
    int lineStart = 0;
    for (int k = 0; k < count; ++k) {
        const TextLine &line = lineAt(k);
        for (std::size_t i = 0; i < line.bold.size(); ++i) {
            const LineSpan &span = line.bold[i];
            const bool continued = i == 0 && line.boldContinued;
            if (continued && k > 0 && !ranges.empty()) {
                ranges.back().length = lineStart + span.end - ranges.back().start;
            } else {
                const int start = continued ? -1 : lineStart + span.start;
                ranges.push_back({start, lineStart + span.end - start});
            }
        }
        lineStart += SizeOf(line);
    }
    return ranges;
}

void ScatterBold(TextLine *first, int count, bool breakAfterLast, const std::vector<BoldSpans::Span> &spans) {
    for (int k = 0; k < count; ++k) {
        first[k].bold.clear();
        first[k].boldContinued = false;
    }
    int line = 0, lineStart = 0;
    for (const BoldSpans::Span &span : spans) {
        while (line < count - 1 && span.start >= lineStart + SizeOf(first[line])) lineStart += SizeOf(first[line++]);
        for (int k = line, kStart = lineStart; k < count; kStart += SizeOf(first[k++])) {
            const bool hasBreak = k < count - 1 || breakAfterLast;
            const int kEnd = kStart + static_cast<int>(first[k].text.size()) + (hasBreak ? 1 : 0);
            const int start = std::max(span.start, kStart), end = std::min(span.end, kEnd);
            if (start < end) {
                first[k].bold.push_back({start - kStart, end - kStart});
                if (span.start < kStart) first[k].boldContinued = true;
            }
            if (span.end <= kEnd) break;
        }
    }
}

} // namespace kelvra
