#include "ui/TextLines.h"

#include "ui/EditorSurface.h"

#include <algorithm>
#include <bit>

namespace kelvra {

namespace {

int SizeOf(const TextLine &line) { return static_cast<int>(line.text.size()) + 1; }

} // namespace

bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\u2029' || c == u'\u2028'; }

// ---- LineIndex --------------------------------------------------------------

void LineIndex::Build(const std::vector<TextLine> &lines) {
    count_ = static_cast<int>(lines.size());
    highBit_ = count_ > 0 ? static_cast<int>(std::bit_floor(static_cast<unsigned>(count_))) : 0;
    tree_.assign(static_cast<std::size_t>(count_) + 1, 0);
    for (int i = 1; i <= count_; ++i) {
        tree_[i] += SizeOf(lines[i - 1]);
        const int parent = i + (i & -i);
        if (parent <= count_) tree_[parent] += tree_[i];
    }
}

void LineIndex::Resize(int line, int delta) {
    for (int i = line + 1; i <= count_; i += i & -i) tree_[i] += delta;
}

int LineIndex::Start(int line) const {
    int sum = 0;
    for (int i = line; i > 0; i -= i & -i) sum += tree_[i];
    return sum;
}

int LineIndex::LineOf(int position) const {
    // Descends the tree to the number of whole lines (break included) that end at or before `position`.
    int lines = 0;
    for (int step = highBit_; step > 0; step >>= 1) {
        if (lines + step <= count_ && tree_[lines + step] <= position) {
            lines += step;
            position -= tree_[lines];
        }
    }
    return std::min(lines, count_ - 1);
}

int LineIndex::Length() const { return Start(count_) - 1; }

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

std::vector<EditorRange> GatherBold(const TextLine *first, int count) {
    std::vector<EditorRange> ranges;
    int lineStart = 0;
    for (int k = 0; k < count; ++k) {
        const TextLine &line = first[k];
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
