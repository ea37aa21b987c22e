#include "app/shared/Stopwatch.h"

#include "platform/Clock.h"

namespace {
uint32_t Low32(int64_t v) {
    return static_cast<uint32_t>(static_cast<uint64_t>(v));
}
} // namespace

CStopwatch::CStopwatch()
    : m_fFrequency(static_cast<float>(Low32(platform::QueryPerformanceFrequency()))),
      m_nStart(Low32(platform::QueryPerformanceCounter())) {}

void CStopwatch::Restart() {
    m_nStart = Low32(platform::QueryPerformanceCounter());
}

float CStopwatch::ElapsedMs() const {
    return ElapsedMs(m_nStart, Low32(platform::QueryPerformanceCounter()), m_fFrequency);
}

float CStopwatch::ElapsedMs(uint32_t start, uint32_t now, float frequency) {
    const uint32_t ticks = now - start; // unsigned: right across the wrap
    const float seconds = static_cast<float>(ticks) / frequency;
    return static_cast<float>(static_cast<double>(seconds) * 1000.0);
}
