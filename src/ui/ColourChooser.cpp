#include "ui/ColourChooser.h"
#include "ui/UiTexts.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace kelvra {
namespace {

using texts::U;

QString Fill(const QColor &c) { return QString("background-color: %1; border: 1px solid gray;").arg(c.name()); }

} // namespace

ColourChooser::ColourChooser(const QColor &initial, QWidget *parent) : QDialog(parent), chosen_(initial.toRgb()) {
    setWindowTitle(U(texts::kColourDialogTitle));
    chosen_.setAlpha(255);
    auto *layout = new QVBoxLayout(this);
    auto addGrid = [&](const char *caption, int count, int columns, auto colourAt) {
        layout->addWidget(new QLabel(U(caption), this));
        auto *grid = new QGridLayout;
        grid->setSpacing(3);
        for (int i = 0; i < count; ++i) {
            QColor c = colourAt(i);
            c.setAlpha(255);
            auto *swatch = new QToolButton(this);
            swatch->setObjectName(QString("swatch:%1").arg(c.name()));
            swatch->setFixedSize(22, 18);
            swatch->setStyleSheet(Fill(c));
            swatch->setToolTip(c.name());
            connect(swatch, &QToolButton::clicked, this, [this, c] { Choose(c); });
            grid->addWidget(swatch, i / columns, i % columns);
        }
        layout->addLayout(grid);
    };
    addGrid(texts::kBasicColours, 48, 8, [](int i) { return QColorDialog::standardColor(i); });
    addGrid(texts::kCustomColours, QColorDialog::customCount(), 8, [](int i) { return QColorDialog::customColor(i); });
    current_ = new QLabel(this);
    current_->setFixedHeight(24);
    layout->addWidget(current_);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(U(texts::kOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(U(texts::kCancel), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Choose(chosen_);
}

void ColourChooser::Choose(const QColor &colour) {
    chosen_ = colour;
    current_->setStyleSheet(Fill(colour));
}

} // namespace kelvra
