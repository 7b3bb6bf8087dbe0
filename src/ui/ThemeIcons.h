#pragma once
// Icons of the speed buttons: from the desktop's icon theme by their
// freedesktop names, or from the icons built into the program when the theme
// has none (or there is no theme).

#include <QIcon>
#include <QString>
#include <QStringList>

namespace kelvra {

QIcon ThemeIcon(const QString &freedesktopName);

// The speed buttons' names, all of which the built-in set holds, and "kelvra",
// the program's own icon.
QStringList BundledIconNames();

} // namespace kelvra
