#pragma once
// The editor's text, held the way the editor draws it: one entry per line,
// each with its own character formats and bold ranges, so that a document of
// hundreds of thousands of lines is made in one pass (no per-line tree
// insertions) and an edit touches only the lines it changes. Positions are
// UTF-16 code units counted from the start of the text, one position per line
// break (see EditorPosition.h), as the editor and its callers count them.
//
// Every change is recorded for Undo and Redo. Changes made between BeginStep
// and EndStep are one step; typed characters that follow one another join one
// step; a whole new text (a format run) is one step that keeps the text it
// replaces.

#include "ui/EditorSurface.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <QTextCharFormat>
#include <QTextLayout>
#include <memory>
#include <optional>
#include <vector>

namespace kelvra {

// A run of one character format inside a line.
struct FormatRun {
    int start = 0; // position in the line
    int length = 0;
    int format = 0; // index into the text's format table
    bool operator==(const FormatRun &) const = default;
};

// A bold range inside a line, [start, end). A range may take in the line's
// break: its end is then the text's length + 1.
struct LineSpan {
    int start = 0;
    int end = 0;
    bool operator==(const LineSpan &) const = default;
};

struct TextLine {
    QString text;                // without its line break
    std::vector<FormatRun> runs; // cover the text exactly, in order; equal neighbours are merged
    std::vector<LineSpan> bold;  // sorted, not overlapping, not empty
    // The first bold range goes on from the previous line's last one (rather
    // than being a range of its own that starts where that one ends).
    bool boldContinued = false;
    bool operator==(const TextLine &) const = default;
};

// A whole text with its formats, made away from the window (it touches no
// widget) and then handed to a TextModel.
class TextContent {
public:
    // One empty line in `format`.
    explicit TextContent(const QTextCharFormat &format = {});

    // Appends `text` (lines broken by '\n'; U+2029 and U+2028 break lines too) in `format`.
    void Append(QStringView text, const QTextCharFormat &format);
    // Marks the ranges (positions into the whole text, sorted) bold; empty and overlapping ones are left out.
    void SetBold(const std::vector<EditorRange> &ranges);

    int LineCount() const;
    int Length() const; // positions, line breaks included

private:
    friend class TextModel;
    std::vector<TextLine> lines_;
    std::vector<QTextCharFormat> formats_; // distinct formats; index 0 is the default
    int formatHint_ = 0;                   // the format found last
};

class TextModel : public QObject {
    Q_OBJECT
public:
    explicit TextModel(QObject *parent = nullptr);
    ~TextModel() override;

    // ---- Reading ------------------------------------------------------------
    int Length() const;    // positions in the whole text, line breaks included
    int LineCount() const; // at least 1
    int LineStart(int line) const;
    // The line holding `position` (the last line for positions past the end).
    int LineOf(int position) const;
    const TextLine &Line(int line) const;
    const QTextCharFormat &Format(int index) const; // an entry of the format table
    // The text from `from`, `length` positions, lines broken by '\n'; the whole text by default.
    QString Text(int from = 0, int length = -1) const;
    // The format of the character at `position`; at a line's end the format of
    // its last character (the default format on an empty line).
    QTextCharFormat FormatAt(int position) const;
    // The formats for drawing a line, relative to its start: its character
    // formats, with bold merged over the bold ranges.
    QList<QTextLayout::FormatRange> DrawingFormats(int line) const;
    // The bold ranges of the whole text, ascending.
    std::vector<EditorRange> BoldRanges() const;
    // The default format: the format of new text and of empty lines.
    const QTextCharFormat &DefaultFormat() const;
    void SetDefaultFormat(const QTextCharFormat &format);

    // ---- Changing -----------------------------------------------------------
    // Replaces `removed` positions at `from` by `text` ('\n' breaks lines, and
    // so do U+2029 and U+2028) in `format`. Bold ranges move and are cut as
    // BoldSpans::Edit says. A change that leaves every line as it was is no change.
    void Replace(int from, int removed, QStringView text, const QTextCharFormat &format);
    // The same for a typed key: it joins the previous step when that was typing
    // that ended at `from` and nothing else happened in between (no other
    // change, step, undo or save), and it puts in one character, not a line
    // break, without removing any. A typed line break ends the typing step.
    void Type(int from, int removed, QStringView text, const QTextCharFormat &format);
    // Gives the range `format` (QTextCursor::setCharFormat).
    void SetFormat(int from, int length, const QTextCharFormat &format);
    // Merges `format` into the formats of the range (QTextCursor::mergeCharFormat).
    void MergeFormat(int from, int length, const QTextCharFormat &format);
    // The range [from, to) is no longer bold.
    void EraseBold(int from, int to);

    // Changes between these are one undo step; with `joinPrevious` they join the
    // step before (as QTextCursor::joinPreviousEditBlock). Steps may nest.
    void BeginStep(bool joinPrevious = false);
    void EndStep();

    // A new text as a fresh start: the history is cleared, the text is unmodified.
    void Reset(TextContent content);
    // A new text as one step: Undo gives back the text before it, with its formats and bold.
    void ReplaceAll(TextContent content);

    // ---- History --------------------------------------------------------------
    bool CanUndo() const;
    bool CanRedo() const;
    // Undoes or redoes one step; the range the step changed, as it stands
    // afterwards (where the caret goes), or nothing when there was no step
    // (or a step is still open).
    std::optional<EditorRange> Undo();
    std::optional<EditorRange> Redo();
    // Modified unless the text is the one from the last SetModified(false)
    // (undoing back to it makes it unmodified again). SetModified(true) makes
    // the shown text modified and leaves that earlier text the saved one.
    bool Modified() const;
    void SetModified(bool modified);

signals:
    // The text changed: at `from`, `removed` positions went and `added` came.
    // Sent after the change, once per change (Undo and Redo included).
    void TextChanged(int from, int removed, int added);
    // Formats or bold of the range changed, the text did not.
    void FormatsChanged(int from, int length);
    // The whole text was replaced (Reset, ReplaceAll, or their Undo and Redo).
    void WholeTextReplaced();
    void ModifiedChanged(bool modified);

private:
    struct State;
    std::unique_ptr<State> d_;
};

} // namespace kelvra
