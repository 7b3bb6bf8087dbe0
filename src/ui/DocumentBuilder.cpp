#include "ui/DocumentBuilder.h"

#include "ui/EditorPosition.h"

#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTextOption>
#include <QThread>
#include <algorithm>
#include <string_view>

namespace kelvra {
namespace {

constexpr std::size_t kSlice = 64 * 1024; // bytes between two looks at `stop`

} // namespace

DocumentBuilder::DocumentBuilder(const EditorFontState &font, std::function<bool()> stop,
                                 std::function<void(double)> progress)
    : document_(std::make_unique<QTextDocument>()), font_(font), stop_(std::move(stop)),
      progress_(std::move(progress)) {
    document_->setUndoRedoEnabled(false);
    document_->setDefaultFont(font.font);
    // The editor's own option (no wrapping), so that taking the document over changes nothing.
    QTextOption option = document_->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    document_->setDefaultTextOption(option);
    cursor_ = new QTextCursor(document_.get());
    cursor_->beginEditBlock(); // one change notice for the whole fill
    cursor_->setCharFormat(CharFormatOf(font));
}

DocumentBuilder::~DocumentBuilder() { delete cursor_; }

// Filling the document is the first half of the work, laying it out the second.
void DocumentBuilder::Report(double share) {
    if (progress_) progress_(share);
}

bool DocumentBuilder::StopRequested() {
    if (!stopped_ && stop_ && stop_()) stopped_ = true;
    return stopped_;
}

void DocumentBuilder::Insert(std::string_view text, const QTextCharFormat &format) {
    while (!text.empty() && !stopped_) {
        std::size_t n = std::min(text.size(), kSlice - std::min(sinceCheck_, kSlice - 1));
        // Never cut a character or a CR LF in two.
        while (n < text.size() && ((static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 || text[n] == '\n')) ++n;
        cursor_->insertText(ToEditorText(text.substr(0, n)), format);
        text.remove_prefix(n);
        sinceCheck_ += n;
        inserted_ += n;
        if (sinceCheck_ >= kSlice) {
            sinceCheck_ = 0;
            if (toInsert_ > 0) Report(0.5 * static_cast<double>(inserted_) / static_cast<double>(toInsert_));
            StopRequested();
        }
    }
}

void DocumentBuilder::AddFormatted(const std::string &text, const std::vector<TextSpan> &bold) {
    const int base = cursor_->position();
    EditorPositionWalker walker(text);
    toInsert_ += text.size();
    std::size_t done = 0;
    for (const TextSpan &span : bold) {
        if (span.start < done || span.start + span.length > text.size()) continue;
        const int start = walker.PositionOf(span.start);
        bold_.push_back({base + start, walker.PositionOf(span.start + span.length) - start});
        done = span.start + span.length;
    }
    Insert(text, CharFormatOf(font_));
}

void DocumentBuilder::AddStyled(const StyledText &content) {
    toInsert_ += content.Text().size();
    content.ForEachRun([&](const StyledRun &run) {
        Insert(std::string_view(content.Text()).substr(run.start, run.length), CharFormatOfStyle(*run.format));
    });
}

BuiltDocument DocumentBuilder::Finish(QThread *owner) {
    cursor_->endEditBlock();
    delete cursor_;
    cursor_ = nullptr;
    if (StopRequested()) return {};
    // The editor's layout, with a text layout object made for every line now
    // rather than by the editor while the window waits.
    document_->setDocumentLayout(new QPlainTextDocumentLayout(document_.get()));
    int count = 0;
    const double blocks = std::max(1, document_->blockCount());
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
        block.layout();
        if (++count % 4096 == 0) {
            Report(0.5 + 0.5 * count / blocks);
            if (StopRequested()) return {};
        }
    }
    document_->setUndoRedoEnabled(true);
    document_->setModified(false);
    if (owner && owner != document_->thread()) document_->moveToThread(owner);
    return {std::move(document_), std::move(bold_)};
}

void DiscardDocument(QTextDocument *document) {
    if (!document) return;
    document->setParent(nullptr);
    QThread *thread = QThread::create([document] { delete document; });
    document->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

} // namespace kelvra
