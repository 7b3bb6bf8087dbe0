#pragma once
// The document as the windows reach it: the editor control rchOut (a
// QPlainTextEdit, whose line-by-line layout keeps multi-megabyte documents
// fast, with character formats for fonts, colours and bold) seen through the operations the commands need. Text crosses this
// boundary as UTF-8 with CR LF line ends, the form the core and the files use;
// ranges are UTF-8 byte offsets into that text.

#include "formatter/FormatResult.h"
#include "platform/StyledText.h"

#include <QColor>
#include <QFont>
#include <QPlainTextEdit>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvra {

class DocumentBuilder;

struct EditorFontState {
    QFont font;
    QColor color;
};

class EditorSurface {
public:
    explicit EditorSurface(QPlainTextEdit *editor) : edit_(editor) {}
    QPlainTextEdit *Widget() const { return edit_; }

    // Runs the making of a new document (work that touches no window); by
    // default on the spot. The window may run it on another thread while it
    // keeps answering.
    void SetRunner(std::function<void(const std::function<void()> &)> runner) { runner_ = std::move(runner); }
    // Shows `document` (made by a DocumentBuilder) in place of the current one,
    // caret at the start. The old one is deleted away from the window.
    void Adopt(std::unique_ptr<QTextDocument> document);

    std::string Text() const;
    // The text as the editor holds it, copied quickly; FromEditorText makes
    // Text() of it, which may be done away from the window.
    QString RawText() const { return edit_->document()->toRawText(); }
    // Replaces everything by plain text in `font` (one undo step).
    void SetPlainText(const std::string &text, const EditorFontState &font);
    // Replaces everything by `text` in `font` with the spans in bold (one undo step).
    void SetFormatted(const std::string &text, const std::vector<TextSpan> &bold, const EditorFontState &font);
    void SetStyled(const StyledText &content);
    StyledText Styled(const EditorFontState &defaults) const;
    // Gives the whole text `font`, dropping bold and other character formats.
    void ApplyFontToAll(const EditorFontState &font);
    void SetDefaultFont(const EditorFontState &font);

    bool Modified() const;
    void SetModified(bool modified);
    bool ReadOnly() const { return edit_->isReadOnly(); }
    void SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }
    bool RichMode() const { return rich_; }
    void SetRichMode(bool rich);

    void CaretToStart();
    // Selects a range given in UTF-8 bytes of Text().
    void Select(std::size_t start, std::size_t length);
    // 1-based line and column of the selection start.
    std::pair<int, int> CaretLineColumn() const;

private:
    void Build(const EditorFontState &font, const std::function<void(DocumentBuilder &)> &fill);

    QPlainTextEdit *edit_;
    std::function<void(const std::function<void()> &)> runner_;
    bool rich_ = false;
};

// Position in the editor (UTF-16, one position per line break) of a UTF-8
// byte offset into the CR LF text.
int EditorPosition(const std::string &crlfText, std::size_t byteOffset);

QTextCharFormat CharFormatOf(const EditorFontState &font);

// The editor's raw text as UTF-8 with CR LF line ends.
std::string FromEditorText(QString rawText);

} // namespace kelvra
