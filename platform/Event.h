#pragma once
// A manual-reset event: once set it stays set, and releases every waiter, until reset.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace platform {

class ManualResetEvent {
public:
    // A wait of this many milliseconds has no time limit.
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

    explicit ManualResetEvent(bool initiallySet = false) : m_set(initiallySet) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const { return m_set.load(std::memory_order_acquire); }

    // Waits at most ms milliseconds (measured on the monotonic clock); true when the
    // event was set in time. Wait(0) only tests it.
    bool Wait(uint32_t ms);

private:
    std::atomic<bool> m_set;
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

} // namespace platform
