#pragma once
// Long work that needs no window, run on a thread of its own while the window
// keeps answering: the caller waits in an event loop and `tick` runs every
// few milliseconds meanwhile (to show progress and pass on a cancel).

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <functional>

namespace kelvra {

// Runs `work` on another thread and returns when it has finished; meanwhile
// events are processed and `tick` is called about every `tickMs`. An
// exception thrown by `work` is thrown again here.
void RunInBackground(const std::function<void()> &work, const std::function<void()> &tick = {}, int tickMs = 15);

// Runs `ask` (a question to the user) on the window's thread and returns its
// answer; work on another thread waits for it meanwhile.
template <typename Ask> auto OnWindowThread(Ask ask) {
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) return ask();
    decltype(ask()) answer{};
    QMetaObject::invokeMethod(
        app, [&] { answer = ask(); }, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace kelvra
