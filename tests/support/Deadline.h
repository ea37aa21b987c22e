#pragma once
// Runs a call that must not block on a file, with a deadline: when the call
// has not returned in time, `release` frees it (a writer for a pipe, a hang-up
// for a terminal) so that the test fails instead of hanging.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace testing_support {

inline bool ReturnsInTime(const std::function<void()>& call, const std::function<void()>& release,
                          std::chrono::milliseconds deadline = std::chrono::seconds(5)) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        call();
        done = true;
    });
    const auto giveUp = std::chrono::steady_clock::now() + deadline;
    while (!done && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const bool inTime = done;
    if (!inTime)
        release();
    worker.join();
    return inTime;
}

// Frees a reader blocked opening the pipe `path`: a writer comes and goes at
// once, so the reader sees the end of the data.
inline void ReleasePipeReader(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
}

} // namespace testing_support
