// Feeds arbitrary chunk sequences, with resets in between, to the frame parser and
// compares its state after every chunk with a byte-at-a-time model of the parser.
//
// Input: records of one control byte and a chunk. Control: bits 0-5 the chunk length;
// bit 6 calls ResetReply before the chunk; bit 7 takes one more byte as bits 6-13 of
// the length, so chunks can be longer than a frame.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link/Packet.h"
#include "platform/MessageBox.h"

namespace {

int g_boxes = 0;

struct Model {
    uint8_t rx[516] = {};
    int len = 0;
    bool valid = false;
    uint8_t code = 0;
    bool payload = false;
    int payloadLen = 0;
    bool escape = false;
    uint8_t sum = 0;
    bool event = false;
    int boxes = 0;
    // For the checksum check on the parser's own buffer: the last byte ended a valid
    // frame that began with an STX, lost no byte and held no earlier ETX.
    bool wholeValidFrame = false;
    bool sawStx = false;
    bool dropped = false;
    bool ended = false;

    void Reset() {
        std::memset(rx, 0, sizeof rx);
        len = 0;
        valid = false;
        code = 0;
        payload = false;
        payloadLen = 0;
        event = false;
        wholeValidFrame = false;
        sawStx = false; // the STX went with the reset
    }
    void Store(uint8_t v) {
        if (len < 516)
            rx[len++] = v;
        else
            dropped = true;
    }
    void Byte(uint8_t b) {
        wholeValidFrame = false;
        if (b == 0x02) {
            rx[0] = 0x02;
            len = 1;
            sum = 0;
            escape = false;
            sawStx = true;
            dropped = false;
            ended = false;
        } else if (escape) {
            escape = false;
            Store(static_cast<uint8_t>(b - 0x10));
            sum = static_cast<uint8_t>(sum + b - 0x10);
        } else if (b == 0x03) {
            Store(0x03);
            valid = sum == 0;
            if (valid) {
                code = rx[1];
                payload = true;
                payloadLen = len - 4 < 0 ? 0 : len - 4;
                event = true;
                wholeValidFrame = sawStx && !dropped && !ended;
            } else {
                ++boxes;
            }
            ended = true;
        } else if (b == 0x10) {
            escape = true;
        } else {
            Store(b);
            sum = static_cast<uint8_t>(sum + b);
        }
    }
};

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "parser invariant broken: %s\n", what);
        std::abort();
    }
}

void Compare(const CPacket& p, const Model& m) {
    Check(p.m_nRxLen >= 0 && p.m_nRxLen <= 516, "m_nRxLen within m_rx");
    Check(p.m_nPayloadLen >= 0 && p.m_nPayloadLen <= 512, "payload length 0..512");
    Check(p.m_pPayload == nullptr || p.m_pPayload == p.m_rx + 2, "payload points into m_rx");
    Check(p.m_nRxLen == m.len, "m_nRxLen");
    Check(std::memcmp(p.m_rx, m.rx, sizeof m.rx) == 0, "m_rx");
    Check(p.m_bValid == m.valid, "m_bValid");
    Check(p.m_nReplyCode == m.code, "m_nReplyCode");
    Check((p.m_pPayload != nullptr) == m.payload, "m_pPayload");
    Check(p.m_nPayloadLen == m.payloadLen, "m_nPayloadLen");
    Check(p.m_bEscape == m.escape, "m_bEscape");
    Check(p.m_nRxSum == m.sum, "m_nRxSum");
    Check(p.m_hReplyEvent.IsSet() == m.event, "reply event");
    Check(g_boxes == m.boxes, "checksum boxes");
    if (m.wholeValidFrame) {
        // A reported frame: code, payload and checksum as stored add up to zero.
        Check(p.m_nRxLen >= 2 && p.m_rx[0] == 0x02 && p.m_rx[p.m_nRxLen - 1] == 0x03,
              "frame bounds");
        uint8_t sum = 0;
        for (int i = 1; i < p.m_nRxLen - 1; ++i)
            sum = static_cast<uint8_t>(sum + p.m_rx[i]);
        Check(sum == 0, "reported frame has a zero sum");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        platform::SetMessageBoxSink([](const char*, const char*, unsigned) {
            ++g_boxes;
            return platform::IDOK;
        });
        return true;
    }();
    (void)once;
    g_boxes = 0;

    CPacket packet;
    Model model;
    size_t at = 0;
    while (at < size) {
        uint8_t control = data[at++];
        size_t len = control & 0x3F;
        if ((control & 0x80) && at < size)
            len |= static_cast<size_t>(data[at++]) << 6;
        if (len > size - at)
            len = size - at;
        if (control & 0x40) {
            packet.ResetReply();
            model.Reset();
        }
        int r = packet.OnReceive(data + at, static_cast<int>(len));
        for (size_t i = 0; i < len; ++i)
            model.Byte(data[at + i]);
        at += len;
        Check(r == (packet.m_bValid ? 1 : 0), "OnReceive returns m_bValid");
        Compare(packet, model);
    }
    return 0;
}
