#pragma once
// Drag and drop for a TextView: a press on the selection may drag it away
// (moved, or copied with Ctrl), and plain text dragged over the view drops
// where the mouse is. A move inside the view is one undo step. Anything with
// URLs (dropped files) is refused, so that it reaches the widgets around.

#include "ui/EditorSurface.h"

#include <QPoint>
#include <QString>
#include <optional>

class QDropEvent;
class QMimeData;

namespace kelvra {

class TextView;

class TextDrops {
public:
    explicit TextDrops(TextView &view) : view_(view) {}

    // ---- The mouse on the view's viewport -----------------------------------------
    // A press on the selection (without Shift) waits to see whether it becomes a
    // drag; true when it does.
    bool Press(const QPoint &point, bool shift);
    // The mouse moved with the button down: true when a press was waiting, in
    // which case the drag may have started and ended.
    bool Move(const QPoint &point);
    // The button went up: true when a press was still waiting (a click: the caret goes there).
    bool Release(const QPoint &point);

    // ---- Drags over the view ------------------------------------------------------
    // Whether `data` may be dropped; while it may, the place shows at `point`.
    bool Hover(const QMimeData *data, const QPoint &point);
    void Leave();
    // Drops the event's text at its place; false when it is not the view's to take.
    bool Drop(const QDropEvent &event, const QString &text);
    // Where text dragged over the view would go.
    std::optional<int> DropPosition() const { return dropAt_; }

private:
    bool Accepts(const QMimeData *data) const;
    bool InSelection(int position) const;
    void ShowDropAt(std::optional<int> at);
    void DragSelectionOut();
    void Put(int at, const QString &text, std::optional<EditorRange> moved);

    TextView &view_;
    bool pending_ = false;
    QPoint pressPoint_;
    std::optional<EditorRange> draggedOut_; // the selection being dragged, while its drag lasts
    bool droppedInside_ = false;            // that drag ended in this view, which moved the text itself
    std::optional<int> dropAt_;
};

} // namespace kelvra
