#include "link/FrameCodec.h"

using namespace frame;

void FrameEncoder::Begin(uint8_t code) {
    m_len = 0;
    m_sum = 0;
    m_overlong = false;
    m_code = code;
    m_buf[m_len++] = kStx;
    Stuff(code);
}

void FrameEncoder::Stuff(uint8_t value) {
    const bool escaped = value == kStx || value == kEtx || value == kDle;
    const int need = escaped ? 2 : 1;
    // One byte always stays free for the ETX.
    if (m_len + need > kMaxRequest - 1) {
        m_overlong = true;
        return;
    }
    if (escaped) {
        m_buf[m_len++] = kDle;
        m_buf[m_len++] = static_cast<uint8_t>(value + 0x10);
    } else {
        m_buf[m_len++] = value;
    }
    m_sum = static_cast<uint8_t>(m_sum + value);
}

void FrameEncoder::End() {
    Stuff(static_cast<uint8_t>(0x100 - m_sum));
    m_buf[m_len++] = kEtx; // Stuff kept room for it
}

inline void FrameDecoder::Keep(uint8_t value) {
    ++m_between;
    m_sum = static_cast<uint8_t>(m_sum + value);
    if (m_len < kMaxFrame)
        m_buf[m_len++] = value;
}

bool FrameDecoder::Put(uint8_t byte) {
    if (byte == kStx) {
        m_buf[0] = kStx;
        m_len = 1;
        m_between = 0;
        m_sum = 0;
        m_escape = false;
        m_inFrame = true;
        ++m_begun;
        return false;
    }
    if (!m_inFrame)
        return false;
    if (m_escape) {
        m_escape = false;
        Keep(static_cast<uint8_t>(byte - 0x10));
        return false;
    }
    if (byte == kDle) {
        m_escape = true;
        return false;
    }
    if (byte != kEtx) {
        Keep(byte);
        return false;
    }
    if (m_len < kMaxFrame)
        m_buf[m_len++] = kEtx;
    m_inFrame = false;
    m_closed.number = m_begun;
    m_closed.status = m_between < 2 ? FrameStatus::TooShort
                      : m_sum == 0  ? FrameStatus::Valid
                                    : FrameStatus::BadChecksum;
    m_closed.bytes = m_buf;
    m_closed.length = m_len;
    m_closed.code = m_len >= 2 ? m_buf[1] : 0;
    m_closed.payloadLength = m_len >= 4 ? m_len - 4 : 0;
    return true;
}
