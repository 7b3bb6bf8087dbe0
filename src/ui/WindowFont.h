#pragma once
// The windows' own font: "ＭＳ ゴシック" at a pixel size, asked for with a
// fixed-pitch hint so that a substitute with Japanese glyphs is chosen where
// the font itself is missing.

#include "ui/UiTexts.h"

#include <QFont>
#include <QString>

namespace kelvra {

inline QFont GothicFont(int pixels) {
    QFont font(texts::U(texts::kWindowFont));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(pixels);
    return font;
}

} // namespace kelvra
