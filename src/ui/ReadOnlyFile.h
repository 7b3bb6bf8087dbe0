#pragma once
// The read-only test of the file commands, for a path as the windows hold it.

#include "platform/Files.h"

#include <QFile>
#include <QString>

namespace kelvra {

inline bool IsReadOnlyFile(const QString &path) {
    return IsReadOnlyFile(std::filesystem::path(QFile::encodeName(path).toStdString()));
}

} // namespace kelvra
