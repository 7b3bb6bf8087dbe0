#include "ui/Pallet.h"

#include "ui/ColourSwatch.h"
#include "ui/EditorSurface.h"
#include "ui/UiTexts.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace kelvra {
namespace {

constexpr int kWidth = 41, kHeight = 270;

// Top edge of bars 1 (bottom) to 16 (top); bars are 17 pixels high and overlap by one in places.
constexpr int kBarTop[16] = {252, 235, 218, 202, 185, 168, 151, 134, 118, 101, 84, 67, 50, 34, 17, 0};

} // namespace

QPoint PalettePosition(QPoint pointer, QSize size, const QRect &desktop) {
    int top = pointer.y() - 80;
    int left = pointer.x() - 15;
    const int bottom = desktop.y() + desktop.height(), right = desktop.x() + desktop.width();
    if (top + size.height() > bottom) top = bottom - size.height();
    if (left + size.width() > right) left = right - size.width();
    return {left, top};
}

TfrmPallet::TfrmPallet(EditorSurface &editor, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), editor_(editor) {
    setObjectName("frmPallet");
    setFixedSize(kWidth, kHeight);
    for (int i = 0; i < 16; ++i) {
        pnl[i] = new ColourSwatch(QString("pnl%1").arg(i + 1), kMarkingColours[i], this);
        pnl[i]->setGeometry(0, kBarTop[i], kWidth, 17);
        connect(pnl[i], &ColourSwatch::clicked, this, &TfrmPallet::pnlClick);
    }
    timX = new QTimer(this);
    timX->setObjectName("timX");
    timX->setInterval(500);
    connect(timX, &QTimer::timeout, this, &TfrmPallet::timXTimer);
    CursorPos = [] { return QCursor::pos(); };
    DesktopRect = [](QPoint at) {
        QScreen *screen = QGuiApplication::screenAt(at);
        if (!screen) screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    };
}

void TfrmPallet::SetScreenSource(std::function<QPoint()> cursorPos, std::function<QRect(QPoint)> desktopRect) {
    CursorPos = std::move(cursorPos);
    DesktopRect = std::move(desktopRect);
}

void TfrmPallet::ShowAtPointer() {
    const QPoint pointer = CursorPos();
    move(PalettePosition(pointer, size(), DesktopRect(pointer)));
    show();
    raise();
}

void TfrmPallet::showEvent(QShowEvent *event) {
    setWindowTitle(texts::U(texts::kPaletteTitle));
    if (!timX->isActive()) timX->start();
    QWidget::showEvent(event);
}

void TfrmPallet::timXTimer() {
    if (!isVisible()) return;
    const QPoint p = CursorPos();
    const QRect r = geometry();
    // Edges count as inside, one pixel beyond the right and bottom included.
    const bool inside = r.x() <= p.x() && p.x() <= r.x() + r.width() && r.y() <= p.y() && p.y() <= r.y() + r.height();
    if (!inside) hide();
}

void TfrmPallet::pnlClick(QColor colour) {
    editor_.ColourSelection(colour);
    hide();
}

} // namespace kelvra
