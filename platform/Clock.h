// High-resolution counter and sleeping, in place of the performance counter.
#pragma once

#include <cstdint>

namespace platform {

// Ticks of a monotonic counter and its ticks per second (10,000,000: the
// counter is CLOCK_MONOTONIC in 100 ns steps, so its low 32 bits wrap only
// every 429 s). Callers use the low 32 bits where the program did on Windows.
int64_t QueryPerformanceCounter();
int64_t QueryPerformanceFrequency();

// Blocks the calling thread for `ms` milliseconds.
void Sleep(uint32_t ms);

} // namespace platform
