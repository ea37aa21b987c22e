#pragma once
// The controller's side of the wire frame, written independently of the
// program's frame layer so that a fault shared by both ends cannot hide.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace sim {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kDle = 0x10;

// Wire bytes of one frame: STX, code, payload, checksum, ETX, with every byte
// between STX and ETX that equals STX, ETX or DLE sent as DLE, value + 0x10.
// `checksumError` is added to the right checksum (0 for a good frame).
std::vector<uint8_t> EncodeFrame(uint8_t code, const std::vector<uint8_t>& payload,
                                 uint8_t checksumError = 0);

// One frame as received.
struct DecodedFrame {
    uint8_t code = 0;
    std::vector<uint8_t> payload; // unstuffed, without code and checksum
    std::vector<uint8_t> wire;    // the bytes from STX to ETX as they arrived
    bool checksumOk = false;
};

// Collects frames from a byte stream. Bytes outside STX..ETX are ignored; a
// frame longer than kMaxFrame unstuffed bytes is dropped whole.
class FrameDecoder {
public:
    static constexpr std::size_t kMaxFrame = 1024;
    using Sink = std::function<void(DecodedFrame&&)>;

    void Feed(const uint8_t* data, std::size_t length, const Sink& sink);

private:
    bool m_inFrame = false;
    bool m_escape = false;
    bool m_overflow = false;
    std::vector<uint8_t> m_body; // code, payload, checksum
    std::vector<uint8_t> m_wire;
};

} // namespace sim
