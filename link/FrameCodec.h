#pragma once
// The controller's wire frame, both ways, without I/O, locks or clock.
//
// Frame: STX, code, payload, checksum, ETX. Code, payload and checksum bytes of
// value 0x02, 0x03 or 0x10 go on the wire as DLE followed by the value + 0x10;
// the checksum makes code + payload + checksum = 0 modulo 256 (unstuffed).
// The frame has no length field, no sequence number and no negative
// acknowledgement.
#include <cstdint>

namespace frame {

constexpr uint8_t kStx = 0x02;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kDle = 0x10;

// The longest request: a head-record burn with every byte stuffed (STX, code,
// channel, length word, 360 record bytes and checksum, each stuffed, ETX).
constexpr int kMaxRequest = 729;
// Unstuffed bytes kept of a received frame from its STX: up to 512 payload bytes.
constexpr int kMaxFrame = 516;

} // namespace frame

// Builds one request in a fixed buffer. A request that would not fit is marked
// overlong and must never be sent: it is not cut short.
class FrameEncoder {
public:
    // Starts over: STX, then the code.
    void Begin(uint8_t code);
    // Appends one byte, stuffed, and adds its value to the checksum.
    void Stuff(uint8_t value);
    // Appends the checksum and the ETX.
    void End();

    const uint8_t* Data() const { return m_buf; }
    int Size() const { return m_len; }
    uint8_t Code() const { return m_code; }
    // Sum of the unstuffed code and payload (and, after End, checksum) bytes.
    uint8_t Sum() const { return m_sum; }
    bool Overlong() const { return m_overlong; }

private:
    uint8_t m_buf[frame::kMaxRequest] = {};
    int m_len = 0;
    uint8_t m_sum = 0;
    uint8_t m_code = 0;
    bool m_overlong = false;
};

enum class FrameStatus : uint8_t {
    Valid,       // code + payload + checksum sum to 0 mod 256
    BadChecksum, // they do not
    TooShort,    // fewer than 2 bytes between STX and ETX: no code and checksum
};

// A frame the decoder has closed. `bytes` points into the decoder and stays
// valid until the next byte is fed.
struct ClosedFrame {
    // The count of STXs seen when this frame's STX came (the first frame is 1): a
    // frame numbered at most the count taken at some moment began before it.
    uint64_t number = 0;
    FrameStatus status = FrameStatus::TooShort;
    const uint8_t* bytes = nullptr; // unstuffed, from the STX; ETX last unless overlong
    int length = 0;                 // bytes kept, at most frame::kMaxFrame
    uint8_t code = 0;               // bytes[1]; meaningless for a too-short frame
    int payloadLength = 0;          // from bytes + 2, at most 512
};

// Turns received bytes, in any chunking, into closed frames. An STX always
// starts a new frame (dropping a partial one, also right after DLE); DLE
// escapes the next byte (value - 0x10); an ETX not escaped closes the frame.
// Bytes between an ETX and the next STX belong to no frame and are dropped, so
// a stray ETX never closes a frame twice. Beyond frame::kMaxFrame bytes the
// surplus is still summed and the ETX still closes.
class FrameDecoder {
public:
    // Feeds one byte; true when it closed a frame, described by Closed() until
    // the next call.
    bool Put(uint8_t byte);
    const ClosedFrame& Closed() const { return m_closed; }
    // STXs seen so far.
    uint64_t FramesBegun() const { return m_begun; }

private:
    void Keep(uint8_t value);

    uint8_t m_buf[frame::kMaxFrame] = {};
    int m_len = 0;     // bytes kept in m_buf
    int m_between = 0; // unstuffed bytes since the STX, kept or not
    uint8_t m_sum = 0;
    bool m_escape = false;
    bool m_inFrame = false;
    uint64_t m_begun = 0;
    ClosedFrame m_closed;
};
