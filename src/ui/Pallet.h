#pragma once
// TfrmPallet: the borderless, always-on-top column of sixteen colour bars that
// the editor's context menu opens at the mouse pointer. A click colours the
// editor's selection; the palette hides itself once the pointer has left it.

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>
#include <functional>

class QPlainTextEdit;
class QTimer;

namespace kelvra {

class ColourSwatch;

// Where the palette of `size` opens for the pointer at `pointer`: its top
// 80 pixels above and its left 15 pixels left of the pointer, moved up or left
// so that it does not stick out past the desktop's bottom or right edge.
QPoint PalettePosition(QPoint pointer, QSize size, const QRect &desktop);

class TfrmPallet : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPallet(QPlainTextEdit *editor, QWidget *parent = nullptr);

    // Opens the palette at the mouse pointer.
    void ShowAtPointer();

    // The pointer in screen coordinates and the desktop's rectangle; tests
    // replace them.
    std::function<QPoint()> CursorPos;
    std::function<QRect(QPoint)> DesktopRect;

    std::array<ColourSwatch *, 16> pnl; // pnl[0] is pnl1, the bottom bar
    QTimer *timX;

public slots:
    void pnlClick(QColor colour);
    void timXTimer();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QPlainTextEdit *editor_;
};

} // namespace kelvra
