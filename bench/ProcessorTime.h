#pragma once
// Processor time of the process, for the benchmarks of the editor's widgets,
// which do their work on the one thread.
#include <cstdio>
#include <ctime>
#include <functional>

namespace kelvra::bench {

inline double CpuMs() { return 1e3 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Runs `step` `steps` times and prints the processor time, whole and per step.
inline void Time(const char *what, int steps, const std::function<void()> &step) {
    const double start = CpuMs();
    for (int i = 0; i < steps; ++i) step();
    const double total = CpuMs() - start;
    std::printf("  %-36s %6d steps %10.1f ms %10.3f ms/step\n", what, steps, total, total / steps);
    std::fflush(stdout);
}

} // namespace kelvra::bench
