#include "platform/Event.h"

#include <chrono>

namespace platform {

void ManualResetEvent::Set() {
    // A set event stays set: skip the lock, which the parser would otherwise take once
    // per frame when nobody has reset the event.
    if (m_set.load(std::memory_order_acquire))
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_set.store(true, std::memory_order_release);
    }
    m_cv.notify_all();
}

void ManualResetEvent::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_set.store(false, std::memory_order_release);
}

bool ManualResetEvent::Wait(uint32_t ms) {
    if (m_set.load(std::memory_order_acquire))
        return true;
    std::unique_lock<std::mutex> lock(m_mutex);
    auto isSet = [this] { return m_set.load(std::memory_order_acquire); };
    if (ms == kInfinite) {
        m_cv.wait(lock, isSet);
        return true;
    }
    return m_cv.wait_until(lock, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms),
                           isSet);
}

} // namespace platform
