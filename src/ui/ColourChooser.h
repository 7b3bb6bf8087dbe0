#pragma once
// The colour dialog: the basic colours and the custom colours as swatches to
// click, OK and Cancel. There is no colour editor to open, and every colour
// is solid.

#include <QColor>
#include <QDialog>

class QLabel;

namespace kelvra {

class ColourChooser : public QDialog {
    Q_OBJECT
public:
    explicit ColourChooser(const QColor &initial, QWidget *parent = nullptr);
    QColor Chosen() const { return chosen_; }

private:
    void Choose(const QColor &colour);
    QColor chosen_;
    QLabel *current_;
};

} // namespace kelvra
