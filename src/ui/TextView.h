#pragma once
// The editor's text control: shows a TextModel without wrapping and edits it.
// Only the visible lines are laid out (a QTextLayout each, made when a line
// comes into view and dropped when it changes or leaves), so a document of
// any size costs the window what is on the screen. Keys, the mouse, input
// methods and the clipboard work as in any plain text control. The palette
// gives the colours: Base the background, Text the default text colour,
// Highlight and HighlightedText the selection. Selected text can be dragged
// and text dropped in; dropped files are left to the widgets around it.

#include "ui/TextModel.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QTextCharFormat>
#include <memory>

namespace kelvra {

class TextView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TextView(QWidget *parent = nullptr);
    ~TextView() override;

    TextModel &Model();
    const TextModel &Model() const;

    // ---- Caret and selection (positions in the model) --------------------------
    int Anchor() const;
    int Position() const; // the caret
    int SelectionStart() const;
    int SelectionEnd() const;
    bool HasSelection() const;
    // Selects from `anchor` to `position` (both clamped to the text) and scrolls the caret into view.
    void SetSelection(int anchor, int position);
    void SetCaret(int position) { SetSelection(position, position); }
    QString SelectedText() const; // lines broken by '\n'

    // ---- Editing ------------------------------------------------------------------
    // Replaces the selection by `text` in the current format, as pasting would.
    void InsertText(const QString &text);
    // The format typed and inserted text takes.
    const QTextCharFormat &CurrentFormat() const;
    void SetCurrentFormat(const QTextCharFormat &format);
    void Cut();
    void Copy();
    void Paste();
    void SelectAll();
    void Undo();
    void Redo();
    bool IsReadOnly() const;
    void SetReadOnly(bool readOnly);
    // Typed characters replace the one after the caret (Insert switches); the caret shows as a block.
    bool OverwriteMode() const;
    void SetOverwriteMode(bool overwrite);

    // The font of text without a font of its own, and the line height. Ctrl+wheel
    // zooms what is shown, this font and the text's own sizes alike, but changes
    // neither.
    void SetDefaultFont(const QFont &font);
    QFont DefaultFont() const;

    void EnsureCaretVisible();
    void EnsureVisible(int position); // scrolls as little as shows `position`
    // The first and last line on the screen (the last one shown whole).
    int FirstVisibleLine() const;
    int LastVisibleLine() const;
    // The model position nearest to a point of the viewport, and the caret's rectangle in it.
    int PositionAt(const QPoint &point) const;
    QRect CaretRect() const;
    QRect CursorRect(int position) const; // where the caret would stand at `position`

signals:
    void CaretMoved();       // the caret or the anchor moved
    void SelectionChanged(); // the selected range changed

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct State;
    std::unique_ptr<State> d_;
};

} // namespace kelvra
