#pragma once
// TfrmPallet: the borderless, always-on-top column of sixteen colour bars that
// the editor's context menu opens at the mouse pointer. A click colours the
// editor's selection; the palette hides itself once the pointer has left it.

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>

class QTimer;

namespace kelvra {

class ColourSwatch;
class EditorSurface;

// Where the palette of `size` opens for the pointer at `pointer`: its top
// 80 pixels above and its left 15 pixels left of the pointer, moved up or left
// so that it does not stick out past the desktop's bottom or right edge.
QPoint PalettePosition(QPoint pointer, QSize size, const QRect &desktop);

class TfrmPallet : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPallet(EditorSurface &editor, QWidget *parent = nullptr);

    // Opens the palette at the mouse pointer.
    void ShowAtPointer();

    // Where the pointer is (screen coordinates) and the desktop's rectangle
    // around a point; by default the real ones, tests give their own.
    void SetScreenSource(std::function<QPoint()> cursorPos, std::function<QRect(QPoint)> desktopRect);

public slots:
    void pnlClick(QColor colour);
    void timXTimer();

protected:
    void showEvent(QShowEvent *event) override;

private:
    EditorSurface &editor_;
    std::function<QPoint()> CursorPos;
    std::function<QRect(QPoint)> DesktopRect;
    std::array<ColourSwatch *, 16> pnl; // pnl[0] is pnl1, the bottom bar
    QTimer *timX;
};

} // namespace kelvra
