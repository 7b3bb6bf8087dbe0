#pragma once
// The hourglass while a command works: shown for the guard's lifetime, so that
// every way out of the command, an exception included, restores the cursor.

#include <QApplication>

namespace kelvra {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { Release(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    // Restores the cursor before the guard ends (before a message, say).
    void Release() {
        if (!active_) return;
        active_ = false;
        QApplication::restoreOverrideCursor();
    }

private:
    bool active_ = true;
};

} // namespace kelvra
