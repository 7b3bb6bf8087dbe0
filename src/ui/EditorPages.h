#pragma once
// The documents the editor has shown one after another, each with its bold
// spans. A format run or a revert hands the editor a whole new document (made
// away from the window, far faster than rewriting the shown one); the
// document it replaces is kept with its own undo history, so that Undo first
// takes back the edits of the shown document and then goes back to the one
// before, and Redo goes forward again, as if the replacement were one edit.
// Opening a file or New starts afresh.
//
// The spans of the shown document are drawn per visible line: just before
// the editor paints, each visible block gets its bold ranges as layout
// formats (the way a syntax highlighter colours a block), so a document with
// a quarter of a million bold words costs only what is on the screen.

#include "ui/BoldSpans.h"

#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QPlainTextEdit;
class QTextBlock;
class QTextDocument;

namespace kelvra {

struct EditorRange;

class EditorPages : public QObject {
public:
    // Watches `edit` (its keys and its painting) and takes its document as the first page.
    explicit EditorPages(QPlainTextEdit *edit);
    ~EditorPages() override;

    // Shows `document` as a fresh start: every other document is let go.
    void Restart(std::unique_ptr<QTextDocument> document, const std::vector<EditorRange> &bold);
    // Shows `document` in place of the shown one as one edit of it: Undo brings the shown one back.
    void Replace(std::unique_ptr<QTextDocument> document, const std::vector<EditorRange> &bold);

    const BoldSpans &Bold() const;
    // Inside Batch: the text at `from` lost `removed` positions and gained `added`.
    // Outside a batch the document's own change notice moves the spans.
    void Moved(int from, int removed, int added);
    // Runs `change` as one undo step (or as part of the previous one when
    // `joinPrevious`); `change` reports its edits through Moved and may
    // change the spans through `bold`. Undo and Redo of the step give the
    // spans from before and after it.
    void Batch(bool joinPrevious, const std::function<void(BoldSpans &bold)> &change);

    void Undo();
    void Redo();
    bool Modified() const;
    // Clearing the flag says the shown text is the one on disk: every other document differs from it.
    void SetModified(bool modified);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Page;

    Page &Current() const { return *pages_[current_]; }
    std::unique_ptr<Page> MakePage(QTextDocument *document, const std::vector<EditorRange> &bold);
    void Show(std::size_t index);
    void DropPagesAfter(std::size_t index);
    void DropOldestPages();
    void ForgetRedo(Page &page);
    void OnNewUndoStep(const Page *page);
    void ShowBoldOfVisibleBlocks();
    void ShowBoldOf(const QTextBlock &block);

    QPlainTextEdit *edit_;
    std::vector<std::unique_ptr<Page>> pages_;
    std::size_t current_ = 0;
    int batchDepth_ = 0;
    bool steppingHistory_ = false; // inside the document's own Undo or Redo
};

} // namespace kelvra
