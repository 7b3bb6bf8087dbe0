#include "ui/EditorSurface.h"

#include "platform/Utf8.h"
#include "ui/DocumentBuilder.h"
#include "ui/EditorPosition.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <string_view>

namespace kelvra {
QString ToEditorText(std::string_view crlfText) {
    QString s = QString::fromUtf8(crlfText.data(), static_cast<qsizetype>(crlfText.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

std::string FromEditorText(QString text) {
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.replace(QChar::LineSeparator, QChar('\n'));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toStdString();
}

namespace {

QColor ColorOf(Rgb c) { return QColor(c.red, c.green, c.blue); }
Rgb RgbOf(const QColor &c) {
    return Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

} // namespace

QTextCharFormat CharFormatOfStyle(const CharFormat &f) {
    QTextCharFormat format;
    QFont font(QString::fromStdString(f.fontName));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(f.pointSize > 0 ? f.pointSize : 10);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    format.setFont(font);
    format.setForeground(ColorOf(f.color));
    return format;
}

namespace {

CharFormat StyleOf(const QTextCharFormat &format, const EditorFontState &defaults) {
    CharFormat f;
    QFont font = format.font();
    f.fontName = (font.family().isEmpty() ? defaults.font.family() : font.family()).toStdString();
    f.pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : defaults.font.pointSizeF();
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeOut = font.strikeOut();
    f.color = RgbOf(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : defaults.color);
    return f;
}

} // namespace

QTextCharFormat CharFormatOf(const EditorFontState &font) {
    QTextCharFormat format;
    format.setFont(font.font);
    format.setForeground(font.color);
    return format;
}

QString EditorSurface::RawText() const { return edit_->document()->toRawText(); }

std::string EditorSurface::Text() const { return FromEditorText(edit_->document()->toRawText()); }

void EditorSurface::SetPlainText(const std::string &text, const EditorFontState &font) { SetFormatted(text, {}, font); }

void EditorSurface::SetFormatted(const std::string &text, const std::vector<TextSpan> &bold,
                                 const EditorFontState &font) {
    Build(font, [&](DocumentBuilder &builder) { builder.AddFormatted(text, bold); });
    edit_->setCurrentCharFormat(CharFormatOf(font));
}

void EditorSurface::SetStyled(const StyledText &content) {
    EditorFontState font{edit_->document()->defaultFont(), edit_->palette().color(QPalette::Text)};
    Build(font, [&](DocumentBuilder &builder) { builder.AddStyled(content); });
}

void EditorSurface::Build(const EditorFontState &font, const std::function<void(DocumentBuilder &)> &fill) {
    std::unique_ptr<QTextDocument> document;
    QThread *owner = edit_->thread();
    auto work = [&] {
        DocumentBuilder builder(font);
        fill(builder);
        document = builder.Finish(owner);
    };
    if (runner_)
        runner_(work);
    else
        work();
    Adopt(std::move(document));
    // The text changed as an edit would change it.
    SetModified(true);
}

void EditorSurface::Adopt(std::unique_ptr<QTextDocument> document) {
    if (!document) return;
    QTextDocument *old = edit_->document();
    old->setParent(nullptr); // the editor would delete it on the spot
    QTextDocument *adopted = document.release();
    adopted->setParent(edit_);
    edit_->setDocument(adopted);
    DiscardDocument(old);
    CaretToStart();
}

StyledText EditorSurface::Styled(const EditorFontState &defaults) const {
    CharFormat base = StyleOf(CharFormatOf(defaults), defaults);
    StyledText out(base);
    for (QTextBlock block = edit_->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            out.Append(FromEditorText(fragment.text()), StyleOf(fragment.charFormat(), defaults));
        }
        if (block.next().isValid()) out.Append("\r\n", StyleOf(block.charFormat(), defaults));
    }
    return out;
}

void EditorSurface::ApplyFontToAll(const EditorFontState &font) {
    QTextCursor cursor(edit_->document());
    cursor.select(QTextCursor::Document);
    cursor.setCharFormat(CharFormatOf(font));
    cursor.clearSelection();
    edit_->setCurrentCharFormat(CharFormatOf(font));
}

void EditorSurface::SetDefaultFont(const EditorFontState &font) {
    // Setting it lays every line out again: a large document would hold up the window.
    if (edit_->document()->defaultFont() != font.font) edit_->document()->setDefaultFont(font.font);
    edit_->setCurrentCharFormat(CharFormatOf(font));
}

bool EditorSurface::Modified() const { return edit_->document()->isModified(); }
void EditorSurface::SetModified(bool modified) { edit_->document()->setModified(modified); }
bool EditorSurface::ReadOnly() const { return edit_->isReadOnly(); }
void EditorSurface::SetReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

QColor EditorSurface::Background() const { return edit_->palette().color(QPalette::Base); }

void EditorSurface::SetBackground(const QColor &colour) {
    QPalette p = edit_->palette();
    p.setColor(QPalette::Base, colour);
    edit_->setPalette(p);
}

void EditorSurface::KeepSelectionVisible() {
    QPalette p = edit_->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    edit_->setPalette(p);
}

void EditorSurface::Focus() { edit_->setFocus(); }

void EditorSurface::Insert(const std::vector<LineInsertion> &insertions, const EditorFontState &font) {
    if (insertions.empty()) return;
    // Editor positions of the byte offsets, found in one pass over the text.
    const std::string text = Text();
    EditorPositionWalker walker(text);
    std::vector<int> positions;
    positions.reserve(insertions.size());
    for (const LineInsertion &ins : insertions) positions.push_back(walker.PositionOf(ins.offset));
    // From the last insertion to the first, so that the earlier positions stay valid.
    const QTextCharFormat format = CharFormatOf(font);
    QTextCursor cursor(edit_->document());
    cursor.beginEditBlock();
    for (std::size_t k = insertions.size(); k-- > 0;) {
        cursor.setPosition(positions[k]);
        cursor.insertText(ToEditorText(insertions[k].text), format);
    }
    cursor.endEditBlock();
}

void EditorSurface::CaretToStart() {
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(0);
    edit_->setTextCursor(cursor);
}

void EditorSurface::Select(std::size_t start, std::size_t length) {
    const std::string text = Text();
    EditorPositionWalker walker(text);
    const int from = walker.PositionOf(start);
    SelectAt({from, walker.PositionOf(start + length) - from});
}

void EditorSurface::SelectAt(EditorRange range) {
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(range.start);
    cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
    edit_->setTextCursor(cursor);
}

bool EditorSurface::HasSelection() const { return edit_->textCursor().hasSelection(); }

QString EditorSurface::SelectedText() const {
    QString text = edit_->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

std::size_t EditorSurface::SelectionStart() const { return ByteOffsetOf(Text(), edit_->textCursor().selectionStart()); }

void EditorSurface::CaretToSelectionStart() {
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(cursor.selectionStart());
    edit_->setTextCursor(cursor);
}

std::pair<int, int> EditorSurface::CaretLineColumn() const {
    QTextCursor cursor = edit_->textCursor();
    const int start = cursor.selectionStart();
    QTextBlock block = edit_->document()->findBlock(start);
    return {block.blockNumber() + 1, start - block.position() + 1};
}

void EditorSurface::ApplyFontToSelection(const EditorFontState &font) {
    edit_->textCursor().mergeCharFormat(CharFormatOf(font));
}

void EditorSurface::ColourSelection(const QColor &colour) {
    QTextCursor cursor = edit_->textCursor();
    if (!cursor.hasSelection()) return;
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.mergeCharFormat(format);
    cursor.setPosition(cursor.selectionStart());
    edit_->setTextCursor(cursor);
}

void EditorSurface::ResetColours(const QColor &colour) {
    const int caret = edit_->textCursor().selectionStart();
    QTextCursor all(edit_->document());
    all.select(QTextCursor::Document);
    QTextCharFormat format;
    format.setForeground(colour);
    all.mergeCharFormat(format);
    SelectAt({caret, 0});
}

void EditorSurface::MarkAt(EditorRange range, const QColor &colour) {
    QTextCursor cursor(edit_->document());
    cursor.setPosition(range.start);
    cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.mergeCharFormat(format);
}

void EditorSurface::ReplaceAt(EditorRange range, const QString &replacement, const QColor &colour) {
    QTextCursor cursor(edit_->document());
    cursor.setPosition(range.start);
    cursor.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
    QTextCharFormat format = cursor.charFormat();
    format.setForeground(colour);
    cursor.insertText(replacement, format);
}

void EditorSurface::EditAsOneStep(bool joinPrevious, const std::function<void()> &edits) {
    // The edit block belongs to the document: edits through other cursors join it.
    QTextCursor block(edit_->document());
    if (joinPrevious)
        block.joinPreviousEditBlock();
    else
        block.beginEditBlock();
    try {
        edits();
    } catch (...) {
        block.endEditBlock();
        throw;
    }
    block.endEditBlock();
}

void EditorSurface::Undo() { edit_->undo(); }
void EditorSurface::Cut() { edit_->cut(); }
void EditorSurface::Copy() { edit_->copy(); }
void EditorSurface::Paste() { edit_->paste(); }
void EditorSurface::SelectAll() { edit_->selectAll(); }
void EditorSurface::Print(QPrinter &printer) const { edit_->document()->print(&printer); }

} // namespace kelvra
