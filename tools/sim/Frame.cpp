#include "tools/sim/Frame.h"

namespace sim {

namespace {

void PutStuffed(std::vector<uint8_t>& out, uint8_t value) {
    if (value == kStx || value == kEtx || value == kDle) {
        out.push_back(kDle);
        out.push_back(static_cast<uint8_t>(value + 0x10));
    } else {
        out.push_back(value);
    }
}

} // namespace

std::vector<uint8_t> EncodeFrame(uint8_t code, const std::vector<uint8_t>& payload,
                                 uint8_t checksumError) {
    std::vector<uint8_t> out;
    out.reserve(2 * payload.size() + 6);
    out.push_back(kStx);
    unsigned sum = code;
    PutStuffed(out, code);
    for (uint8_t b : payload) {
        sum += b;
        PutStuffed(out, b);
    }
    PutStuffed(out, static_cast<uint8_t>((0x100 - (sum & 0xFF)) + checksumError));
    out.push_back(kEtx);
    return out;
}

void FrameDecoder::Feed(const uint8_t* data, std::size_t length, const Sink& sink) {
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t b = data[i];
        if (b == kStx) {
            m_inFrame = true;
            m_escape = false;
            m_overflow = false;
            m_body.clear();
            m_wire.assign(1, b);
            continue;
        }
        if (!m_inFrame)
            continue;
        m_wire.push_back(b);
        if (m_escape) {
            m_escape = false;
            m_body.push_back(static_cast<uint8_t>(b - 0x10));
        } else if (b == kDle) {
            m_escape = true;
        } else if (b == kEtx) {
            m_inFrame = false;
            if (m_overflow || m_body.size() < 2)
                continue; // too long, or not even a code and a checksum
            uint8_t sum = 0;
            for (uint8_t v : m_body)
                sum = static_cast<uint8_t>(sum + v);
            DecodedFrame frame;
            frame.code = m_body.front();
            frame.payload.assign(m_body.begin() + 1, m_body.end() - 1);
            frame.wire = std::move(m_wire);
            frame.checksumOk = sum == 0;
            m_wire.clear();
            sink(std::move(frame));
        } else {
            m_body.push_back(b);
        }
        if (m_body.size() > kMaxFrame) {
            m_overflow = true;
            m_body.clear();
            m_wire.clear();
        }
    }
}

} // namespace sim
