#pragma once
// Long work that needs no window, run on a thread of its own while the window
// keeps answering: the caller waits in an event loop and `tick` runs every
// few milliseconds meanwhile (to show progress and pass on a cancel).

#include <functional>

namespace kelvra {

// Runs `work` on another thread and returns when it has finished; meanwhile
// events are processed and `tick` is called about every `tickMs`. An
// exception thrown by `work` is thrown again here.
void RunInBackground(const std::function<void()> &work, const std::function<void()> &tick = {}, int tickMs = 15);

} // namespace kelvra
