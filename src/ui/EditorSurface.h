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
#include <string>
#include <vector>

namespace kelvra {

struct EditorFontState {
    QFont font;
    QColor color;
};

class EditorSurface {
public:
    explicit EditorSurface(QPlainTextEdit *editor) : edit_(editor) {}
    QPlainTextEdit *Widget() const { return edit_; }

    // Called now and then while a long insertion runs, to let the window breathe.
    void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }

    std::string Text() const;
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
    QPlainTextEdit *edit_;
    std::function<void()> pump_;
    bool rich_ = false;
};

// Position in the editor (UTF-16, one position per line break) of a UTF-8
// byte offset into the CR LF text.
int EditorPosition(const std::string &crlfText, std::size_t byteOffset);

QTextCharFormat CharFormatOf(const EditorFontState &font);

} // namespace kelvra
