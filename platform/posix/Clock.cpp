#include "platform/Clock.h"

#include <cerrno>
#include <ctime>

namespace platform {

int64_t QueryPerformanceCounter() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    // 100 ns ticks: the low 32 bits span about seven minutes, as on the
    // usual 10 MHz performance counter on Windows.
    return int64_t(ts.tv_sec) * 10'000'000 + ts.tv_nsec / 100;
}

int64_t QueryPerformanceFrequency() {
    return 10'000'000;
}

void Sleep(uint32_t ms) {
    timespec req{time_t(ms / 1000), long(ms % 1000) * 1'000'000L};
    timespec rem{};
    while (::nanosleep(&req, &rem) != 0 && errno == EINTR)
        req = rem;
}

} // namespace platform
