#include "ui/ThemeIcons.h"

#include <QFile>

namespace kelvra {
namespace {

constexpr int kBundledSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString BundledPath(int size, const QString &name) {
    return QStringLiteral(":/kelvra/icons/%1x%1/%2.png").arg(size).arg(name);
}

QIcon BundledIcon(const QString &name) {
    QIcon icon;
    for (int size : kBundledSizes)
        if (QFile::exists(BundledPath(size, name))) icon.addFile(BundledPath(size, name), QSize(size, size));
    return icon;
}

} // namespace

QIcon ThemeIcon(const QString &freedesktopName) {
    return QIcon::fromTheme(freedesktopName, BundledIcon(freedesktopName));
}

QStringList BundledIconNames() {
    return {"window-new",     "document-new", "document-open",     "document-save",      "document-save-as",
            "document-print", "edit-undo",    "edit-select-all",   "edit-cut",           "edit-copy",
            "edit-paste",     "edit-find",    "edit-find-replace", "format-indent-more", "kelvra"};
}

} // namespace kelvra
