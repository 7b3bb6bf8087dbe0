#pragma once
// The pieces TextModel is made of: where lines start (a Fenwick tree of line
// sizes), the format table, the runs of one line, and the bold ranges of a
// group of lines seen as positions in the whole text and cut back into lines.

#include "ui/BoldSpans.h"
#include "ui/TextModel.h"

#include <QStringView>
#include <QTextCharFormat>
#include <functional>
#include <thread>
#include <vector>

namespace kelvra {

// Lets go of `held` on a thread of its own when `large`: freeing a text of
// hundreds of thousands of lines would hold up the window for tens of ms.
template <typename T> void Release(T held, bool large) {
    if (large) std::thread([gone = std::move(held)] {}).detach();
}

// Where each slot of a LineStore starts: a Fenwick (binary indexed) tree over
// the size of each slot (its line's text and line break; 0 for an unused
// slot), so that finding a line's start or the line of a position costs
// O(log lines) and a change of one line's length is a point update.
class LineIndex {
public:
    void Build(const std::vector<TextLine> &cells, int gapStart, int gapLength);
    void Resize(int slot, int delta);  // slot `slot` grew by `delta` positions
    int Start(int slot) const;         // positions in the slots before `slot`
    int SlotsUpTo(int position) const; // the most slots that together hold no more than `position` positions
    int Total() const { return Start(count_); }

private:
    std::vector<int> tree_; // 1-based
    int count_ = 0;
    int highBit_ = 0; // highest power of two not above count_
};

// The lines of a text, in a gap buffer: unused slots stand where the line
// count last changed, so that changes of the line count that go on through
// the text (many in one step, in ascending places) move only the lines
// between one place and the next, not every line after it.
class LineStore {
public:
    LineStore();

    int Count() const { return static_cast<int>(slots_.size()) - gapLength_; }
    const TextLine &Line(int line) const { return slots_[Slot(line)]; }
    int Start(int line) const { return index_.Start(Slot(line)); }
    // The line holding `position`; the last line for positions past the end.
    int LineOf(int position) const;
    int Length() const { return index_.Total() - 1; } // positions, line breaks included

    // Exchanges lines [first, first + count) with `other` (any number of lines).
    void Swap(int first, int count, std::vector<TextLine> &other);
    // Takes `lines` (at least one) in place of all lines, which it gives back.
    std::vector<TextLine> Exchange(std::vector<TextLine> lines);

private:
    int Slot(int line) const { return line < gapStart_ ? line : line + gapLength_; }
    void MoveGap(int line); // the gap then starts before line `line`
    void Regap(int room);   // gives the gap at least `room` slots
    void SetSize(int slot, int before, int after);

    std::vector<TextLine> slots_;
    int gapStart_ = 0;
    int gapLength_ = 0;
    LineIndex index_;
};

inline bool IsLineBreak(char16_t c) { return c == u'\n' || c == u'\u2029' || c == u'\u2028'; }
// The text between line breaks ('\n', U+2029, U+2028): one more piece than breaks.
std::vector<QStringView> SplitAtBreaks(QStringView text);

// The index of `format` in `table`, added when it is new. `hint` is the index
// found last time, tried first: runs of text mostly repeat one format.
int InternFormat(std::vector<QTextCharFormat> &table, const QTextCharFormat &format, int &hint);

// Appends `length` characters in `format` to a line's runs, merged with the last run when equal.
void AddRun(std::vector<FormatRun> &runs, int length, int format);
// Appends the runs of `source` that cover [from, to) of its line.
void AddRuns(std::vector<FormatRun> &runs, const std::vector<FormatRun> &source, int from, int to);
// Gives the characters [from, to) of `line` the format `restyle` makes of their own.
void RestyleRuns(TextLine &line, int from, int to, const std::function<int(int)> &restyle);
// The format of the character at `column` of `line` (the last one at or past its end); -1 when empty.
int FormatIndexAt(const TextLine &line, int column);

// The bold ranges of lines line(0) to line(count - 1) in positions counted
// from the start of the first. A range that goes on from the line before starts
// at -1, so that BoldSpans' rules see it start before any change in these
// lines, as they would on the whole text. (One that goes on into the line
// after takes in the last line's break, which no change here removes.)
std::vector<EditorRange> GatherBold(const std::function<const TextLine &(int)> &line, int count);
// Cuts `spans` (positions as GatherBold gives them) into the lines, setting
// their bold and boldContinued. `breakAfterLast`: the last line has a line
// break (it is not the last line of the text).
void ScatterBold(TextLine *first, int count, bool breakAfterLast, const std::vector<BoldSpans::Span> &spans);

} // namespace kelvra
