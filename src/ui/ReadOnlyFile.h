#pragma once
// The platform's read-only test for a path as the windows hold it.

#include "platform/Files.h"

#include "platform/Files.h"

#include <QFile>
#include <QString>

namespace kelvra {

inline bool IsReadOnlyFile(const QString &path) {
    return IsReadOnlyFile(std::filesystem::path(QFile::encodeName(path).toStdString()));
}

} // namespace kelvra
