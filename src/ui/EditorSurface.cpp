#include "ui/EditorSurface.h"

#include "platform/Utf8.h"
#include "ui/DocumentBuilder.h"
#include "ui/EditorPages.h"
#include "ui/EditorPosition.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <string_view>

namespace kelvra {
// Both conversions run over whole documents: one pass each, no search-and-replace.
QString ToEditorText(std::string_view crlfText) {
    const std::string lf = FromCrLf(crlfText, LineEnd::Lf); // a lone CR is a line break for the editor too
    return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

std::string FromEditorText(QString text) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(static_cast<std::size_t>(utf8.size()) + static_cast<std::size_t>(utf8.size()) / 16);
    const char *p = utf8.constData();
    const char *const end = p + utf8.size();
    // Line breaks are LF, or U+2029 and U+2028 (E2 80 A9, E2 80 A8) in the raw text.
    auto isBreak = [end](const char *c) {
        return *c == '\n' || (*c == '\xE2' && end - c >= 3 && c[1] == '\x80' && (c[2] == '\xA9' || c[2] == '\xA8'));
    };
    while (p < end) {
        const char *q = p;
        while (q < end && *q != '\n' && *q != '\xE2') ++q;
        out.append(p, q);
        if (q == end) break;
        if (isBreak(q)) {
            out += "\r\n";
            p = q + (*q == '\n' ? 1 : 3);
        } else {
            out += *q;
            p = q + 1;
        }
    }
    return out;
}

namespace {

QColor ColourOf(Rgb c) { return QColor(c.red, c.green, c.blue); }
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
    format.setForeground(ColourOf(f.colour));
    return format;
}

namespace {

// Appends `text`, which starts at editor position `start`, in `format`, and
// bold where the spans say.
void AppendWithBold(StyledText &out, const QString &text, int start, const CharFormat &format, const BoldSpans &bold) {
    const int end = start + static_cast<int>(text.size());
    int at = start;
    auto append = [&](int to, bool strong) {
        if (to <= at) return;
        CharFormat piece = format;
        piece.bold = piece.bold || strong;
        out.Append(FromEditorText(text.mid(at - start, to - at)), piece);
        at = to;
    };
    const auto [first, last] = bold.Overlapping(start, end);
    for (std::size_t i = first; i < last; ++i) {
        append(std::max(bold.Spans()[i].start, start), false);
        append(std::min(bold.Spans()[i].end, end), true);
    }
    append(end, false);
}

CharFormat StyleOf(const QTextCharFormat &format, const EditorFontState &defaults) {
    CharFormat f;
    QFont font = format.font();
    f.fontName = (font.family().isEmpty() ? defaults.font.family() : font.family()).toStdString();
    f.pointSize = font.pointSizeF() > 0 ? font.pointSizeF() : defaults.font.pointSizeF();
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeOut = font.strikeOut();
    f.colour = RgbOf(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : defaults.colour);
    return f;
}

} // namespace

QTextCharFormat CharFormatOf(const EditorFontState &font) {
    QTextCharFormat format;
    format.setFont(font.font);
    format.setForeground(font.colour);
    return format;
}

EditorSurface::EditorSurface(QPlainTextEdit *editor) : edit_(editor) {
    if (edit_) pages_ = new EditorPages(edit_);
}

QString EditorSurface::RawText() const { return edit_->document()->toRawText(); }

std::string EditorSurface::Text() const { return FromEditorText(edit_->document()->toRawText()); }

void EditorSurface::SetPlainText(const std::string &text, const EditorFontState &font) { SetFormatted(text, {}, font); }

void EditorSurface::SetFormatted(const std::string &text, const std::vector<TextSpan> &bold,
                                 const EditorFontState &font) {
    Adopt(Build(font, [&](DocumentBuilder &builder) { builder.AddFormatted(text, bold); }));
    SetModified(true); // the text changed as an edit would change it
    edit_->setCurrentCharFormat(CharFormatOf(font));
}

void EditorSurface::ReplaceText(const std::string &text, const std::vector<TextSpan> &bold,
                                const EditorFontState &font) {
    AdoptAsEdit(Build(font, [&](DocumentBuilder &builder) { builder.AddFormatted(text, bold); }));
    SetModified(true);
    edit_->setCurrentCharFormat(CharFormatOf(font));
}

void EditorSurface::SetStyled(const StyledText &content) {
    EditorFontState font{edit_->document()->defaultFont(), edit_->palette().color(QPalette::Text)};
    Adopt(Build(font, [&](DocumentBuilder &builder) { builder.AddStyled(content); }));
    SetModified(true);
}

BuiltDocument EditorSurface::Build(const EditorFontState &font, const std::function<void(DocumentBuilder &)> &fill) {
    BuiltDocument built;
    QThread *owner = edit_->thread();
    auto work = [&] {
        DocumentBuilder builder(font);
        fill(builder);
        built = builder.Finish(owner);
    };
    if (runner_)
        runner_(work);
    else
        work();
    return built;
}

void EditorSurface::Adopt(BuiltDocument built) { pages_->Restart(std::move(built.document), built.bold); }

void EditorSurface::AdoptAsEdit(BuiltDocument built) { pages_->Replace(std::move(built.document), built.bold); }

std::vector<EditorRange> EditorSurface::BoldRanges() const {
    std::vector<EditorRange> out;
    for (const BoldSpans::Span &s : pages_->Bold().Spans()) out.push_back({s.start, s.end - s.start});
    return out;
}

StyledText EditorSurface::Styled(const EditorFontState &defaults) const {
    CharFormat base = StyleOf(CharFormatOf(defaults), defaults);
    StyledText out(base);
    const BoldSpans &bold = pages_->Bold();
    for (QTextBlock block = edit_->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            AppendWithBold(out, fragment.text(), fragment.position(), StyleOf(fragment.charFormat(), defaults), bold);
        }
        if (block.next().isValid()) out.Append("\r\n", StyleOf(block.charFormat(), defaults));
    }
    return out;
}

void EditorSurface::ApplyFontToAll(const EditorFontState &font) {
    pages_->Batch(false, [&](BoldSpans &bold) {
        QTextCursor cursor(edit_->document());
        cursor.select(QTextCursor::Document);
        cursor.setCharFormat(CharFormatOf(font));
        edit_->setCurrentCharFormat(CharFormatOf(font));
        bold.Clear();
    });
}

void EditorSurface::SetDefaultFont(const EditorFontState &font) {
    // Setting it lays every line out again: a large document would hold up the window.
    if (edit_->document()->defaultFont() != font.font) edit_->document()->setDefaultFont(font.font);
    edit_->setCurrentCharFormat(CharFormatOf(font));
}

bool EditorSurface::Modified() const { return pages_->Modified(); }
void EditorSurface::SetModified(bool modified) { pages_->SetModified(modified); }
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
    pages_->Batch(false, [&](BoldSpans &) {
        QTextCursor cursor(edit_->document());
        for (std::size_t k = insertions.size(); k-- > 0;) {
            const QString inserted = ToEditorText(insertions[k].text);
            cursor.setPosition(positions[k]);
            cursor.insertText(inserted, format);
            pages_->Moved(positions[k], 0, static_cast<int>(inserted.size()));
        }
    });
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
    const QTextCursor selection = edit_->textCursor();
    pages_->Batch(false, [&](BoldSpans &bold) {
        edit_->textCursor().mergeCharFormat(CharFormatOf(font));
        if (!font.font.bold()) bold.Erase(selection.selectionStart(), selection.selectionEnd());
    });
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
    pages_->Moved(range.start, range.length, static_cast<int>(replacement.size()));
}

void EditorSurface::EditAsOneStep(bool joinPrevious, const std::function<void()> &edits) {
    pages_->Batch(joinPrevious, [&](BoldSpans &) { edits(); });
}

void EditorSurface::Undo() { pages_->Undo(); }
void EditorSurface::Redo() { pages_->Redo(); }
void EditorSurface::Cut() { edit_->cut(); }
void EditorSurface::Copy() { edit_->copy(); }
void EditorSurface::Paste() { edit_->paste(); }
void EditorSurface::SelectAll() { edit_->selectAll(); }
void EditorSurface::Print(QPrinter &printer) const { PrintedCopy()->print(&printer); }

std::unique_ptr<QTextDocument> EditorSurface::PrintedCopy() const {
    std::unique_ptr<QTextDocument> copy(edit_->document()->clone());
    copy->setUndoRedoEnabled(false);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor cursor(copy.get());
    for (const BoldSpans::Span &s : pages_->Bold().Spans()) {
        cursor.setPosition(s.start);
        cursor.setPosition(s.end, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(bold);
    }
    return copy;
}

} // namespace kelvra
