#pragma once
// Runs `work(i)` for i = 0 .. count-1 on up to `jobs` threads and hands each
// result to `emit` on the calling thread, in index order, as soon as it and all
// before it are done. At most a few results wait ahead of the next one, so
// memory stays bounded. `emit` returns false to stop: no further work starts.
// `work` must not throw.

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace kelvra::cli {

template <class Result, class Work, class Emit>
void RunInOrder(std::size_t count, unsigned jobs, Work work, Emit emit) {
    if (jobs <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            Result r = work(i);
            if (!emit(r)) return;
        }
        return;
    }
    const std::size_t ahead = 2 * static_cast<std::size_t>(jobs);
    std::mutex mutex;
    std::condition_variable resultReady, slotFree;
    std::vector<std::optional<Result>> results(count);
    std::size_t next = 0, emitted = 0;
    bool stop = false;

    auto worker = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            slotFree.wait(lock, [&] { return stop || next >= count || next < emitted + ahead; });
            if (stop || next >= count) return;
            const std::size_t i = next++;
            lock.unlock();
            Result r = work(i);
            lock.lock();
            results[i] = std::move(r);
            resultReady.notify_all();
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < jobs && t < count; ++t) {
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error &) {
            break; // run with the threads there are
        }
    }
    if (threads.empty()) {
        RunInOrder<Result>(count, 1, work, emit);
        return;
    }
    std::unique_lock lock(mutex);
    while (emitted < count) {
        resultReady.wait(lock, [&] { return results[emitted].has_value(); });
        Result r = std::move(*results[emitted]);
        results[emitted].reset();
        ++emitted;
        slotFree.notify_all();
        lock.unlock();
        const bool goOn = emit(r);
        lock.lock();
        if (!goOn) break;
    }
    stop = true;
    slotFree.notify_all();
    lock.unlock();
    for (std::thread &t : threads) t.join();
}

} // namespace kelvra::cli
