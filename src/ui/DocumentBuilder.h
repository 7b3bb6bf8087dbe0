#pragma once
// Editor documents made away from the window. Filling a document the editor
// shows costs a layout update per line and blocks the window; a document made
// on its own (on another thread, if need be) and then handed to the editor
// costs the window only the hand-over.

#include "formatter/FormatResult.h"
#include "platform/StyledText.h"
#include "ui/EditorSurface.h"

#include <QTextDocument>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QThread;

namespace kelvra {

// A finished document and, in editor positions, the ranges to show in bold.
struct BuiltDocument {
    std::unique_ptr<QTextDocument> document;
    std::vector<EditorRange> bold;
};

class DocumentBuilder {
public:
    // `stop` is asked between slices of the work; true abandons it. `progress`
    // is told there the share of the work done (0 to 1).
    DocumentBuilder(const EditorFontState &font, std::function<bool()> stop = {},
                    std::function<void(double)> progress = {});
    ~DocumentBuilder();

    // `text` (UTF-8, CR LF) in the font; the spans become the bold ranges
    // shown beside the text (no character formats: those cost the editor
    // microseconds each).
    void AddFormatted(const std::string &text, const std::vector<TextSpan> &bold);
    // Runs of rich text, each with its own format.
    void AddStyled(const StyledText &content);
    // Lays the document out for the editor and hands it to `owner`'s thread;
    // no document when the work was abandoned.
    BuiltDocument Finish(QThread *owner);
    bool Stopped() const { return stopped_; }

private:
    void Insert(std::string_view text, const QTextCharFormat &format);
    bool StopRequested();

    std::unique_ptr<QTextDocument> document_;
    std::vector<EditorRange> bold_;
    QTextCursor *cursor_;
    EditorFontState font_;
    void Report(double share);

    std::function<bool()> stop_;
    std::function<void(double)> progress_;
    bool stopped_ = false;
    std::size_t sinceCheck_ = 0;
    std::size_t inserted_ = 0, toInsert_ = 0;
};

// Deletes a document on a thread of its own: a large one takes a while.
void DiscardDocument(QTextDocument *document);

} // namespace kelvra
