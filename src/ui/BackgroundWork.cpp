#include "ui/BackgroundWork.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <exception>

namespace kelvra {

void RunInBackground(const std::function<void()> &work, const std::function<void()> &tick, int tickMs) {
    std::exception_ptr failure;
    QThread *thread = QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer ticker;
    if (tick) {
        QObject::connect(&ticker, &QTimer::timeout, &loop, tick);
        ticker.start(tickMs);
    }
    thread->start();
    // Events the user makes meanwhile are handled; nothing may end this wait early.
    while (!thread->isFinished())
        if (loop.exec(QEventLoop::AllEvents) != 0) thread->wait(20); // the program is ending
    thread->wait();
    ticker.stop();
    delete thread;
    if (failure) std::rethrow_exception(failure);
}

} // namespace kelvra
