#include "platform/PollableEvent.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <vector>

namespace platform {

int PollableEvent::Create() {
    if (m_fd.Valid()) {
        Reset();
        return 0;
    }
    int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return errno;
    m_fd.Reset(fd);
    return 0;
}

void PollableEvent::Set() {
    uint64_t one = 1;
    // A full counter (never reached) would leave the event set anyway.
    [[maybe_unused]] ssize_t n = ::write(m_fd.Get(), &one, sizeof one);
}

void PollableEvent::Reset() {
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(m_fd.Get(), &value, sizeof value);
}

bool PollableEvent::IsSet() const {
    pollfd p{m_fd.Get(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

int WaitForAny(const int* handles, size_t count, uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    std::vector<pollfd> set(count);
    for (size_t i = 0; i < count; ++i)
        set[i] = pollfd{handles[i], POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs != kWaitInfinite) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = static_cast<int>(std::max<int64_t>(0, left.count()));
        }
        int n = ::poll(set.data(), set.size(), wait);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return kWaitFailed;
        if (n == 0)
            return kWaitTimeout;
        for (size_t i = 0; i < count; ++i)
            if (set[i].revents != 0)
                return static_cast<int>(i);
    }
}

} // namespace platform
