#include "ui/WindowPlaces.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSaveFile>
#include <QUuid>

namespace kelvra {
namespace {

constexpr char kPlace[] = ".at", kAlive[] = ".lock";

// A lock no process holds: its window has closed, or its process has ended.
bool Abandoned(const QString &base) {
    QLockFile probe(base + kAlive);
    probe.setStaleLockTime(0); // only an ended process makes a lock stale
    if (!probe.tryLock(0)) return false;
    probe.unlock();
    return true;
}

} // namespace

WindowPlaces::WindowPlaces(const QString &folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) return;
    folder_ = folder;
    own_ = QDir(folder).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    alive_ = std::make_unique<QLockFile>(own_ + kAlive);
    alive_->setStaleLockTime(0);
    if (!alive_->tryLock(0)) alive_.reset();
}

WindowPlaces::~WindowPlaces() {
    if (!alive_) return;
    QFile::remove(own_ + kPlace);
    alive_->unlock();
}

void WindowPlaces::Publish(const QPoint &topLeft) {
    if (!alive_) return;
    QSaveFile file(own_ + kPlace);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QString("%1 %2").arg(topLeft.x()).arg(topLeft.y()).toLatin1());
    file.commit();
}

std::vector<QPoint> WindowPlaces::Others() const {
    std::vector<QPoint> places;
    if (folder_.isEmpty()) return places;
    const QDir dir(folder_);
    for (const QString &name : dir.entryList({QStringLiteral("*") + kPlace}, QDir::Files)) {
        const QString base = dir.filePath(name.chopped(int(std::size(kPlace)) - 1));
        if (base == own_) continue;
        if (Abandoned(base)) {
            QFile::remove(base + kPlace);
            continue;
        }
        QFile file(base + kPlace);
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QList<QByteArray> xy = file.readAll().split(' ');
        bool xOk = false, yOk = false;
        if (xy.size() == 2) {
            const QPoint at(xy[0].toInt(&xOk), xy[1].toInt(&yOk));
            if (xOk && yOk) places.push_back(at);
        }
    }
    return places;
}

} // namespace kelvra
