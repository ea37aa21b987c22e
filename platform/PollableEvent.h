#pragma once
// A manual-reset event that can be waited on together with devices, and the
// wait itself: the first of several handles (events or serial devices) that
// is ready.
//
// A handle is a descriptor: an event's is readable while it is set; a
// device's is ready when bytes can be read or the line has hung up. A
// negative handle in a wait set is left out of the wait.
#include <cstddef>
#include <cstdint>

#include "platform/UniqueFd.h"

namespace platform {

class PollableEvent {
public:
    PollableEvent() = default;
    PollableEvent(const PollableEvent&) = delete;
    PollableEvent& operator=(const PollableEvent&) = delete;

    // Creates the event unsignalled; 0 or errno. An existing event is kept
    // and only reset.
    int Create();
    void Close() { m_fd.Reset(); }
    bool Valid() const { return m_fd.Valid(); }

    // Callable from any thread while the event exists.
    void Set();
    void Reset();
    bool IsSet() const;

    // For a wait set; stays owned by the event; -1 when there is none.
    int Handle() const { return m_fd.Get(); }

private:
    UniqueFd m_fd; // eventfd: counter > 0 means set
};

constexpr int kWaitTimeout = -1;
constexpr int kWaitFailed = -2; // errno tells why
constexpr uint32_t kWaitInfinite = 0xFFFFFFFFu;

// Waits at most timeoutMs (kWaitInfinite: no limit) until one of the handles
// is ready and returns its index (the lowest when several are), or
// kWaitTimeout, or kWaitFailed with errno set. A signal does not end the wait.
int WaitForAny(const int* handles, size_t count, uint32_t timeoutMs);

} // namespace platform
