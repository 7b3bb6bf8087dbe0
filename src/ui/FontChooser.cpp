#include "ui/FontChooser.h"

#include "ui/ColourChooser.h"
#include "ui/UiTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace kelvra {
namespace {

using texts::U;

// Upright, italic or oblique: the font database's italic() knows only italic.
QFont::Style SlantOf(const QString &family, const QString &style) {
    return QFontDatabase::font(family, style, 12).style();
}

// The style of `family` closest to the weight and slant of `font`.
QString ClosestStyle(const QString &family, const QFont &font) {
    QString best;
    int bestDistance = 1 << 30;
    for (const QString &style : QFontDatabase::styles(family)) {
        int distance = std::abs(QFontDatabase::weight(family, style) - font.weight());
        if (SlantOf(family, style) != font.style()) distance += 10000;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = style;
        }
    }
    return best;
}

void SelectText(QListWidget *list, const QString &text) {
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    list->setCurrentItem(found.isEmpty() ? list->item(0) : found.front());
    if (list->currentItem()) list->scrollToItem(list->currentItem(), QAbstractItemView::PositionAtCenter);
}

} // namespace

bool HasUniformLatinWidth(const QString &family) {
    QFont font(family);
    font.setPointSize(12);
    if (QFontInfo(font).family() != family) return false; // not really there
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('M'));
    if (width <= 0) return false;
    for (QChar c : QStringLiteral("il.W0 m_|"))
        if (std::abs(metrics.horizontalAdvance(c) - width) > 0.01) return false;
    return true;
}

FontChooser::FontChooser(const QFont &initial, const QColor &colour, bool fixedPitchOnly, QWidget *parent)
    : QDialog(parent), initial_(initial), shownFamily_(QFontInfo(initial).family()), colour_(colour) {
    setWindowTitle(U(texts::kFontDialogTitle));
    families_ = new QListWidget(this);
    families_->setObjectName("families");
    styles_ = new QListWidget(this);
    styles_->setObjectName("styles");
    size_ = new QSpinBox(this);
    size_->setObjectName("size");
    size_->setRange(1, 512);
    size_->setValue(initial.pointSize() > 0 ? initial.pointSize() : 10);
    underline_ = new QCheckBox(U(texts::kFontUnderline), this);
    underline_->setChecked(initial.underline());
    strikeOut_ = new QCheckBox(U(texts::kFontStrikeOut), this);
    strikeOut_->setChecked(initial.strikeOut());
    swatch_ = new QLabel(this);
    swatch_->setFixedSize(48, 20);
    swatch_->setFrameShape(QFrame::Box);
    auto *pick = new QPushButton(U(texts::kFontColourButton), this);
    pick->setAutoDefault(false);
    sample_ = new QLabel(U(texts::kFontSample), this);
    sample_->setMinimumHeight(60);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setFrameShape(QFrame::StyledPanel);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(U(texts::kOk), QDialogButtonBox::AcceptRole);
    buttons->addButton(U(texts::kCancel), QDialogButtonBox::RejectRole);
    ok->setDefault(true); // Enter anywhere in the dialog confirms it
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(pick, &QPushButton::clicked, this, &FontChooser::ChooseColour);

    auto *lists = new QGridLayout;
    auto label = [this](const char *text, QWidget *buddy) {
        auto *l = new QLabel(U(text), this);
        l->setBuddy(buddy); // its access key moves the focus there
        return l;
    };
    lists->addWidget(label(texts::kFontFamilyLabel, families_), 0, 0);
    lists->addWidget(label(texts::kFontStyleLabel, styles_), 0, 1);
    lists->addWidget(label(texts::kFontSizeLabel, size_), 0, 2);
    lists->addWidget(families_, 1, 0);
    lists->addWidget(styles_, 1, 1);
    lists->addWidget(size_, 1, 2, Qt::AlignTop);
    lists->setColumnStretch(0, 3);
    lists->setColumnStretch(1, 1);
    auto *effects = new QGroupBox(U(texts::kFontEffects), this);
    auto *effectRow = new QHBoxLayout(effects);
    effectRow->addWidget(underline_);
    effectRow->addWidget(strikeOut_);
    effectRow->addWidget(new QLabel(U(texts::kFontColourLabel), this));
    effectRow->addWidget(swatch_);
    effectRow->addWidget(pick);
    effectRow->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addWidget(effects);
    layout->addWidget(sample_);
    layout->addWidget(buttons);
    resize(560, 420);

    FillFamilies(fixedPitchOnly);
    connect(families_, &QListWidget::currentTextChanged, this, &FontChooser::FillStyles);
    connect(styles_, &QListWidget::currentTextChanged, this, &FontChooser::ShowSample);
    connect(size_, &QSpinBox::valueChanged, this, &FontChooser::ShowSample);
    connect(underline_, &QCheckBox::toggled, this, &FontChooser::ShowSample);
    connect(strikeOut_, &QCheckBox::toggled, this, &FontChooser::ShowSample);
    SelectText(families_, shownFamily_);
    FillStyles();
    SelectText(styles_, ClosestStyle(Family(), initial_));
    ShowSample();
    families_->setFocus();
}

void FontChooser::FillFamilies(bool fixedPitchOnly) {
    // Every family: a Latin-only monospaced font suits SQL as well as a Japanese
    // one does, and fontconfig supplies the Japanese glyphs it lacks.
    for (const QString &family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        if (fixedPitchOnly && !QFontDatabase::isFixedPitch(family) && !HasUniformLatinWidth(family)) continue;
        families_->addItem(family);
    }
    // The editor's own font is always there to be kept.
    if (families_->findItems(shownFamily_, Qt::MatchExactly).isEmpty()) families_->addItem(shownFamily_);
    families_->sortItems();
}

void FontChooser::FillStyles() {
    const QString keep = Style();
    QSignalBlocker block(styles_);
    styles_->clear();
    styles_->addItems(QFontDatabase::styles(Family()));
    block.unblock();
    SelectText(styles_, styles_->findItems(keep, Qt::MatchExactly).isEmpty() ? ClosestStyle(Family(), initial_) : keep);
    ShowSample();
}

QString FontChooser::Family() const {
    return families_->currentItem() ? families_->currentItem()->text() : shownFamily_;
}
QString FontChooser::Style() const { return styles_->currentItem() ? styles_->currentItem()->text() : QString(); }

QFont FontChooser::ChosenFont() const {
    QFont font = initial_;
    // A stored family that is not installed keeps its name while the family standing in for it stays chosen.
    if (Family() != shownFamily_) font.setFamily(Family());
    const QString style = Style();
    if (!style.isEmpty()) {
        font.setWeight(static_cast<QFont::Weight>(QFontDatabase::weight(Family(), style)));
        font.setStyle(SlantOf(Family(), style));
    }
    font.setPointSize(size_->value());
    font.setUnderline(underline_->isChecked());
    font.setStrikeOut(strikeOut_->isChecked());
    return font;
}

void FontChooser::ShowSample() {
    QFont font = ChosenFont();
    font.setFamily(Family());
    sample_->setFont(font);
    QPalette p = sample_->palette();
    p.setColor(QPalette::WindowText, colour_);
    sample_->setPalette(p);
    swatch_->setStyleSheet(QString("background-color: %1").arg(colour_.name()));
}

void FontChooser::ChooseColour() {
    ColourChooser chooser(colour_, this);
    if (chooser.exec() == QDialog::Accepted) {
        colour_ = chooser.Chosen();
        ShowSample();
    }
}

} // namespace kelvra
