#include "ui/EditorPages.h"

#include "ui/DocumentBuilder.h"
#include "ui/EditorSurface.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace kelvra {
namespace {

// Earlier documents kept for Undo: at most this many, and fewer when together
// they would hold more characters than this (three copies of a 10 MB file;
// a document takes several times its text in memory).
constexpr std::size_t kMostKeptPages = 16;
constexpr qint64 kMostKeptCharacters = 32'000'000;

bool IsRedoKey(const QKeyEvent *key) {
    return key->matches(QKeySequence::Redo) ||
           (key->key() == Qt::Key_Y && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier);
}

} // namespace

struct EditorPages::Page {
    QTextDocument *document = nullptr;
    BoldSpans bold;
    int anchor = 0, position = 0; // the caret when another page was shown
    // Spans before and after each batch, by the undo state right after it.
    struct Spans {
        BoldSpans before, after;
    };
    std::map<int, Spans> batches;
};

EditorPages::EditorPages(QPlainTextEdit *edit) : QObject(edit), edit_(edit) {
    pages_.push_back(MakePage(edit->document(), {}));
    edit->installEventFilter(this);
    edit->viewport()->installEventFilter(this);
}

EditorPages::~EditorPages() = default;

std::unique_ptr<EditorPages::Page> EditorPages::MakePage(QTextDocument *document,
                                                         const std::vector<EditorRange> &bold) {
    auto page = std::make_unique<Page>();
    page->document = document;
    page->bold.Assign(bold);
    Page *p = page.get();
    connect(document, &QTextDocument::contentsChange, this, [this, p](int from, int removed, int added) {
        // A change of formats alone reports as many positions removed as added.
        if (removed == added) return;
        if (batchDepth_ == 0) p->bold.Edit(from, removed, added);
        // Typing after Undo may join the undo step before it and add none: a
        // change of the text is what ends the documents Redo would show.
        if (!steppingHistory_ && p == &Current()) DropPagesAfter(current_);
    });
    connect(document, &QTextDocument::undoCommandAdded, this, [this, p] { OnNewUndoStep(p); });
    return page;
}

void EditorPages::Restart(std::unique_ptr<QTextDocument> document, const std::vector<EditorRange> &bold) {
    if (!document) return;
    pages_.push_back(MakePage(document.release(), bold));
    Show(pages_.size() - 1);
    // Everything before the new page goes; its index becomes 0.
    for (std::size_t i = 0; i + 1 < pages_.size(); ++i) {
        pages_[i]->document->disconnect(this);
        DiscardDocument(pages_[i]->document);
    }
    pages_.erase(pages_.begin(), pages_.end() - 1);
    current_ = 0;
}

void EditorPages::Replace(std::unique_ptr<QTextDocument> document, const std::vector<EditorRange> &bold) {
    if (!document) return;
    ForgetRedo(Current());
    DropPagesAfter(current_);
    pages_.push_back(MakePage(document.release(), bold));
    Show(pages_.size() - 1);
    DropOldestPages();
}

void EditorPages::Show(std::size_t index) {
    Page &leaving = Current();
    const QTextCursor caret = edit_->textCursor();
    leaving.anchor = caret.anchor();
    leaving.position = caret.position();
    Page &page = *pages_[index];
    // The editor deletes a document it owns when another one comes; these stay.
    leaving.document->setParent(edit_);
    page.document->setParent(edit_);
    edit_->setDocument(page.document);
    current_ = index;
    QTextCursor restored(page.document);
    const int end = page.document->characterCount() - 1;
    restored.setPosition(std::clamp(page.anchor, 0, end));
    restored.setPosition(std::clamp(page.position, 0, end), QTextCursor::KeepAnchor);
    edit_->setTextCursor(restored);
    edit_->viewport()->update();
}

void EditorPages::DropPagesAfter(std::size_t index) {
    while (pages_.size() > index + 1) {
        pages_.back()->document->disconnect(this);
        DiscardDocument(pages_.back()->document);
        pages_.pop_back();
    }
}

void EditorPages::DropOldestPages() {
    auto keptCharacters = [this] {
        qint64 total = 0;
        for (std::size_t i = 0; i < current_; ++i) total += pages_[i]->document->characterCount();
        return total;
    };
    while (current_ > 0 && (current_ >= kMostKeptPages || keptCharacters() > kMostKeptCharacters)) {
        pages_.front()->document->disconnect(this);
        DiscardDocument(pages_.front()->document);
        pages_.erase(pages_.begin());
        --current_;
    }
}

// A page left by a new edit cannot be redone into any more.
void EditorPages::ForgetRedo(Page &page) {
    page.document->clearUndoRedoStacks(QTextDocument::RedoStack);
    page.batches.erase(page.batches.upper_bound(page.document->availableUndoSteps()), page.batches.end());
}

void EditorPages::OnNewUndoStep(const Page *page) {
    if (page != &Current()) return;
    // A new edit after Undo: the documents that Redo would have shown are gone,
    // as are the batches of the undone steps.
    DropPagesAfter(current_);
    Current().batches.erase(Current().batches.lower_bound(page->document->availableUndoSteps()),
                            Current().batches.end());
}

const BoldSpans &EditorPages::Bold() const { return Current().bold; }

void EditorPages::Moved(int from, int removed, int added) {
    if (batchDepth_ > 0) Current().bold.Edit(from, removed, added);
}

void EditorPages::Batch(bool joinPrevious, const std::function<void(BoldSpans &)> &change) {
    Page &page = Current();
    QTextDocument *document = page.document;
    const int stateBefore = document->availableUndoSteps();
    BoldSpans before = page.bold;
    if (auto joined = page.batches.find(stateBefore); joinPrevious && joined != page.batches.end()) {
        before = std::move(joined->second.before);
        page.batches.erase(joined);
    }
    // The edit block belongs to the document: edits through other cursors join it.
    QTextCursor block(document);
    if (joinPrevious)
        block.joinPreviousEditBlock();
    else
        block.beginEditBlock();
    ++batchDepth_;
    try {
        change(page.bold);
    } catch (...) {
        block.endEditBlock();
        --batchDepth_;
        throw;
    }
    block.endEditBlock(); // the document's change notice comes now, for the whole block
    --batchDepth_;
    const int stateAfter = document->availableUndoSteps();
    if (stateAfter != stateBefore || joinPrevious) page.batches[stateAfter] = {std::move(before), page.bold};
    edit_->viewport()->update();
}

void EditorPages::Undo() {
    Page &page = Current();
    if (!page.document->isUndoAvailable()) {
        if (current_ > 0) Show(current_ - 1);
        return;
    }
    const auto batch = page.batches.find(page.document->availableUndoSteps());
    const bool wasBatch = batch != page.batches.end();
    const BoldSpans before = wasBatch ? batch->second.before : BoldSpans();
    steppingHistory_ = true;
    edit_->undo();
    steppingHistory_ = false;
    if (wasBatch) page.bold = before;
    edit_->viewport()->update();
}

void EditorPages::Redo() {
    Page &page = Current();
    if (!page.document->isRedoAvailable()) {
        if (current_ + 1 < pages_.size()) Show(current_ + 1);
        return;
    }
    steppingHistory_ = true;
    edit_->redo();
    steppingHistory_ = false;
    if (auto batch = page.batches.find(page.document->availableUndoSteps()); batch != page.batches.end())
        page.bold = batch->second.after;
    edit_->viewport()->update();
}

bool EditorPages::Modified() const { return Current().document->isModified(); }

void EditorPages::SetModified(bool modified) {
    Current().document->setModified(modified);
    if (modified) return;
    for (std::size_t i = 0; i < pages_.size(); ++i)
        if (i != current_) pages_[i]->document->setModified(true);
}

bool EditorPages::eventFilter(QObject *watched, QEvent *event) {
    if (watched == edit_->viewport() && event->type() == QEvent::Paint) {
        ShowBoldOfVisibleBlocks();
    } else if (watched == edit_ && event->type() == QEvent::KeyPress && !edit_->isReadOnly()) {
        // The editor's own undo would stop at the first page.
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo)) {
            Undo();
            return true;
        }
        if (IsRedoKey(key)) {
            Redo();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void EditorPages::ShowBoldOfVisibleBlocks() {
    const QTextBlock first = edit_->cursorForPosition(QPoint(0, 0)).block();
    const QTextBlock last = edit_->cursorForPosition(QPoint(0, edit_->viewport()->height())).block();
    int count = 0;
    for (QTextBlock block = first; block.isValid() && count < 1000; block = block.next()) {
        ShowBoldOf(block);
        ++count;
        if (block == last) break;
    }
}

// Gives the block's layout the bold ranges of the spans, if it has other ones.
void EditorPages::ShowBoldOf(const QTextBlock &block) {
    static const QTextCharFormat bold = [] {
        QTextCharFormat f;
        f.setFontWeight(QFont::Bold);
        return f;
    }();
    const int start = block.position();
    const int end = start + block.length() - 1; // without the line break
    const BoldSpans &spans = Current().bold;
    QList<QTextLayout::FormatRange> wanted;
    const auto [first, last] = spans.Overlapping(start, end);
    for (std::size_t i = first; i < last; ++i) {
        const int from = std::max(spans.Spans()[i].start, start);
        const int to = std::min(spans.Spans()[i].end, end);
        wanted.append({from - start, to - from, bold});
    }
    QTextLayout *layout = block.layout();
    if (layout->formats() == wanted) return;
    layout->setFormats(wanted);
    Current().document->markContentsDirty(start, block.length());
}

} // namespace kelvra
