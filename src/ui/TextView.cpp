#include "ui/TextView.h"

#include "ui/LineLayout.h"
#include "ui/TextDrops.h"
#include "ui/TextViewAccessible.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QInputMethod>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextBoundaryFinder>
#include <QWheelEvent>
#include <QtMath>
#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <utility>

namespace kelvra {

namespace {

constexpr int kMargin = 4;         // blank beside the text, as a plain text edit leaves
constexpr qreal kTabStop = 80;     // a plain text edit's default tab stops, in pixels
constexpr int kAutoScrollMs = 50;  // how often a drag outside the viewport scrolls
constexpr int kSurrounding = 1024; // characters either side of the caret an input method is shown of a long line

enum class Move {
    Left,
    Right,
    WordLeft,
    WordRight,
    Up,
    Down,
    LineStart,
    LineEnd,
    TextStart,
    TextEnd,
    PageUp,
    PageDown
};

enum class Command {
    None,
    Move,
    Copy,
    Cut,
    Paste,
    SelectAll,
    Undo,
    Redo,
    DeleteBack,
    DeleteForward,
    DeleteWordBack,
    DeleteWordForward,
    ToggleOverwrite,
    Type,
};

// What a key asks of the view.
struct KeyAction {
    Command command = Command::None;
    Move move = Move::Left;
    bool select = false;
    QString text; // for Type
};

KeyAction Do(Command command) { return {command, Move::Left, false, {}}; }
KeyAction Moving(Move move, bool select) { return {Command::Move, move, select, {}}; }
KeyAction Typing(const QString &text) { return {Command::Type, Move::Left, false, text}; }

struct MoveKey {
    QKeySequence::StandardKey key;
    Move move;
    bool select;
};

const MoveKey kMoveKeys[] = {
    {QKeySequence::MoveToNextChar, Move::Right, false},
    {QKeySequence::SelectNextChar, Move::Right, true},
    {QKeySequence::MoveToPreviousChar, Move::Left, false},
    {QKeySequence::SelectPreviousChar, Move::Left, true},
    {QKeySequence::MoveToNextWord, Move::WordRight, false},
    {QKeySequence::SelectNextWord, Move::WordRight, true},
    {QKeySequence::MoveToPreviousWord, Move::WordLeft, false},
    {QKeySequence::SelectPreviousWord, Move::WordLeft, true},
    {QKeySequence::MoveToNextLine, Move::Down, false},
    {QKeySequence::SelectNextLine, Move::Down, true},
    {QKeySequence::MoveToPreviousLine, Move::Up, false},
    {QKeySequence::SelectPreviousLine, Move::Up, true},
    {QKeySequence::MoveToStartOfLine, Move::LineStart, false},
    {QKeySequence::SelectStartOfLine, Move::LineStart, true},
    {QKeySequence::MoveToStartOfBlock, Move::LineStart, false},
    {QKeySequence::SelectStartOfBlock, Move::LineStart, true},
    {QKeySequence::MoveToEndOfLine, Move::LineEnd, false},
    {QKeySequence::SelectEndOfLine, Move::LineEnd, true},
    {QKeySequence::MoveToEndOfBlock, Move::LineEnd, false},
    {QKeySequence::SelectEndOfBlock, Move::LineEnd, true},
    {QKeySequence::MoveToStartOfDocument, Move::TextStart, false},
    {QKeySequence::SelectStartOfDocument, Move::TextStart, true},
    {QKeySequence::MoveToEndOfDocument, Move::TextEnd, false},
    {QKeySequence::SelectEndOfDocument, Move::TextEnd, true},
    {QKeySequence::MoveToNextPage, Move::PageDown, false},
    {QKeySequence::SelectNextPage, Move::PageDown, true},
    {QKeySequence::MoveToPreviousPage, Move::PageUp, false},
    {QKeySequence::SelectPreviousPage, Move::PageUp, true},
};

struct CommandKey {
    QKeySequence::StandardKey key;
    Command command;
};

const CommandKey kCommandKeys[] = {
    {QKeySequence::Copy, Command::Copy},
    {QKeySequence::Cut, Command::Cut},
    {QKeySequence::Paste, Command::Paste},
    {QKeySequence::SelectAll, Command::SelectAll},
    {QKeySequence::Undo, Command::Undo},
    {QKeySequence::Redo, Command::Redo},
    {QKeySequence::Delete, Command::DeleteForward},
    {QKeySequence::DeleteStartOfWord, Command::DeleteWordBack},
    {QKeySequence::DeleteEndOfWord, Command::DeleteWordForward},
};

bool IsPrintable(const QString &text) {
    if (text.isEmpty()) return false;
    return std::none_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

// Ctrl (alone or with Shift) makes a shortcut, not text; Ctrl+Alt is AltGr on some keyboards.
bool IsTypedText(const QKeyEvent &event) {
    const Qt::KeyboardModifiers mods = event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) return false;
    if (mods & Qt::MetaModifier) return false;
    return IsPrintable(event.text());
}

KeyAction ActionFor(const QKeyEvent &event) {
    for (const CommandKey &k : kCommandKeys)
        if (event.matches(k.key)) return Do(k.command);
    if (event.key() == Qt::Key_Y && event.modifiers() == Qt::ControlModifier) return Do(Command::Redo);
    if (event.key() == Qt::Key_Backspace && !(event.modifiers() & ~Qt::ShiftModifier)) return Do(Command::DeleteBack);
    if (event.key() == Qt::Key_Insert && !(event.modifiers() & ~Qt::KeypadModifier))
        return Do(Command::ToggleOverwrite);
    for (const MoveKey &k : kMoveKeys)
        if (event.matches(k.key)) return Moving(k.move, k.select);
    if (event.matches(QKeySequence::InsertParagraphSeparator) || event.matches(QKeySequence::InsertLineSeparator))
        return Typing(QStringLiteral("\n"));
    if (event.key() == Qt::Key_Tab &&
        !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)))
        return Typing(QStringLiteral("\t"));
    if (IsTypedText(event)) return Typing(event.text());
    return Do(Command::None);
}

bool ChangesText(Command command) {
    return command != Command::None && command != Command::Move && command != Command::Copy &&
           command != Command::SelectAll;
}

// Pasted text with its line breaks made '\n', the one break the model knows.
QString WithNewlines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar::ParagraphSeparator, QChar('\n'));
    text.replace(QChar::LineSeparator, QChar('\n'));
    return text;
}

} // namespace

struct TextView::State {
    explicit State(TextView &view) : q(view) {}

    TextView &q;
    TextModel model;
    int anchor = 0;
    int position = 0;
    std::optional<qreal> goalX; // the x that Up and Down keep
    bool readOnly = false;
    bool overwrite = false; // typed characters replace the one after the caret
    QTextCharFormat currentFormat;
    QFont font;        // the default font as given
    int zoom = 0;      // points Ctrl+wheel adds to every font shown, not to the text's formats
    int wheelZoom = 0; // wheel turns not yet a whole zoom step
    QFont shownFont;   // the default font, zoomed
    int lineHeight = 1;
    int ascent = 0;
    int lineCount = 1;
    int toldLength = 0;                                 // the text's length as last told
    std::map<int, std::unique_ptr<LineLayout>> layouts; // by line
    int widest = 0;                                     // the widest line laid out so far
    QString preedit;                                    // the input method's text being composed
    QList<QTextLayout::FormatRange> preeditFormats;     // relative to the preedit
    int preeditCursor = 0;
    bool preeditCursorVisible = true;
    QBasicTimer blink;
    bool caretShown = true;
    QBasicTimer autoScroll;
    bool dragging = false;
    QPoint dragPoint;
    // What a drag selects by: characters after a click, words after a double
    // click, lines after a triple click; `unit` is the range first selected.
    enum class Unit { Character, Word, Line } dragUnit = Unit::Character;
    EditorRange unit;
    QBasicTimer tripleClick; // runs for a double-click interval after a double click
    QPoint tripleClickPoint;
    TextDrops drops{q};

    // ---- Lines and their layouts ------------------------------------------------
    int CaretLine() const { return model.LineOf(position); }
    int ColumnOf(int pos) const { return pos - model.LineStart(model.LineOf(pos)); }
    int LineLength(int line) const { return int(model.Line(line).text.size()); }
    bool HasPreedit(int line) const { return !preedit.isEmpty() && line == CaretLine(); }

    LineLayout &LayoutOf(int line) {
        auto found = layouts.find(line);
        if (found == layouts.end()) {
            found = layouts.emplace(line, MakeLayout(line)).first;
            NoteWidth(*found->second);
        }
        return *found->second;
    }

    std::unique_ptr<LineLayout> MakeLayout(int line) {
        auto layout = std::make_unique<LineLayout>(model.Line(line).text, shownFont, Zoomed(model.DrawingFormats(line)),
                                                   kTabStop);
        if (HasPreedit(line)) layout->SetPreedit(ColumnOf(position), preedit, preeditFormats);
        return layout;
    }
    // Shows the preedit in the line's layout, or takes it out, as the caret stands now.
    void RefreshPreedit(int line) {
        const auto found = layouts.find(line);
        if (found == layouts.end()) return;
        found->second->SetPreedit(HasPreedit(line) ? ColumnOf(position) : -1, preedit, preeditFormats);
    }

    // ---- Zoom ---------------------------------------------------------------------
    qreal ZoomedSize(qreal size) const { return std::max<qreal>(1, size + zoom); }
    QList<QTextLayout::FormatRange> Zoomed(QList<QTextLayout::FormatRange> formats) const {
        if (zoom == 0) return formats;
        for (QTextLayout::FormatRange &r : formats)
            if (r.format.hasProperty(QTextFormat::FontPointSize))
                r.format.setFontPointSize(ZoomedSize(r.format.fontPointSize()));
        return formats;
    }
    void ApplyFont() {
        shownFont = font;
        if (font.pointSizeF() > 0) shownFont.setPointSizeF(ZoomedSize(font.pointSizeF()));
        const QFontMetrics metrics(shownFont);
        lineHeight = std::max(1, metrics.lineSpacing());
        ascent = metrics.ascent();
        DropAllLayouts();
        UpdateScrollBars();
        q.viewport()->update();
    }
    // Zooms by whole steps of the wheel, one point a step, no smaller than one point.
    void ZoomByWheel(int angle) {
        wheelZoom += angle;
        const int steps = wheelZoom / QWheelEvent::DefaultDeltasPerStep;
        wheelZoom %= QWheelEvent::DefaultDeltasPerStep;
        if (steps == 0 || font.pointSizeF() <= 0) return;
        zoom = std::max(zoom + steps, 1 - int(font.pointSizeF()));
        ApplyFont();
        q.EnsureCaretVisible();
    }

    void DropLayouts(int firstLine, int lastLine) {
        layouts.erase(layouts.lower_bound(firstLine), layouts.upper_bound(lastLine));
    }
    void DropAllLayouts() {
        layouts.clear();
        widest = 0;
    }
    // Keeps the layouts of the lines around the screen and the caret's; the rest go.
    void PruneLayouts() {
        const int keepFrom = q.FirstVisibleLine() - FullLines();
        const int keepTo = q.LastVisibleLine() + FullLines();
        const int caretLine = CaretLine();
        for (auto it = layouts.begin(); it != layouts.end();)
            it = (it->first < keepFrom || it->first > keepTo) && it->first != caretLine ? layouts.erase(it) : ++it;
    }

    // A column of the model's line as a position in its layout, which holds the preedit.
    int ToLayout(int line, int column) const {
        return HasPreedit(line) && column > ColumnOf(position) ? column + int(preedit.size()) : column;
    }
    int FromLayout(int line, int layoutPosition) const {
        if (!HasPreedit(line)) return layoutPosition;
        const int at = ColumnOf(position);
        if (layoutPosition <= at) return layoutPosition;
        return std::max(at, layoutPosition - int(preedit.size()));
    }

    // ---- Geometry ---------------------------------------------------------------
    int FullLines() const { return std::max(1, q.viewport()->height() / lineHeight); }
    int CaretWidth() const { return std::clamp(q.style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, &q), 1, 2); }
    int LineTop(int line) const { return (line - q.FirstVisibleLine()) * lineHeight; }
    int LeftEdge() const { return kMargin - q.horizontalScrollBar()->value(); }
    // The x of a position inside its line's text, without scrolling.
    qreal XOf(int pos) {
        const int line = model.LineOf(pos);
        int layoutPosition = ToLayout(line, ColumnOf(pos));
        if (pos == position && HasPreedit(line)) layoutPosition += preeditCursor;
        return LayoutOf(line).CursorToX(layoutPosition);
    }
    int PositionAtX(int line, qreal x) {
        const int layoutPosition = LayoutOf(line).XToCursor(x);
        return model.LineStart(line) + std::clamp(FromLayout(line, layoutPosition), 0, LineLength(line));
    }

    // Widths measured count for good; a long line's estimate only while its layout is kept.
    void NoteWidth(LineLayout &layout) {
        if (layout.WidthKnown()) {
            const int width = qCeil(layout.Width(false));
            if (width <= widest) return;
            widest = width;
        }
        ApplyHorizontalRange();
    }
    void ApplyHorizontalRange() {
        QScrollBar *bar = q.horizontalScrollBar();
        int width = widest;
        for (const auto &[line, layout] : layouts)
            if (!layout->WidthKnown()) width = std::max(width, qCeil(layout->Width(false)));
        const int contentWidth = width + 2 * kMargin + CaretWidth();
        bar->setRange(0, std::max(0, contentWidth - q.viewport()->width()));
        bar->setPageStep(q.viewport()->width());
        bar->setSingleStep(std::max(1, QFontMetrics(shownFont).averageCharWidth() * 2));
    }
    void UpdateScrollBars() {
        QScrollBar *bar = q.verticalScrollBar();
        bar->setRange(0, std::max(0, model.LineCount() - FullLines()));
        bar->setPageStep(FullLines());
        bar->setSingleStep(1);
        // The caret's line counts for the width even off the screen.
        NoteWidth(LayoutOf(CaretLine()));
    }

    // ---- Caret and selection ----------------------------------------------------
    void Select(int newAnchor, int newPosition) {
        const int length = model.Length();
        newAnchor = std::clamp(newAnchor, 0, length);
        newPosition = std::clamp(newPosition, 0, length);
        if (newAnchor == anchor && newPosition == position) return;
        const int oldStart = std::min(anchor, position), oldEnd = std::max(anchor, position);
        const int oldLine = CaretLine();
        anchor = newAnchor;
        position = newPosition;
        if (!preedit.isEmpty() && CaretLine() != oldLine) RefreshPreedit(oldLine);
        if (!preedit.isEmpty()) RefreshPreedit(CaretLine());
        RestartBlink();
        q.viewport()->update();
        q.updateMicroFocus(); // the input method's window follows the caret
        emit q.CaretMoved();
        const int start = std::min(anchor, position), end = std::max(anchor, position);
        const bool wasEmpty = oldStart == oldEnd, isEmpty = start == end;
        if (!(wasEmpty && isEmpty) && (start != oldStart || end != oldEnd)) emit q.SelectionChanged();
    }

    void RestartBlink() {
        caretShown = true;
        const int flashTime = QApplication::cursorFlashTime();
        if (q.hasFocus() && !readOnly && flashTime >= 2)
            blink.start(flashTime / 2, &q);
        else
            blink.stop();
    }

    // ---- Moves ------------------------------------------------------------------
    int PreviousPosition(int pos, QTextLayout::CursorMode mode) {
        const int line = model.LineOf(pos);
        const int column = pos - model.LineStart(line);
        if (column == 0) return std::max(0, pos - 1);
        const int previous = LayoutOf(line).PreviousCursorPosition(ToLayout(line, column), mode);
        return model.LineStart(line) + FromLayout(line, previous);
    }
    int NextPosition(int pos, QTextLayout::CursorMode mode) {
        const int line = model.LineOf(pos);
        const int column = pos - model.LineStart(line);
        if (column >= LineLength(line)) return std::min(model.Length(), pos + 1);
        const int next = LayoutOf(line).NextCursorPosition(ToLayout(line, column), mode);
        return model.LineStart(line) + FromLayout(line, next);
    }
    // The position `lines` lines above or below the caret at the x that vertical moves keep.
    int VerticalTarget(int lines) {
        if (!goalX) goalX = XOf(position);
        const int line = std::clamp(CaretLine() + lines, 0, model.LineCount() - 1);
        return PositionAtX(line, *goalX);
    }
    int TargetOf(Move move) {
        const int line = CaretLine();
        switch (move) {
        case Move::Left: return PreviousPosition(position, QTextLayout::SkipCharacters);
        case Move::Right: return NextPosition(position, QTextLayout::SkipCharacters);
        case Move::WordLeft: return PreviousPosition(position, QTextLayout::SkipWords);
        case Move::WordRight: return NextPosition(position, QTextLayout::SkipWords);
        case Move::Up: return VerticalTarget(-1);
        case Move::Down: return VerticalTarget(1);
        case Move::PageUp: return VerticalTarget(-FullLines());
        case Move::PageDown: return VerticalTarget(FullLines());
        case Move::LineStart: return model.LineStart(line);
        case Move::LineEnd: return model.LineStart(line) + LineLength(line);
        case Move::TextStart: return 0;
        case Move::TextEnd: return model.Length();
        }
        return position;
    }
    void MoveCaret(Move move, bool select) {
        const bool vertical = move == Move::Up || move == Move::Down || move == Move::PageUp || move == Move::PageDown;
        if (!vertical) goalX.reset();
        // Left and Right without Shift leave a selection at its edge.
        const bool collapse = !select && anchor != position && (move == Move::Left || move == Move::Right);
        const int target = !collapse ? TargetOf(move) : move == Move::Left ? SelectionStart() : SelectionEnd();
        if (move == Move::PageUp || move == Move::PageDown) {
            QScrollBar *bar = q.verticalScrollBar();
            bar->setValue(bar->value() + (move == Move::PageDown ? FullLines() : -FullLines()));
        }
        Select(select ? anchor : target, target);
        if (select) OfferPrimary();
    }

    // ---- Mouse selection ----------------------------------------------------------
    // The word (or the run of blanks or the sign) around `pos`, within its line.
    std::pair<int, int> WordAt(int pos) const {
        const int line = model.LineOf(pos);
        const int lineStart = model.LineStart(line);
        QTextBoundaryFinder words(QTextBoundaryFinder::Word, model.Line(line).text);
        words.setPosition(pos - lineStart);
        const bool atStart = words.isAtBoundary() && (words.boundaryReasons() & QTextBoundaryFinder::StartOfItem);
        const qsizetype start = atStart ? words.position() : words.toPreviousBoundary();
        words.setPosition(std::max<qsizetype>(start, 0));
        const qsizetype end = words.toNextBoundary();
        if (start < 0 || end < 0) return {pos, pos};
        return {lineStart + int(start), lineStart + int(end)};
    }
    // The line around `pos` with its line break, when one follows.
    std::pair<int, int> LineAt(int pos) const {
        const int line = model.LineOf(pos);
        const int end = line + 1 < model.LineCount() ? model.LineStart(line + 1) : model.Length();
        return {model.LineStart(line), end};
    }
    std::pair<int, int> UnitAt(int pos) const {
        switch (dragUnit) {
        case Unit::Word: return WordAt(pos);
        case Unit::Line: return LineAt(pos);
        case Unit::Character: break;
        }
        return {pos, pos};
    }
    // Selects a whole unit (word or line) and makes drags go on by that unit.
    void SelectUnit(Unit by, int pos) {
        dragUnit = by;
        const auto [start, end] = UnitAt(pos);
        unit = EditorRange{start, end - start};
        goalX.reset();
        Select(start, end);
        dragging = true;
    }
    // A drag to `pos`: from the anchor, or from the first unit to the unit at `pos`.
    void DragTo(int pos) {
        if (dragUnit == Unit::Character) {
            Select(anchor, pos);
            return;
        }
        const auto [start, end] = UnitAt(pos);
        const int unitEnd = unit.start + unit.length;
        if (start < unit.start)
            Select(unitEnd, start);
        else
            Select(unit.start, std::max(end, unitEnd));
    }

    // ---- The primary selection (X11) ------------------------------------------------
    // A selection the user makes is offered to middle clicks anywhere.
    void OfferPrimary() const {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection() && anchor != position)
            clipboard->setText(q.SelectedText(), QClipboard::Selection);
    }
    // A middle click puts the primary selection at the clicked place.
    bool PastePrimaryAt(const QPoint &point) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (readOnly || !clipboard->supportsSelection()) return false;
        const QString text = WithNewlines(clipboard->text(QClipboard::Selection));
        const int at = q.PositionAt(point);
        goalX.reset();
        Select(at, at);
        if (!text.isEmpty()) q.InsertText(text);
        return true;
    }

    // ---- Edits --------------------------------------------------------------------
    int SelectionStart() const { return std::min(anchor, position); }
    int SelectionEnd() const { return std::max(anchor, position); }

    // Replaces [from, to) by typed `text`; the caret ends after it.
    void TypeOver(int from, int to, const QString &text) {
        model.Type(from, to - from, text, currentFormat);
        Select(from + int(text.size()), from + int(text.size()));
    }
    // Where typed `text` ends what it replaces: the selection, or in overwrite
    // mode the character after the caret (never a line break).
    int TypedOverEnd(const QString &text) {
        const int line = CaretLine();
        const bool atLineEnd = position >= model.LineStart(line) + LineLength(line);
        if (!overwrite || anchor != position || atLineEnd || text == QStringLiteral("\n")) return SelectionEnd();
        return NextPosition(position, QTextLayout::SkipCharacters);
    }
    void Delete(bool forward, QTextLayout::CursorMode mode) {
        if (anchor != position) {
            TypeOver(SelectionStart(), SelectionEnd(), {});
        } else if (forward) {
            TypeOver(position, NextPosition(position, mode), {});
        } else {
            TypeOver(PreviousPosition(position, mode), position, {});
        }
    }
    void Run(const KeyAction &action) {
        switch (action.command) {
        case Command::None: return;
        case Command::Move: MoveCaret(action.move, action.select); break;
        case Command::Copy: q.Copy(); return;
        case Command::Cut: q.Cut(); break;
        case Command::Paste: q.Paste(); break;
        case Command::SelectAll: q.SelectAll(); return;
        case Command::Undo: q.Undo(); break;
        case Command::Redo: q.Redo(); break;
        case Command::DeleteBack: Delete(false, QTextLayout::SkipCharacters); break;
        case Command::DeleteForward: Delete(true, QTextLayout::SkipCharacters); break;
        case Command::DeleteWordBack: Delete(false, QTextLayout::SkipWords); break;
        case Command::DeleteWordForward: Delete(true, QTextLayout::SkipWords); break;
        case Command::ToggleOverwrite: q.SetOverwriteMode(!overwrite); return;
        case Command::Type: TypeOver(SelectionStart(), TypedOverEnd(action.text), action.text); break;
        }
        q.EnsureCaretVisible();
    }
    bool Allows(const KeyAction &action) const {
        return action.command != Command::None && !(readOnly && ChangesText(action.command));
    }

    // ---- Model changes --------------------------------------------------------------
    // Where a position goes when the text changes, as a text cursor would go.
    static int Adjusted(int pos, int from, int removed, int added) {
        if (pos < from) return pos;
        if (pos < from + removed) return from + added;
        return pos + added - removed;
    }
    void OnTextChanged(int from, int removed, int added) {
        toldLength = model.Length();
        accessible::NoteTextChanged(q, from, removed, added);
        const int firstLine = model.LineOf(from);
        if (model.LineCount() != lineCount) {
            lineCount = model.LineCount();
            DropLayouts(firstLine, std::numeric_limits<int>::max());
        } else if (!EditLayout(firstLine, from, removed, added)) {
            DropLayouts(firstLine, model.LineOf(from + added));
        }
        Select(Adjusted(anchor, from, removed, added), Adjusted(position, from, removed, added));
        // The caret's layout may hold the preedit at the old caret place.
        if (!preedit.isEmpty()) RefreshPreedit(CaretLine());
        UpdateScrollBars();
        q.viewport()->update();
    }
    // A change inside one long line lays out again only the pieces it touches.
    bool EditLayout(int line, int from, int removed, int added) {
        const auto found = layouts.find(line);
        if (found == layouts.end() || model.LineOf(from + added) != line) return false;
        const int column = from - model.LineStart(line);
        return found->second->Edit(model.Line(line).text, Zoomed(model.DrawingFormats(line)), column, removed, added);
    }
    void OnWholeTextReplaced() {
        accessible::NoteWholeTextReplaced(q, std::exchange(toldLength, model.Length()));
        lineCount = model.LineCount();
        DropAllLayouts();
        anchor = std::min(anchor, model.Length());
        position = std::min(position, model.Length());
        goalX.reset();
        UpdateScrollBars();
        q.viewport()->update();
        emit q.CaretMoved(); // the same position may now be on another line
    }
    void OnFormatsChanged(int from, int length) {
        const int last = model.LineOf(from + length);
        for (auto it = layouts.lower_bound(model.LineOf(from)); it != layouts.end() && it->first <= last;) {
            if (!it->second->IsPieced()) {
                it = layouts.erase(it);
                continue;
            }
            it->second->SetFormats(Zoomed(model.DrawingFormats(it->first))); // lays out only what changed
            ++it;
        }
        q.viewport()->update();
    }
    void AfterHistoryStep(std::optional<EditorRange> range) {
        if (!range) return;
        const int end = range->start + range->length;
        Select(end, end);
        goalX.reset();
        q.EnsureCaretVisible();
    }

    // ---- Input methods --------------------------------------------------------------
    // What the input method is shown around the caret: its line, or a stretch of a
    // long line (the whole of one would be copied to it at every move).
    std::pair<int, int> Surrounding() const {
        const int line = CaretLine(), lineStart = model.LineStart(line), length = LineLength(line);
        if (length <= 2 * kSurrounding) return {lineStart, length};
        const QString &text = model.Line(line).text;
        int from = std::clamp(position - kSurrounding, lineStart, lineStart + length - 2 * kSurrounding);
        if (from > lineStart && text[from - lineStart].isLowSurrogate()) --from;
        int to = std::min(from + 2 * kSurrounding, lineStart + length);
        if (to < lineStart + length && text[to - lineStart].isLowSurrogate()) ++to;
        return {from, to - from};
    }
    void Commit(const QInputMethodEvent &event) {
        int from = SelectionStart(), to = SelectionEnd();
        if (from == to && event.replacementLength() > 0) {
            const int lineStart = model.LineStart(CaretLine());
            const int lineEnd = lineStart + LineLength(CaretLine());
            from = std::clamp(position + event.replacementStart(), lineStart, lineEnd);
            to = std::clamp(from + event.replacementLength(), from, lineEnd);
        }
        TypeOver(from, to, event.commitString());
    }
    void SetPreedit(const QInputMethodEvent &event) {
        preedit = event.preeditString();
        preeditFormats.clear();
        preeditCursor = int(preedit.size());
        preeditCursorVisible = true;
        for (const QInputMethodEvent::Attribute &a : event.attributes()) {
            if (a.type == QInputMethodEvent::Cursor) {
                preeditCursor = std::clamp(a.start, 0, int(preedit.size()));
                preeditCursorVisible = a.length != 0;
            } else if (a.type == QInputMethodEvent::TextFormat) {
                const QTextCharFormat format = a.value.value<QTextFormat>().toCharFormat();
                if (format.isValid()) preeditFormats << QTextLayout::FormatRange{a.start, a.length, format};
            }
        }
        if (!preedit.isEmpty() && preeditFormats.isEmpty()) {
            QTextCharFormat underline;
            underline.setFontUnderline(true);
            preeditFormats << QTextLayout::FormatRange{0, int(preedit.size()), underline};
        }
        RefreshPreedit(CaretLine());
    }

    // ---- Drawing ----------------------------------------------------------------------
    // The selection takes the inactive colours while the focus is elsewhere.
    QPalette::ColorGroup SelectionGroup() const { return q.hasFocus() ? QPalette::Active : QPalette::Inactive; }

    QList<QTextLayout::FormatRange> SelectionOn(int line) const {
        const int start = SelectionStart(), end = SelectionEnd();
        const int lineStart = model.LineStart(line);
        const int from = std::max(start - lineStart, 0), to = std::min(end - lineStart, LineLength(line));
        if (start == end || from >= to) return {};
        QTextCharFormat format;
        format.setBackground(q.palette().brush(SelectionGroup(), QPalette::Highlight));
        format.setForeground(q.palette().brush(SelectionGroup(), QPalette::HighlightedText));
        const int layoutFrom = ToLayout(line, from);
        return {QTextLayout::FormatRange{layoutFrom, ToLayout(line, to) - layoutFrom, format}};
    }
    // A selected line break shows as a space's width of highlight after the line.
    void DrawSelectedBreak(QPainter &painter, int line, LineLayout &layout) const {
        const int breakAt = model.LineStart(line) + LineLength(line);
        if (line + 1 >= model.LineCount() || breakAt < SelectionStart() || breakAt >= SelectionEnd()) return;
        const QRectF area(LeftEdge() + layout.Width(true), LineTop(line),
                          QFontMetrics(shownFont).horizontalAdvance(QChar(' ')), lineHeight);
        painter.fillRect(area, q.palette().brush(SelectionGroup(), QPalette::Highlight));
    }
    void DrawLine(QPainter &painter, int line, const QRect &clip) {
        LineLayout &layout = LayoutOf(line);
        // Baselines sit where the default font puts them; a taller font is clipped to the line.
        painter.save();
        painter.setClipRect(QRect(0, LineTop(line), q.viewport()->width(), lineHeight).intersected(clip));
        layout.Draw(&painter, QPointF(LeftEdge(), LineTop(line) + ascent), SelectionOn(line), clip);
        painter.restore();
        DrawSelectedBreak(painter, line, layout);
    }
    // In overwrite mode the caret covers the character it would replace (a blank's width at a line end).
    bool BlockCaret() const { return overwrite && anchor == position && preedit.isEmpty(); }
    int BlockWidth() {
        const int line = CaretLine();
        if (position >= model.LineStart(line) + LineLength(line))
            return QFontMetrics(shownFont).horizontalAdvance(QChar(' '));
        return std::max(1, qRound(XOf(NextPosition(position, QTextLayout::SkipCharacters)) - XOf(position)));
    }
    void DrawCaret(QPainter &painter) {
        const QRect caret = q.CaretRect();
        if (!BlockCaret()) {
            painter.fillRect(caret, q.palette().color(QPalette::Text));
            return;
        }
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_NotDestination); // the character stays readable
        painter.fillRect(caret, Qt::black);
        painter.restore();
    }
    bool CaretDrawn() const { return caretShown && q.hasFocus() && !readOnly && preeditCursorVisible; }
};

TextView::TextView(QWidget *parent) : QAbstractScrollArea(parent), d_(std::make_unique<State>(*this)) {
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAcceptDrops(true);
    connect(&d_->model, &TextModel::TextChanged, this,
            [this](int from, int removed, int added) { d_->OnTextChanged(from, removed, added); });
    connect(&d_->model, &TextModel::WholeTextReplaced, this, [this] { d_->OnWholeTextReplaced(); });
    connect(&d_->model, &TextModel::FormatsChanged, this,
            [this](int from, int length) { d_->OnFormatsChanged(from, length); });
    connect(this, &TextView::CaretMoved, this, [this] { accessible::NoteCaretMoved(*this); });
    connect(this, &TextView::SelectionChanged, this, [this] { accessible::NoteSelectionChanged(*this); });
    accessible::InstallTextViewFactory();
    SetDefaultFont(font());
}

TextView::~TextView() = default;

TextModel &TextView::Model() { return d_->model; }
const TextModel &TextView::Model() const { return d_->model; }

// ---- Caret and selection ------------------------------------------------------------

int TextView::Anchor() const { return d_->anchor; }
int TextView::Position() const { return d_->position; }
int TextView::SelectionStart() const { return d_->SelectionStart(); }
int TextView::SelectionEnd() const { return d_->SelectionEnd(); }
bool TextView::HasSelection() const { return d_->anchor != d_->position; }

void TextView::SetSelection(int anchor, int position) {
    d_->goalX.reset();
    d_->Select(anchor, position);
    EnsureCaretVisible();
}

QString TextView::SelectedText() const { return d_->model.Text(SelectionStart(), SelectionEnd() - SelectionStart()); }

// ---- Editing ------------------------------------------------------------------------

void TextView::InsertText(const QString &text) {
    const int from = SelectionStart();
    const int length = int(text.size());
    d_->model.Replace(from, SelectionEnd() - from, text, d_->currentFormat);
    d_->Select(from + length, from + length);
    EnsureCaretVisible();
}

const QTextCharFormat &TextView::CurrentFormat() const { return d_->currentFormat; }
void TextView::SetCurrentFormat(const QTextCharFormat &format) { d_->currentFormat = format; }

void TextView::Cut() {
    if (d_->readOnly || !HasSelection()) return;
    Copy();
    InsertText({});
}

void TextView::Copy() {
    if (HasSelection()) QGuiApplication::clipboard()->setText(SelectedText());
}

void TextView::Paste() {
    if (d_->readOnly) return;
    const QString text = WithNewlines(QGuiApplication::clipboard()->text());
    if (!text.isEmpty()) InsertText(text);
}

void TextView::SelectAll() { d_->Select(0, d_->model.Length()); }

void TextView::Undo() {
    if (!d_->readOnly) d_->AfterHistoryStep(d_->model.Undo());
}

void TextView::Redo() {
    if (!d_->readOnly) d_->AfterHistoryStep(d_->model.Redo());
}

bool TextView::IsReadOnly() const { return d_->readOnly; }

void TextView::SetReadOnly(bool readOnly) {
    if (d_->readOnly == readOnly) return;
    d_->readOnly = readOnly;
    accessible::NoteReadOnlyChanged(*this);
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    if (QGuiApplication::focusObject() == this) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
    d_->RestartBlink();
    viewport()->update();
}

bool TextView::OverwriteMode() const { return d_->overwrite; }

void TextView::SetOverwriteMode(bool overwrite) {
    d_->overwrite = overwrite;
    d_->RestartBlink();
    viewport()->update();
}

void TextView::SetDefaultFont(const QFont &font) {
    d_->font = font;
    d_->ApplyFont();
}

QFont TextView::DefaultFont() const { return d_->font; }

// ---- Scrolling and geometry -----------------------------------------------------------

void TextView::EnsureCaretVisible() { EnsureVisible(d_->position); }

void TextView::EnsureVisible(int position) {
    position = std::clamp(position, 0, d_->model.Length());
    const int line = d_->model.LineOf(position);
    QScrollBar *vertical = verticalScrollBar();
    if (line < FirstVisibleLine()) vertical->setValue(line);
    if (line > LastVisibleLine()) vertical->setValue(line - d_->FullLines() + 1);

    const int x = qRound(d_->XOf(position)); // first: it may measure more of a long line
    d_->UpdateScrollBars();
    QScrollBar *horizontal = horizontalScrollBar();
    const int room = viewport()->width() - 2 * kMargin - d_->CaretWidth();
    if (x < horizontal->value())
        horizontal->setValue(x);
    else if (x > horizontal->value() + room)
        horizontal->setValue(x - room);
}

int TextView::FirstVisibleLine() const { return verticalScrollBar()->value(); }

int TextView::LastVisibleLine() const {
    return std::min(d_->model.LineCount() - 1, FirstVisibleLine() + d_->FullLines() - 1);
}

int TextView::PositionAt(const QPoint &point) const {
    const int row = point.y() >= 0 ? point.y() / d_->lineHeight : -((-point.y() + d_->lineHeight - 1) / d_->lineHeight);
    const int line = std::clamp(FirstVisibleLine() + row, 0, d_->model.LineCount() - 1);
    return d_->PositionAtX(line, point.x() - d_->LeftEdge());
}

QRect TextView::CaretRect() const {
    QRect caret = CursorRect(d_->position);
    if (d_->BlockCaret()) caret.setWidth(d_->BlockWidth());
    return caret;
}

QRect TextView::CursorRect(int position) const {
    position = std::clamp(position, 0, d_->model.Length());
    const int x = d_->LeftEdge() + qRound(d_->XOf(position));
    return QRect(x, d_->LineTop(d_->model.LineOf(position)), d_->CaretWidth(), d_->lineHeight);
}

// ---- Events -----------------------------------------------------------------------------

void TextView::paintEvent(QPaintEvent *event) {
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.fillRect(clip, palette().brush(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    // Only the lines the clip touches: a caret blink redraws one line.
    const int first = FirstVisibleLine() + std::max(0, clip.top()) / d_->lineHeight;
    const int last = std::min(d_->model.LineCount() - 1, FirstVisibleLine() + clip.bottom() / d_->lineHeight);
    for (int line = first; line <= last; ++line) d_->DrawLine(painter, line, clip);
    if (d_->CaretDrawn()) d_->DrawCaret(painter);
    if (const std::optional<int> drop = d_->drops.DropPosition())
        painter.fillRect(CursorRect(*drop), palette().color(QPalette::Text));
    d_->PruneLayouts();
}

void TextView::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    d_->UpdateScrollBars();
}

void TextView::scrollContentsBy(int, int) {
    viewport()->update();
    updateMicroFocus();
}

void TextView::keyPressEvent(QKeyEvent *event) {
    const KeyAction action = ActionFor(*event);
    if (!d_->Allows(action)) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    d_->Run(action);
    event->accept();
}

void TextView::inputMethodEvent(QInputMethodEvent *event) {
    if (d_->readOnly) {
        event->ignore();
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) d_->Commit(*event);
    d_->SetPreedit(*event);
    EnsureCaretVisible();
    viewport()->update();
    event->accept();
}

QVariant TextView::inputMethodQuery(Qt::InputMethodQuery query) const {
    const int line = d_->CaretLine();
    const int lineStart = d_->model.LineStart(line);
    const auto [from, length] = d_->Surrounding();
    switch (query) {
    case Qt::ImEnabled: return !d_->readOnly;
    case Qt::ImHints: return int(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle: return CaretRect().translated(viewport()->pos());
    case Qt::ImFont: {
        QFont font = d_->currentFormat.font().resolve(d_->shownFont);
        return font;
    }
    case Qt::ImCursorPosition: return d_->position - from;
    case Qt::ImAnchorPosition: return std::clamp(d_->anchor - from, 0, length);
    case Qt::ImSurroundingText: return d_->model.Line(line).text.mid(from - lineStart, length);
    case Qt::ImCurrentSelection: return SelectedText();
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TextView::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::MiddleButton && d_->PastePrimaryAt(event->position().toPoint())) return;
    if (event->button() != Qt::LeftButton) {
        event->ignore(); // the context menu comes from the right button's own event
        return;
    }
    if (!d_->preedit.isEmpty()) QGuiApplication::inputMethod()->commit();
    const QPoint point = event->position().toPoint();
    const int target = PositionAt(point);
    d_->dragPoint = point;
    if (d_->tripleClick.isActive() &&
        (point - d_->tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        d_->tripleClick.stop();
        d_->SelectUnit(State::Unit::Line, target);
        return;
    }
    if (d_->drops.Press(point, event->modifiers() & Qt::ShiftModifier)) return;
    d_->goalX.reset();
    d_->dragUnit = State::Unit::Character;
    d_->Select(event->modifiers() & Qt::ShiftModifier ? d_->anchor : target, target);
    d_->dragging = true;
}

void TextView::mouseMoveEvent(QMouseEvent *event) {
    if ((event->buttons() & Qt::LeftButton) && d_->drops.Move(event->position().toPoint())) return;
    if (!d_->dragging || !(event->buttons() & Qt::LeftButton)) return;
    d_->dragPoint = event->position().toPoint();
    if (viewport()->rect().contains(d_->dragPoint))
        d_->autoScroll.stop();
    else if (!d_->autoScroll.isActive())
        d_->autoScroll.start(kAutoScrollMs, this);
    d_->DragTo(PositionAt(d_->dragPoint));
}

void TextView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    d_->drops.Release(event->position().toPoint());
    if (d_->dragging) d_->OfferPrimary();
    d_->dragging = false;
    d_->autoScroll.stop();
}

void TextView::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return;
    d_->dragPoint = event->position().toPoint();
    d_->SelectUnit(State::Unit::Word, PositionAt(d_->dragPoint));
    d_->tripleClickPoint = d_->dragPoint;
    d_->tripleClick.start(QApplication::doubleClickInterval(), this);
}

void TextView::dragEnterEvent(QDragEnterEvent *event) { dragMoveEvent(event); }

void TextView::dragMoveEvent(QDragMoveEvent *event) {
    if (d_->drops.Hover(event->mimeData(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore(); // so that the window takes dropped files
}

void TextView::dragLeaveEvent(QDragLeaveEvent *) { d_->drops.Leave(); }

void TextView::dropEvent(QDropEvent *event) {
    if (d_->drops.Drop(*event, WithNewlines(event->mimeData()->text())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TextView::wheelEvent(QWheelEvent *event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    d_->ZoomByWheel(event->angleDelta().y());
    event->accept();
}

void TextView::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    d_->RestartBlink();
    viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    d_->blink.stop();
    viewport()->update();
}

void TextView::timerEvent(QTimerEvent *event) {
    if (event->timerId() == d_->blink.timerId()) {
        d_->caretShown = !d_->caretShown;
        viewport()->update(CaretRect());
    } else if (event->timerId() == d_->autoScroll.timerId()) {
        const QPoint &p = d_->dragPoint;
        QScrollBar *vertical = verticalScrollBar();
        QScrollBar *horizontal = horizontalScrollBar();
        if (p.y() < 0) vertical->setValue(vertical->value() - 1);
        if (p.y() >= viewport()->height()) vertical->setValue(vertical->value() + 1);
        if (p.x() < 0) horizontal->setValue(horizontal->value() - horizontal->singleStep());
        if (p.x() >= viewport()->width()) horizontal->setValue(horizontal->value() + horizontal->singleStep());
        d_->DragTo(PositionAt(p));
    } else if (event->timerId() == d_->tripleClick.timerId()) {
        d_->tripleClick.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

bool TextView::event(QEvent *event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys the view handles are not window shortcuts; typed text only without modifiers,
        // so that Alt+letter still reaches the menus.
        auto *key = static_cast<QKeyEvent *>(event);
        const KeyAction action = ActionFor(*key);
        const bool plainText =
            action.command != Command::Type || !(key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
        if (d_->Allows(action) && plainText) {
            event->accept();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        // Tab types a tab instead of moving the focus, unless the text is read-only.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && d_->Allows(ActionFor(*key))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TextView::changeEvent(QEvent *event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::StyleChange) d_->UpdateScrollBars();
    viewport()->update();
}

} // namespace kelvra
