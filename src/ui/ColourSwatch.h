#pragma once
// A plain coloured panel that reports a left click: the colour bars of the
// palette and the swatches of the search dialog.

#include <QColor>
#include <QFrame>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kelvra {

class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    ColourSwatch(const QString &name, QColor colour, QWidget *parent) : QFrame(parent), colour_(colour) {
        setObjectName(name);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, colour);
        setPalette(p);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus); // Tab reaches it; Space or Enter picks it
    }
    QColor Colour() const { return colour_; }

signals:
    void clicked(QColor colour);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked(colour_);
        QFrame::mouseReleaseEvent(event);
    }
    void keyPressEvent(QKeyEvent *event) override {
        const int key = event->key();
        if (event->modifiers() == Qt::NoModifier &&
            (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter)) {
            emit clicked(colour_);
            return;
        }
        QFrame::keyPressEvent(event);
    }
    // The swatch with the focus shows a thick frame.
    void focusInEvent(QFocusEvent *event) override {
        setLineWidth(2);
        QFrame::focusInEvent(event);
    }
    void focusOutEvent(QFocusEvent *event) override {
        setLineWidth(1);
        QFrame::focusOutEvent(event);
    }

private:
    QColor colour_;
};

// The sixteen marking colours, by swatch number 1..16 (index 0 is swatch 1).
inline const QColor kMarkingColours[16] = {
    QColor(0x80, 0x00, 0x00), QColor(0x00, 0x80, 0x00), QColor(0x80, 0x80, 0x00), QColor(0x00, 0x00, 0x80),
    QColor(0x80, 0x00, 0x80), QColor(0x00, 0x80, 0x80), QColor(0x80, 0x80, 0x80), QColor(0xC0, 0xC0, 0xC0),
    QColor(0xFF, 0x00, 0x00), QColor(0x00, 0xFF, 0x00), QColor(0xFF, 0xFF, 0x00), QColor(0x00, 0x00, 0xFF),
    QColor(0xFF, 0x00, 0xFF), QColor(0x00, 0xFF, 0xFF), QColor(0x00, 0x00, 0x00), QColor(0xFF, 0xFF, 0xFF),
};

} // namespace kelvra
