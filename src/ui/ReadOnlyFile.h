#pragma once
// The platform's read-only test for a path as the windows hold it.

#include "platform/Files.h"

#include <QString>

namespace kelvra {

inline bool IsReadOnlyFile(const QString &path) { return IsReadOnlyFile(PathFromUtf8(path.toStdString())); }

} // namespace kelvra
