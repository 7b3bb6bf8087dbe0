#pragma once
// The undo history of a TextModel. A change is kept as the lines it replaced:
// undoing it swaps them back in, and the swap leaves the lines it took out in
// their place for redo. A whole new text keeps the whole old one (its lines
// moved, not copied). A step is the list of changes one undo takes back.

#include "ui/TextModel.h"

#include <QTextCharFormat>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace kelvra {

// A change in positions: at `from`, `removed` went and `added` came.
struct TextChange {
    int from = 0;
    int removed = 0;
    int added = 0;
    TextChange Reversed() const { return {from, added, removed}; }
};

struct TextRecord {
    bool whole = false;
    // Lines [first, first + count) of the text stand where `lines` stood.
    int first = 0;
    int count = 0;
    std::vector<TextLine> lines;
    // A whole text also swaps its format table and default format.
    std::vector<QTextCharFormat> formats;
    QTextCharFormat defaultFormat;
    bool textChanged = false; // otherwise only formats or bold changed
    TextChange change;        // as made; undoing makes the reverse
};

class TextHistory {
public:
    struct Step {
        std::vector<TextRecord> records;
    };

    // Changes between Begin and End are one step; Begin(true) at the outermost
    // level lets them join the step before.
    void Begin(bool joinPrevious);
    void End();
    bool InStep() const { return depth_ > 0; }

    // Notes that lines [first, first + oldCount) are giving way to `newCount`
    // lines. `old` copies them; it is not called when the step's last change
    // already holds lines from before them (its lines are then extended).
    void AddLines(int first, int oldCount, int newCount, bool textChanged, TextChange change,
                  const std::function<std::vector<TextLine>()> &old);
    // Notes a whole new text; `old` is the one it replaced.
    void AddWhole(TextRecord old);

    // Typing: after Type, the next Type may join its step (see TextModel::Type).
    void SetTypingEnd(std::optional<int> end) { typingEnd_ = end; }
    bool JoinsTyping(int from, int removed, QStringView text) const;

    bool CanUndo() const { return done_ > 0 && depth_ == 0; }
    bool CanRedo() const { return done_ < static_cast<int>(steps_.size()) && depth_ == 0; }
    // The step to undo or redo, counted as undone or redone.
    Step &TakeUndo();
    Step &TakeRedo();

    bool Clean() const { return clean_ == done_; }
    void MarkClean(bool clean);
    void Clear();

private:
    Step &OpenStep();
    void DropOldWholeTexts();
    void EraseSteps(int from, int to);

    std::deque<Step> steps_;
    int done_ = 0;  // steps_[0, done_) are done, the rest undone
    int clean_ = 0; // steps done in the state last marked clean; -1 when none
    int depth_ = 0;
    bool joinPrevious_ = false;
    bool stepOpen_ = false; // the current outermost Begin has a step in steps_
    std::optional<int> typingEnd_;
};

} // namespace kelvra
