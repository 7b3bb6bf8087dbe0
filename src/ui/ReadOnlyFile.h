#pragma once
// The read-only test of the file commands, for a path as the windows hold it.

#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace kelvra {

// Read-only as the user sees it: not writable by this user, or marked so by
// its owner's permission (which counts even for root, who may write anything).
inline bool IsReadOnlyFile(const QString &path) {
    const QByteArray p = QFile::encodeName(path);
    struct stat st {};
    if (::stat(p.constData(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::access(p.constData(), W_OK) != 0 || (st.st_mode & S_IWUSR) == 0;
}

} // namespace kelvra
