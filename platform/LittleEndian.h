#pragma once
// Little-endian fields of wire frames and files, whatever the host's byte order.
// Readers take a pointer to the field's first byte; the caller checks that all
// of it is there.
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform {

inline uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// An IEEE-754 single, as the controller sends it.
inline float GetLeFloat(const uint8_t* p) {
    const uint32_t bits = GetLe32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void PutLe32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void AppendLe16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendLe32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void AppendLeFloat(std::vector<uint8_t>& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    AppendLe32(out, bits);
}

} // namespace platform
