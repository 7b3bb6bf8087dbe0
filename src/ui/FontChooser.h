#pragma once
// The font dialog of the font command: family, style and size lists, the
// effects (underline, strike-out, colour) and a sample, with OK as the
// default button. It opens on the font it is given, in that font's style.
// The fixed-pitch list counts a font as fixed-pitch when its Latin letters
// all have one width, so the monospaced Japanese fonts whose kana and kanji
// are twice as wide (fontconfig's "dual width") are offered beside the
// Latin-only monospaced ones.

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QStringList>

class QCheckBox;
class QLabel;
class QListWidget;
class QSpinBox;

namespace kelvra {

// True when the family's Latin letters, digits and blank all have one advance.
bool HasUniformLatinWidth(const QString &family);

class FontChooser : public QDialog {
    Q_OBJECT
public:
    FontChooser(const QFont &initial, const QColor &colour, bool fixedPitchOnly, QWidget *parent = nullptr);
    QFont ChosenFont() const;
    QColor ChosenColour() const { return colour_; }

private:
    void FillFamilies(bool fixedPitchOnly);
    void FillStyles();
    void ShowSample();
    void ChooseColour();
    QString Family() const;
    QString Style() const;

    QFont initial_;
    QString shownFamily_; // the family the initial font resolves to
    QColor colour_;
    QListWidget *families_, *styles_;
    QSpinBox *size_;
    QCheckBox *underline_, *strikeOut_;
    QLabel *swatch_, *sample_;
};

} // namespace kelvra
