#include "ui/TextDrops.h"

#include "ui/TextView.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

namespace kelvra {

bool TextDrops::Press(const QPoint &point, bool shift) {
    pending_ = !shift && InSelection(view_.PositionAt(point));
    pressPoint_ = point;
    return pending_;
}

bool TextDrops::Move(const QPoint &point) {
    if (!pending_) return false;
    if ((point - pressPoint_).manhattanLength() < QApplication::startDragDistance()) return true;
    pending_ = false;
    DragSelectionOut();
    return true;
}

bool TextDrops::Release(const QPoint &point) {
    if (!pending_) return false;
    pending_ = false;
    view_.SetCaret(view_.PositionAt(point));
    return true;
}

bool TextDrops::Hover(const QMimeData *data, const QPoint &point) {
    if (!Accepts(data)) return false;
    ShowDropAt(view_.PositionAt(point));
    return true;
}

void TextDrops::Leave() { ShowDropAt(std::nullopt); }

bool TextDrops::Drop(const QDropEvent &event, const QString &text) {
    ShowDropAt(std::nullopt);
    if (!Accepts(event.mimeData())) return false;
    const bool own = event.source() == &view_ && draggedOut_;
    const bool move = own && event.dropAction() == Qt::MoveAction;
    Put(view_.PositionAt(event.position().toPoint()), text, move ? draggedOut_ : std::nullopt);
    droppedInside_ = own;
    return true;
}

// Plain text only: dropped files (URLs) are left to the window.
bool TextDrops::Accepts(const QMimeData *data) const {
    return !view_.IsReadOnly() && data && data->hasText() && !data->hasUrls();
}

bool TextDrops::InSelection(int position) const {
    return view_.HasSelection() && view_.SelectionStart() <= position && position <= view_.SelectionEnd();
}

void TextDrops::ShowDropAt(std::optional<int> at) {
    if (at == dropAt_) return;
    dropAt_ = at;
    view_.viewport()->update();
}

// Drags the selection; a move to somewhere else removes it here.
void TextDrops::DragSelectionOut() {
    const EditorRange dragged{view_.SelectionStart(), view_.SelectionEnd() - view_.SelectionStart()};
    const bool readOnly = view_.IsReadOnly();
    auto *data = new QMimeData;
    data->setText(view_.SelectedText());
    auto *drag = new QDrag(&view_);
    drag->setMimeData(data);
    draggedOut_ = dragged;
    droppedInside_ = false;
    const Qt::DropActions actions = readOnly ? Qt::CopyAction : Qt::CopyAction | Qt::MoveAction;
    const Qt::DropAction done = drag->exec(actions, readOnly ? Qt::CopyAction : Qt::MoveAction);
    drag->deleteLater();
    if (done == Qt::MoveAction && !droppedInside_ && !readOnly)
        view_.Model().Replace(dragged.start, dragged.length, {}, view_.CurrentFormat());
    draggedOut_.reset();
}

// Puts `text` at `at` as one step, taking it away from `moved` first; the text put ends selected.
void TextDrops::Put(int at, const QString &text, std::optional<EditorRange> moved) {
    if (moved && at >= moved->start && at <= moved->start + moved->length) return; // onto itself
    TextModel &model = view_.Model();
    int insertAt = at;
    model.BeginStep();
    if (moved) {
        model.Replace(moved->start, moved->length, {}, view_.CurrentFormat());
        if (at > moved->start) insertAt -= moved->length;
    }
    model.Replace(insertAt, 0, text, view_.CurrentFormat());
    model.EndStep();
    view_.SetSelection(insertAt, insertAt + int(text.size()));
}

} // namespace kelvra
