#include "ui/EditorSurface.h"

#include "formatter/TextUtil.h"
#include "ui/DocumentBuilder.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <string_view>

namespace kelvra {
namespace {

QString ToEditorText(const std::string &crlfText) {
    QString s = QString::fromStdString(crlfText);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

} // namespace

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

int EditorPosition(const std::string &crlfText, std::size_t byteOffset) {
    int pos = 0;
    for (std::size_t i = 0; i < byteOffset && i < crlfText.size();) {
        if (crlfText.compare(i, 2, "\r\n") == 0) {
            i += 2;
            pos += 1;
            continue;
        }
        const std::size_t n = CharLength(static_cast<unsigned char>(crlfText[i]));
        pos += n == 4 ? 2 : 1;
        i += n;
    }
    return pos;
}

std::string EditorSurface::Text() const { return FromEditorText(edit_->document()->toRawText()); }

void EditorSurface::SetPlainText(const std::string &text, const EditorFontState &font) {
    SetFormatted(text, {}, font);
}

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

void EditorSurface::SetRichMode(bool rich) { rich_ = rich; }

void EditorSurface::CaretToStart() {
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(0);
    edit_->setTextCursor(cursor);
}

void EditorSurface::Select(std::size_t start, std::size_t length) {
    const std::string text = Text();
    QTextCursor cursor = edit_->textCursor();
    cursor.setPosition(EditorPosition(text, start));
    cursor.setPosition(EditorPosition(text, start + length), QTextCursor::KeepAnchor);
    edit_->setTextCursor(cursor);
}

std::pair<int, int> EditorSurface::CaretLineColumn() const {
    QTextCursor cursor = edit_->textCursor();
    const int start = cursor.selectionStart();
    QTextBlock block = edit_->document()->findBlock(start);
    return {block.blockNumber() + 1, start - block.position() + 1};
}

} // namespace kelvra
