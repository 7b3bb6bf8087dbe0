#include "ui/TextViewAccessible.h"

#include "ui/TextView.h"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <utility>

namespace kelvra::accessible {

namespace {

using Range = std::pair<int, int>; // [start, end) in the model

// The line around `offset`, with its line break when one follows.
Range LineAround(const TextModel &model, int offset) {
    const int line = model.LineOf(offset);
    const int end = line + 1 < model.LineCount() ? model.LineStart(line + 1) : model.Length();
    return {model.LineStart(line), end};
}

QTextBoundaryFinder::BoundaryType FinderType(QAccessible::TextBoundaryType boundary) {
    switch (boundary) {
    case QAccessible::WordBoundary: return QTextBoundaryFinder::Word;
    case QAccessible::SentenceBoundary: return QTextBoundaryFinder::Sentence;
    default: return QTextBoundaryFinder::Grapheme;
    }
}

// The character, word or sentence around `offset`; these never go past a
// line, and a line break is an item of its own.
Range ItemInLine(const TextModel &model, int offset, QAccessible::TextBoundaryType boundary) {
    const int line = model.LineOf(offset);
    const int lineStart = model.LineStart(line);
    const QString &text = model.Line(line).text;
    const int column = offset - lineStart;
    if (column >= text.size()) return {offset, std::min(offset + 1, model.Length())};
    QTextBoundaryFinder finder(FinderType(boundary), text);
    finder.setPosition(column);
    const qsizetype start = finder.isAtBoundary() ? column : finder.toPreviousBoundary();
    finder.setPosition(std::max<qsizetype>(start, 0));
    const qsizetype end = finder.toNextBoundary();
    return {lineStart + int(std::max<qsizetype>(start, 0)), lineStart + int(end < 0 ? text.size() : end)};
}

Range ItemAround(const TextModel &model, int offset, QAccessible::TextBoundaryType boundary) {
    switch (boundary) {
    case QAccessible::NoBoundary: return {0, model.Length()};
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary: return LineAround(model, offset);
    default: return ItemInLine(model, offset, boundary);
    }
}

class TextViewInterface : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit TextViewInterface(TextView *view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = View().IsReadOnly();
        state.editable = !View().IsReadOnly();
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return Model().Text();
        return QAccessibleWidget::text(kind);
    }

    // ---- Text --------------------------------------------------------------------------
    int characterCount() const override { return Model().Length(); }
    QString text(int startOffset, int endOffset) const override {
        const auto [start, end] = Clamped(startOffset, endOffset);
        return Model().Text(start, end - start);
    }
    int cursorPosition() const override { return View().Position(); }
    void setCursorPosition(int position) override { View().SetCaret(position); }

    int selectionCount() const override { return View().HasSelection() ? 1 : 0; }
    void selection(int index, int *startOffset, int *endOffset) const override {
        const bool some = index == 0 && View().HasSelection();
        *startOffset = some ? View().SelectionStart() : 0;
        *endOffset = some ? View().SelectionEnd() : 0;
    }
    // The view has one selection: adding one replaces it.
    void addSelection(int startOffset, int endOffset) override { View().SetSelection(startOffset, endOffset); }
    void removeSelection(int index) override {
        if (index == 0) View().SetCaret(View().Position());
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0) View().SetSelection(startOffset, endOffset);
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override {
        return Give(ItemAround(Model(), Offset(offset), boundary), startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override {
        const int start = ItemAround(Model(), Offset(offset), boundary).first;
        if (start == 0) return Give({0, 0}, startOffset, endOffset);
        return Give(ItemAround(Model(), start - 1, boundary), startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override {
        const int end = ItemAround(Model(), Offset(offset), boundary).second;
        const int length = Model().Length();
        if (end >= length) return Give({length, length}, startOffset, endOffset);
        return Give(ItemAround(Model(), end, boundary), startOffset, endOffset);
    }

    QRect characterRect(int offset) const override {
        offset = Offset(offset);
        const QRect at = View().CursorRect(offset);
        const int line = Model().LineOf(offset);
        const bool atLineEnd = offset - Model().LineStart(line) >= Model().Line(line).text.size();
        const int width =
            atLineEnd
                ? QFontMetrics(View().DefaultFont()).horizontalAdvance(QChar(' '))
                : View().CursorRect(ItemInLine(Model(), offset, QAccessible::CharBoundary).second).left() - at.left();
        const QRect rect(at.left(), at.top(), std::max(1, width), at.height());
        return rect.translated(View().viewport()->mapToGlobal(QPoint(0, 0)));
    }
    int offsetAtPoint(const QPoint &point) const override {
        const QPoint local = View().viewport()->mapFromGlobal(point);
        return View().viewport()->rect().contains(local) ? View().PositionAt(local) : -1;
    }
    void scrollToSubstring(int startIndex, int) override { View().EnsureVisible(startIndex); }
    QString attributes(int offset, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = Offset(offset);
        return {};
    }

    // ---- Editing -----------------------------------------------------------------------
    void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, {}); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override {
        if (View().IsReadOnly()) return;
        const auto [start, end] = Clamped(startOffset, endOffset);
        View().Model().Replace(start, end - start, text, View().CurrentFormat());
    }

private:
    TextView &View() const { return *static_cast<TextView *>(widget()); }
    const TextModel &Model() const { return View().Model(); }
    int Offset(int offset) const { return std::clamp(offset, 0, Model().Length()); }
    Range Clamped(int startOffset, int endOffset) const {
        const int start = Offset(startOffset);
        return {start, std::max(start, Offset(endOffset))};
    }
    QString Give(Range range, int *startOffset, int *endOffset) const {
        *startOffset = range.first;
        *endOffset = range.second;
        return Model().Text(range.first, range.second - range.first);
    }
};

EventSink eventSink = nullptr;

bool Listening() { return eventSink || QAccessible::isActive(); }

void Tell(QAccessibleEvent &event) {
    if (eventSink)
        eventSink(&event);
    else
        Tell(event);
}

QAccessibleInterface *Factory(const QString &className, QObject *object) {
    if (className == QLatin1String(TextView::staticMetaObject.className()) && object && object->isWidgetType())
        return new TextViewInterface(static_cast<TextView *>(object));
    return nullptr;
}

} // namespace

void InstallTextViewFactory() {
    static const bool installed = (QAccessible::installFactory(&Factory), true);
    Q_UNUSED(installed);
}

void SetEventSink(EventSink sink) { eventSink = sink; }

// Removed text is told by its length only (as blanks): it is gone by the time the view hears of it.
void NoteTextChanged(TextView &view, int from, int removed, int added) {
    if (!Listening()) return;
    const QString addedText = view.Model().Text(from, added);
    const QString removedText(removed, QChar(' '));
    if (removed == 0) {
        QAccessibleTextInsertEvent event(&view, from, addedText);
        Tell(event);
    } else if (added == 0) {
        QAccessibleTextRemoveEvent event(&view, from, removedText);
        Tell(event);
    } else {
        QAccessibleTextUpdateEvent event(&view, from, removedText, addedText);
        Tell(event);
    }
}

void NoteWholeTextReplaced(TextView &view, int oldLength) {
    if (!Listening()) return;
    QAccessibleTextUpdateEvent event(&view, 0, QString(oldLength, QChar(' ')), view.Model().Text());
    Tell(event);
}

void NoteCaretMoved(TextView &view) {
    if (!Listening()) return;
    QAccessibleTextCursorEvent event(&view, view.Position());
    Tell(event);
}

void NoteSelectionChanged(TextView &view) {
    if (!Listening()) return;
    QAccessibleTextSelectionEvent event(&view, view.SelectionStart(), view.SelectionEnd());
    Tell(event);
}

void NoteReadOnlyChanged(TextView &view) {
    if (!Listening()) return;
    QAccessible::State changed;
    changed.readOnly = true;
    changed.editable = true;
    QAccessibleStateChangeEvent event(&view, changed);
    Tell(event);
}

} // namespace kelvra::accessible
