#include "ui/TextHistory.h"

#include "ui/TextLines.h"

#include <algorithm>

namespace kelvra {

namespace {

// Whole texts kept for undo: at most this many steps, and no more characters
// than this together (the newest one is kept whatever its size).
constexpr int kMaxWholeSteps = 16;
constexpr long long kMaxWholeCharacters = 32'000'000;

// One change that covers `first` followed by `second`, in the positions before `first`.
TextChange Compose(const TextChange &first, const TextChange &second) {
    const int shift = first.added - first.removed;
    // A position after `first` in the positions before it; one inside the text
    // `first` put in goes to that text's start or end.
    const auto before = [&](int p, bool isEnd) {
        if (p <= first.from) return p;
        if (p >= first.from + first.added) return p - shift;
        return isEnd ? first.from + first.removed : first.from;
    };
    const int from = std::min(first.from, before(second.from, false));
    const int end = std::max(first.from + first.removed, before(second.from + second.removed, true));
    return {from, end - from, end - from + shift + second.added - second.removed};
}

// Characters the step's whole-text records hold, or nothing when it has none.
std::optional<long long> WholeCharacters(const TextHistory::Step &step) {
    std::optional<long long> held;
    for (const TextRecord &record : step.records)
        if (record.whole) held = held.value_or(0) + record.change.removed;
    return held;
}

} // namespace

void TextHistory::Begin(bool joinPrevious) {
    if (depth_++ > 0) return;
    joinPrevious_ = joinPrevious;
    stepOpen_ = false;
    typingEnd_.reset();
}

void TextHistory::End() {
    if (depth_ > 0) --depth_;
}

TextHistory::Step &TextHistory::OpenStep() {
    if (!stepOpen_) {
        EraseSteps(done_, static_cast<int>(steps_.size()));
        if (clean_ > done_) clean_ = -1;
        if (joinPrevious_ && done_ > 0) {
            // The step grows past the state it ended in, so that state can no longer be reached.
            if (clean_ == done_) clean_ = -1;
        } else {
            steps_.emplace_back();
            ++done_;
        }
        stepOpen_ = true;
    }
    return steps_[done_ - 1];
}

void TextHistory::AddLines(int first, int oldCount, int newCount, bool textChanged, TextChange change,
                           const std::function<std::vector<TextLine>()> &old) {
    Step &step = OpenStep();
    if (!step.records.empty()) {
        TextRecord &last = step.records.back();
        if (!last.whole && last.first <= first && first + oldCount <= last.first + last.count) {
            last.count += newCount - oldCount;
            last.textChanged = last.textChanged || textChanged;
            last.change = Compose(last.change, change);
            return;
        }
    }
    TextRecord record;
    record.first = first;
    record.count = newCount;
    record.lines = old();
    record.textChanged = textChanged;
    record.change = change;
    step.records.push_back(std::move(record));
}

void TextHistory::AddWhole(TextRecord old) {
    OpenStep().records.push_back(std::move(old));
    DropOldWholeTexts();
}

void TextHistory::DropOldWholeTexts() {
    int wholeSteps = 0;
    long long characters = 0;
    for (int i = done_ - 1; i >= 0; --i) {
        const std::optional<long long> held = WholeCharacters(steps_[i]);
        if (!held) continue;
        ++wholeSteps;
        characters += *held;
        if (wholeSteps > 1 && (wholeSteps > kMaxWholeSteps || characters > kMaxWholeCharacters)) {
            // Undo stops after this step: it and every step before it go.
            const int dropped = i + 1;
            EraseSteps(0, dropped);
            done_ -= dropped;
            clean_ = clean_ >= dropped ? clean_ - dropped : -1;
            return;
        }
    }
}

bool TextHistory::JoinsTyping(int from, int removed, QStringView text) const {
    return typingEnd_ == from && removed == 0 && text.size() == 1 && !IsLineBreak(text[0].unicode()) && depth_ == 0 &&
           done_ > 0;
}

TextHistory::Step &TextHistory::TakeUndo() {
    typingEnd_.reset();
    return steps_[--done_];
}

TextHistory::Step &TextHistory::TakeRedo() {
    typingEnd_.reset();
    return steps_[done_++];
}

void TextHistory::MarkClean(bool clean) {
    // Marking the shown text modified leaves an earlier saved text the saved one:
    // undoing back to it makes the text unmodified again.
    if (clean)
        clean_ = done_;
    else if (clean_ == done_)
        clean_ = -1;
    typingEnd_.reset();
}

// Steps [from, to) go; those holding whole texts are freed away from the window.
void TextHistory::EraseSteps(int from, int to) {
    if (from >= to) return;
    std::vector<Step> gone(std::make_move_iterator(steps_.begin() + from),
                           std::make_move_iterator(steps_.begin() + to));
    steps_.erase(steps_.begin() + from, steps_.begin() + to);
    const bool large =
        std::any_of(gone.begin(), gone.end(), [](const Step &step) { return WholeCharacters(step).has_value(); });
    Release(std::move(gone), large);
}

void TextHistory::Clear() {
    EraseSteps(0, static_cast<int>(steps_.size()));
    done_ = 0;
    clean_ = 0;
    stepOpen_ = false;
    typingEnd_.reset();
}

} // namespace kelvra
