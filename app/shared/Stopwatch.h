// CStopwatch: milliseconds since construction or Restart, from the
// performance counter's low 32 bits (correct across their wrap for intervals
// up to 2^32 ticks, about 429 s).
#pragma once

#include <cstdint>

class CStopwatch {
public:
    CStopwatch();
    void Restart();
    float ElapsedMs() const;

    // The arithmetic of ElapsedMs on given counter values (modulo 2^32).
    static float ElapsedMs(uint32_t start, uint32_t now, float frequency);

    float m_fFrequency; // counter ticks per second (low 32 bits of the frequency)
    uint32_t m_nStart;  // low 32 bits of the counter at the start
};
