#pragma once
// The pieces TextModel is made of: where lines start (a Fenwick tree of line
// sizes), the format table, the runs of one line, and the bold ranges of a
// group of lines seen as positions in the whole text and cut back into lines.

#include "ui/BoldSpans.h"
#include "ui/TextModel.h"

#include <QStringView>
#include <QTextCharFormat>
#include <functional>
#include <vector>

namespace kelvra {

// Where each line starts: a Fenwick (binary indexed) tree over the size of each
// line, its text and its line break, so that finding a line's start or the
// line of a position costs O(log lines) and a change of one line's length is
// a point update.
class LineIndex {
public:
    void Build(const std::vector<TextLine> &lines);
    void Resize(int line, int delta); // line `line` grew by `delta` positions
    int Start(int line) const;
    // The line holding `position`; the last line for positions past the end.
    int LineOf(int position) const;
    int Length() const; // positions in the whole text

private:
    std::vector<int> tree_; // 1-based
    int count_ = 0;
    int highBit_ = 0; // highest power of two not above count_
};

bool IsLineBreak(char16_t c);
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

// The bold ranges of `count` lines from `first` in positions counted from the
// start of the first line. A range that goes on from the line before starts
// at -1, so that BoldSpans' rules see it start before any change in these
// lines, as they would on the whole text. (One that goes on into the line
// after takes in the last line's break, which no change here removes.)
std::vector<EditorRange> GatherBold(const TextLine *first, int count);
// Cuts `spans` (positions as GatherBold gives them) into the lines, setting
// their bold and boldContinued. `breakAfterLast`: the last line has a line
// break (it is not the last line of the text).
void ScatterBold(TextLine *first, int count, bool breakAfterLast, const std::vector<BoldSpans::Span> &spans);

} // namespace kelvra
