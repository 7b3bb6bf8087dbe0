#pragma once
// The editor control rchOut (a TextView showing a TextModel: lines with their
// character formats for fonts and colours and the formatter's bold, drawn only
// where they are visible) seen through the operations the commands need: the
// only code that touches the editor's text. Text crosses this boundary as UTF-8 with CR LF
// line ends, the form the core and the files use; ranges are UTF-8 byte
// offsets into that text, or editor positions (see EditorPosition.h) where a
// caller walks a changing text itself.

#include "formatter/FormatResult.h"
#include "platform/LineEndCommands.h"
#include "platform/StyledText.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextCharFormat>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QPrinter;
class QTextDocument;

namespace kelvra {

class DocumentBuilder;
class TextView;
struct BuiltDocument;

struct EditorFontState {
    QFont font;
    QColor colour;
};

// A range in editor positions.
struct EditorRange {
    int start = 0;
    int length = 0;
};

class EditorSurface {
public:
    explicit EditorSurface(TextView *editor);

    // Runs the making of a new document (work that touches no window); by
    // default on the spot. The window may run it on another thread while it
    // keeps answering.
    void SetRunner(std::function<void(const std::function<void()> &)> runner) { runner_ = std::move(runner); }
    // Shows `built` (made by a DocumentBuilder) in place of the current
    // document, caret at the start, as a fresh start without undo history.
    void Adopt(BuiltDocument built);
    // The same as one edit: Undo gives back the current text with its formats.
    void AdoptAsEdit(BuiltDocument built);

    // ---- Whole text -----------------------------------------------------------
    std::string Text() const;
    // The text as the editor holds it, copied quickly; FromEditorText makes
    // Text() of it, which may be done away from the window.
    QString RawText() const;
    // A new document of plain text in `font`, without undo history (a file opened, New).
    void SetPlainText(const std::string &text, const EditorFontState &font);
    // The same with the spans in bold.
    void SetFormatted(const std::string &text, const std::vector<TextSpan> &bold, const EditorFontState &font);
    // Replaces everything by `text` in `font` with the spans in bold, as one undo step.
    void ReplaceText(const std::string &text, const std::vector<TextSpan> &bold, const EditorFontState &font);
    void SetStyled(const StyledText &content);
    StyledText Styled(const EditorFontState &defaults) const;
    // Gives the whole text `font`, dropping bold and other character formats.
    void ApplyFontToAll(const EditorFontState &font);
    // The ranges shown in bold beside the character formats, ascending.
    std::vector<EditorRange> BoldRanges() const;
    void SetDefaultFont(const EditorFontState &font);
    // Makes the insertions (byte offsets into Text(), ascending) as one edit, in `font`;
    // the text around them keeps its formats.
    void Insert(const std::vector<LineInsertion> &insertions, const EditorFontState &font);

    // ---- State ------------------------------------------------------------------
    bool Modified() const;
    void SetModified(bool modified);
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    bool RichMode() const { return rich_; }
    void SetRichMode(bool rich) { rich_ = rich; }
    QColor Background() const;
    void SetBackground(const QColor &colour);
    // The selection stays visible in the active colours while the focus is elsewhere.
    void KeepSelectionVisible();
    void Focus();

    // ---- Caret and selection ----------------------------------------------------
    void CaretToStart();
    // Selects a range given in UTF-8 bytes of Text().
    void Select(std::size_t start, std::size_t length);
    void SelectAt(EditorRange range);
    bool HasSelection() const;
    // The selected text with CR LF line breaks.
    QString SelectedText() const;
    // Byte offset into Text() of the selection start.
    std::size_t SelectionStart() const;
    // Collapses the selection onto its start.
    void CaretToSelectionStart();
    // 1-based line and column of the selection start.
    std::pair<int, int> CaretLineColumn() const;

    // ---- Formats and marking ----------------------------------------------------
    // Gives the selection `font` (only the selection; new text keeps the default).
    void ApplyFontToSelection(const EditorFontState &font);
    // Colours the selection, then collapses it onto its start.
    void ColourSelection(const QColor &colour);
    // Gives every character the text colour `colour` (other formats stay); the caret
    // goes to the selection start.
    void ResetColours(const QColor &colour);
    // Gives the range the marking colour.
    void MarkAt(EditorRange range, const QColor &colour);
    // Replaces the range by `replacement` in the marking colour, keeping the other
    // formats of the text it replaces.
    void ReplaceAt(EditorRange range, const QString &replacement, const QColor &colour);
    // Runs `edits` (MarkAt and ReplaceAt calls) as one undo step, or as part
    // of the previous one when `joinPrevious`.
    void EditAsOneStep(bool joinPrevious, const std::function<void()> &edits);

    // ---- Clipboard, undo, printing ---------------------------------------------
    // Undo and Redo step across whole-text replacements too (AdoptAsEdit, ReplaceText).
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void SelectAll();
    void Print(QPrinter &printer) const;
    // What Print prints: the text as a document with the bold spans as
    // character formats (paper has no screen to draw them on).
    std::unique_ptr<QTextDocument> PrintedCopy() const;

private:
    BuiltDocument Build(const EditorFontState &font, const std::function<void(DocumentBuilder &)> &fill);

    TextView *edit_ = nullptr;
    std::function<void(const std::function<void()> &)> runner_;
    bool rich_ = false;
};

QTextCharFormat CharFormatOf(const EditorFontState &font);

// The editor's raw text as UTF-8 with CR LF line ends, and back.
std::string FromEditorText(QString rawText);
QString ToEditorText(std::string_view crlfText);

// The editor's format for a run of rich text.
QTextCharFormat CharFormatOfStyle(const CharFormat &format);

} // namespace kelvra
