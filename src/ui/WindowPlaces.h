#pragma once
// Where the program's open windows stand, shared between its processes: a
// folder with one small file per window, each guarded by a lock file that the
// window's process holds while it lives. A window that opens on its own (a
// second copy of the program) steps aside from a window already standing
// where it would open.

#include <QPoint>
#include <QString>
#include <memory>
#include <vector>

class QLockFile;

namespace kelvra {

class WindowPlaces {
public:
    // `folder` empty: nothing is shared and every place is free.
    explicit WindowPlaces(const QString &folder);
    ~WindowPlaces();
    WindowPlaces(const WindowPlaces &) = delete;
    WindowPlaces &operator=(const WindowPlaces &) = delete;

    // Tells the other windows where this one stands now.
    void Publish(const QPoint &topLeft);
    // The top-left corners of the other windows that are open; the files of
    // windows whose process has ended are removed on the way.
    std::vector<QPoint> Others() const;

private:
    QString folder_, own_; // own_: this window's file name without extension
    std::unique_ptr<QLockFile> alive_;
};

} // namespace kelvra
