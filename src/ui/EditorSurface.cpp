#include "ui/EditorSurface.h"

#include "platform/Utf8.h"
#include "ui/DocumentBuilder.h"
#include "ui/EditorPosition.h"
#include "ui/TextView.h"

#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <string_view>

namespace kelvra {
// Both conversions run over whole documents in a few linear passes.
QString ToEditorText(std::string_view crlfText) {
    std::string lf = FromCrLf(crlfText, LineEnd::Lf);
    std::replace(lf.begin(), lf.end(), '\r', '\n'); // a lone CR is a line break for the editor too
    return QString::fromUtf8(lf.data(), static_cast<qsizetype>(lf.size()));
}

std::string FromEditorText(QString text) {
    // The editor breaks lines with LF only: its model splits lines at every other break.
    const QByteArray utf8 = text.toUtf8();
    return ToCrLf(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
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

// Appends the run `run` of `line` in `format`, and bold where the line's spans say.
void AppendWithBold(StyledText &out, const TextLine &line, const FormatRun &run, const CharFormat &format) {
    const int end = run.start + run.length;
    int at = run.start;
    auto append = [&](int to, bool strong) {
        if (to <= at) return;
        CharFormat piece = format;
        piece.bold = piece.bold || strong;
        out.Append(FromEditorText(line.text.mid(at, to - at)), piece);
        at = to;
    };
    for (const LineSpan &span : line.bold) {
        if (span.end <= run.start || span.start >= end) continue;
        append(std::max(span.start, run.start), false);
        append(std::min(span.end, end), true);
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

EditorSurface::EditorSurface(TextView *editor) : edit_(editor) {}

QString EditorSurface::RawText() const { return edit_->Model().Text(); }

std::string EditorSurface::Text() const { return FromEditorText(edit_->Model().Text()); }

void EditorSurface::SetPlainText(const std::string &text, const EditorFontState &font) { SetFormatted(text, {}, font); }

void EditorSurface::SetFormatted(const std::string &text, const std::vector<TextSpan> &bold,
                                 const EditorFontState &font) {
    Adopt(Build(font, [&](DocumentBuilder &builder) { builder.AddFormatted(text, bold); }));
    SetModified(true); // the text changed as an edit would change it
    edit_->SetCurrentFormat(CharFormatOf(font));
}

void EditorSurface::ReplaceText(const std::string &text, const std::vector<TextSpan> &bold,
                                const EditorFontState &font) {
    AdoptAsEdit(Build(font, [&](DocumentBuilder &builder) { builder.AddFormatted(text, bold); }));
    SetModified(true);
    edit_->SetCurrentFormat(CharFormatOf(font));
}

void EditorSurface::SetStyled(const StyledText &content) {
    EditorFontState font{edit_->DefaultFont(), edit_->palette().color(QPalette::Text)};
    Adopt(Build(font, [&](DocumentBuilder &builder) { builder.AddStyled(content); }));
    SetModified(true);
}

BuiltDocument EditorSurface::Build(const EditorFontState &font, const std::function<void(DocumentBuilder &)> &fill) {
    BuiltDocument built;
    auto work = [&] {
        DocumentBuilder builder(font);
        fill(builder);
        built = builder.Finish();
    };
    if (runner_)
        runner_(work);
    else
        work();
    return built;
}

void EditorSurface::Adopt(BuiltDocument built) {
    if (!built.content) return;
    edit_->Model().Reset(std::move(*built.content));
    edit_->SetCaret(0);
}

void EditorSurface::AdoptAsEdit(BuiltDocument built) {
    if (!built.content) return;
    edit_->Model().ReplaceAll(std::move(*built.content));
    edit_->SetCaret(0);
}

std::vector<EditorRange> EditorSurface::BoldRanges() const { return edit_->Model().BoldRanges(); }

StyledText EditorSurface::Styled(const EditorFontState &defaults) const {
    const TextModel &model = edit_->Model();
    StyledText out(StyleOf(CharFormatOf(defaults), defaults));
    for (int i = 0; i < model.LineCount(); ++i) {
        const TextLine &line = model.Line(i);
        for (const FormatRun &run : line.runs)
            AppendWithBold(out, line, run, StyleOf(model.Format(run.format), defaults));
        if (i + 1 < model.LineCount())
            out.Append("\r\n", StyleOf(model.FormatAt(model.LineStart(i) + line.text.size()), defaults));
    }
    return out;
}

void EditorSurface::ApplyFontToAll(const EditorFontState &font) {
    TextModel &model = edit_->Model();
    model.BeginStep();
    model.SetFormat(0, model.Length(), CharFormatOf(font));
    model.EraseBold(0, model.Length());
    model.EndStep();
    edit_->SetCurrentFormat(CharFormatOf(font));
}

void EditorSurface::SetDefaultFont(const EditorFontState &font) {
    if (edit_->DefaultFont() != font.font) edit_->SetDefaultFont(font.font);
    edit_->SetCurrentFormat(CharFormatOf(font));
}

bool EditorSurface::Modified() const { return edit_->Model().Modified(); }
void EditorSurface::SetModified(bool modified) { edit_->Model().SetModified(modified); }
bool EditorSurface::ReadOnly() const { return edit_->IsReadOnly(); }
void EditorSurface::SetReadOnly(bool readOnly) { edit_->SetReadOnly(readOnly); }

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
    TextModel &model = edit_->Model();
    model.BeginStep();
    for (std::size_t k = insertions.size(); k-- > 0;)
        model.Replace(positions[k], 0, ToEditorText(insertions[k].text), format);
    model.EndStep();
}

void EditorSurface::CaretToStart() { edit_->SetCaret(0); }

void EditorSurface::Select(std::size_t start, std::size_t length) {
    const std::string text = Text();
    EditorPositionWalker walker(text);
    const int from = walker.PositionOf(start);
    SelectAt({from, walker.PositionOf(start + length) - from});
}

void EditorSurface::SelectAt(EditorRange range) { edit_->SetSelection(range.start, range.start + range.length); }

bool EditorSurface::HasSelection() const { return edit_->HasSelection(); }

QString EditorSurface::SelectedText() const {
    QString text = edit_->SelectedText();
    text.replace(QChar('\n'), QStringLiteral("\r\n"));
    return text;
}

std::size_t EditorSurface::SelectionStart() const { return ByteOffsetOf(Text(), edit_->SelectionStart()); }

void EditorSurface::CaretToSelectionStart() { edit_->SetCaret(edit_->SelectionStart()); }

std::pair<int, int> EditorSurface::CaretLineColumn() const {
    const int start = edit_->SelectionStart();
    const int line = edit_->Model().LineOf(start);
    return {line + 1, start - edit_->Model().LineStart(line) + 1};
}

void EditorSurface::ApplyFontToSelection(const EditorFontState &font) {
    TextModel &model = edit_->Model();
    const int from = edit_->SelectionStart(), to = edit_->SelectionEnd();
    model.BeginStep();
    model.MergeFormat(from, to - from, CharFormatOf(font));
    if (!font.font.bold()) model.EraseBold(from, to);
    model.EndStep();
}

namespace {

QTextCharFormat ForegroundOnly(const QColor &colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    return format;
}

} // namespace

void EditorSurface::ColourSelection(const QColor &colour) {
    if (!edit_->HasSelection()) return;
    const int from = edit_->SelectionStart();
    edit_->Model().MergeFormat(from, edit_->SelectionEnd() - from, ForegroundOnly(colour));
    edit_->SetCaret(from);
}

void EditorSurface::ResetColours(const QColor &colour) {
    const int caret = edit_->SelectionStart();
    edit_->Model().MergeFormat(0, edit_->Model().Length(), ForegroundOnly(colour));
    edit_->SetCaret(caret);
}

void EditorSurface::MarkAt(EditorRange range, const QColor &colour) {
    edit_->Model().MergeFormat(range.start, range.length, ForegroundOnly(colour));
}

void EditorSurface::ReplaceAt(EditorRange range, const QString &replacement, const QColor &colour) {
    TextModel &model = edit_->Model();
    // The replacement takes the format of the last character it replaces, in the marking colour.
    QTextCharFormat format = model.FormatAt(std::max(range.start, range.start + range.length - 1));
    format.setForeground(colour);
    model.Replace(range.start, range.length, replacement, format);
}

void EditorSurface::EditAsOneStep(bool joinPrevious, const std::function<void()> &edits) {
    TextModel &model = edit_->Model();
    model.BeginStep(joinPrevious);
    try {
        edits();
    } catch (...) {
        model.EndStep();
        throw;
    }
    model.EndStep();
}

void EditorSurface::Undo() { edit_->Undo(); }
void EditorSurface::Redo() { edit_->Redo(); }
void EditorSurface::Cut() { edit_->Cut(); }
void EditorSurface::Copy() { edit_->Copy(); }
void EditorSurface::Paste() { edit_->Paste(); }
void EditorSurface::SelectAll() { edit_->SelectAll(); }
void EditorSurface::Print(QPrinter &printer) const { PrintedCopy()->print(&printer); }

std::unique_ptr<QTextDocument> EditorSurface::PrintedCopy() const {
    const TextModel &model = edit_->Model();
    auto copy = std::make_unique<QTextDocument>();
    copy->setUndoRedoEnabled(false);
    copy->setDefaultFont(edit_->DefaultFont());
    QTextCursor cursor(copy.get());
    cursor.beginEditBlock();
    for (int i = 0; i < model.LineCount(); ++i) {
        if (i > 0) cursor.insertBlock();
        const TextLine &line = model.Line(i);
        int at = 0;
        for (const QTextLayout::FormatRange &r : model.DrawingFormats(i)) {
            if (r.start > at) cursor.insertText(line.text.mid(at, r.start - at), model.DefaultFormat());
            cursor.insertText(line.text.mid(r.start, r.length), r.format);
            at = r.start + r.length;
        }
        if (at < line.text.size()) cursor.insertText(line.text.mid(at), model.DefaultFormat());
    }
    cursor.endEditBlock();
    return copy;
}

} // namespace kelvra
