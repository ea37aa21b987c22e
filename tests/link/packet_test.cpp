// The frame builder and the parser, without a port: requests are read from m_tx,
// replies are fed to OnReceive directly.
#include <gtest/gtest.h>

#include <cstring>

#include "link/Packet.h"
#include "tests/support/PtyPair.h"
#include "tools/sim/Frame.h"

using testing_support::BoxRecorder;
using testing_support::Bytes;

namespace {

Bytes Tx(const CPacket& p) {
    return Bytes(p.m_tx, p.m_tx + p.m_nTxLen);
}

void Feed(CPacket& p, const Bytes& bytes) {
    p.OnReceive(bytes.data(), static_cast<int>(bytes.size()));
}

Bytes Payload(const CPacket& p) {
    return p.m_pPayload ? Bytes(p.m_pPayload, p.m_pPayload + p.m_nPayloadLen) : Bytes{};
}

// The frame for code and payload, from the simulator's codec: written apart from
// CPacket, it stands for the controller's end of the wire.
Bytes Frame(uint8_t code, const Bytes& payload) {
    return sim::EncodeFrame(code, payload);
}

class PacketTest : public ::testing::Test {
protected:
    BoxRecorder boxes;
    CPacket packet;
};

} // namespace

TEST_F(PacketTest, BuildsTheExampleFramesByteForByte) {
    // Without an open port EndFrame still builds the frame; the write just fails.
    packet.SendCommand(0x06);
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x06, 0xFA, 0x03}));
    packet.SendCommand(116);
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x74, 0x8C, 0x03}));

    packet.BeginFrame(100);
    packet.AddByte(2);
    packet.EndFrame();
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x64, 0x10, 0x12, 0x9A, 0x03}));

    packet.BeginFrame(97);
    packet.AddByte(0);
    packet.AddFloat(12.5f);
    packet.EndFrame();
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x61, 0x00, 0x00, 0x00, 0x48, 0x41, 0x16, 0x03}));

    packet.BeginFrame(51);
    packet.AddWord(16);
    packet.AddWord(3);
    packet.EndFrame();
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x33, 0x10, 0x20, 0x00, 0x10, 0x13, 0x00, 0xBA, 0x03}));
    EXPECT_EQ(packet.m_nTxSum, 51 + 16 + 3 + 0xBA - 0x100);
}

TEST_F(PacketTest, BuilderMatchesAnIndependentEncoderForEveryByteValue) {
    Bytes payload;
    for (int v = 0; v < 256; ++v)
        payload.push_back(static_cast<uint8_t>(v));
    for (uint8_t code : {uint8_t(0x02), uint8_t(0x03), uint8_t(0x10), uint8_t(103)}) {
        packet.BeginFrame(code);
        for (uint8_t v : payload)
            packet.AddByte(v);
        packet.EndFrame();
        EXPECT_EQ(Tx(packet), Frame(code, payload)) << int(code);
    }
}

TEST_F(PacketTest, FullyStuffedBurnFrameFitsExactly) {
    // Channel 2, length 360, then 360 record bytes that all need stuffing, chosen so that
    // the checksum needs stuffing too: the longest request there is, 729 bytes.
    Bytes record(360, 0x02);
    auto checksum = [&] {
        unsigned sum = 104 + 2 + 0x68 + 0x01;
        for (uint8_t v : record)
            sum += v;
        return static_cast<uint8_t>(0x100 - sum % 0x100);
    };
    for (size_t i = 0; checksum() != 0x10; ++i)
        record[i] = 0x03;
    packet.BeginFrame(104);
    packet.AddByte(2);
    packet.AddWord(360);
    for (uint8_t v : record)
        packet.AddByte(v);
    packet.EndFrame();
    Bytes payload{2, 0x68, 0x01};
    payload.insert(payload.end(), record.begin(), record.end());
    ASSERT_EQ(packet.m_nTxLen, 729);
    EXPECT_EQ(Tx(packet), Frame(104, payload));
}

TEST_F(PacketTest, OverlongRequestIsNeverWrittenBeyondTheBuffer) {
    packet.BeginFrame(104);
    for (int i = 0; i < 1000; ++i)
        packet.AddByte(0x10);
    packet.EndFrame();
    EXPECT_LE(packet.m_nTxLen, 729);
    EXPECT_EQ(packet.m_tx[packet.m_nTxLen - 1], 0x03);
    // The next request starts clean.
    packet.SendCommand(116);
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x74, 0x8C, 0x03}));
}

TEST_F(PacketTest, AckAndDataRepliesAreParsed) {
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_TRUE(packet.m_bValid);
    EXPECT_EQ(packet.m_nReplyCode, 0x06);
    EXPECT_EQ(packet.m_nPayloadLen, 0);
    EXPECT_TRUE(packet.WaitAck(0));
    EXPECT_FALSE(packet.WaitReply(110, 0));

    packet.ResetReply();
    // Data reply 110: a word 0x0302 and the float 12.5, stuffed on the wire.
    Bytes payload{0x02, 0x03, 0x00, 0x00, 0x48, 0x41, 0x10};
    Feed(packet, Frame(110, payload));
    EXPECT_TRUE(packet.WaitReply(110, 0));
    EXPECT_FALSE(packet.WaitAck(0));
    EXPECT_EQ(Payload(packet), payload);
    EXPECT_EQ(packet.m_pPayload, packet.m_rx + 2);
    EXPECT_EQ(packet.ReplyWord(2), 0x0302);
    EXPECT_FLOAT_EQ(packet.ReplyFloat(4), 12.5f);
    // Offsets outside the frame buffer give 0 instead of reading past it.
    EXPECT_EQ(packet.ReplyWord(-1), 0);
    EXPECT_EQ(packet.ReplyWord(515), 0);
    EXPECT_EQ(packet.ReplyFloat(513), 0.0f);
    EXPECT_EQ(packet.ReplyWord(514), 0);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PacketTest, CopyReplyTakesTheWholeReplyOrNothing) {
    uint8_t out[8] = {};
    EXPECT_EQ(packet.CopyReply(110, out, sizeof out), -1); // nothing received yet

    Bytes payload{0x01, 0x02, 0x03, 0x10};
    Feed(packet, Frame(110, payload));
    EXPECT_EQ(packet.CopyReply(0x06, out, sizeof out), -1); // another code
    ASSERT_EQ(packet.CopyReply(110, out, sizeof out), 4);
    EXPECT_EQ(Bytes(out, out + 4), payload);
    // A short destination gets the first bytes; the length is still the payload's.
    uint8_t two[2] = {};
    EXPECT_EQ(packet.CopyReply(110, two, 2), 4);
    EXPECT_EQ(Bytes(two, two + 2), (Bytes{0x01, 0x02}));

    // A second frame under way overwrites m_rx: the first reply is no longer whole.
    Bytes second = Frame(110, {0x07, 0x08, 0x09, 0x0A});
    Feed(packet, Bytes(second.begin(), second.begin() + 3));
    EXPECT_EQ(packet.CopyReply(110, out, sizeof out), -1);
    Feed(packet, Bytes(second.begin() + 3, second.end()));
    ASSERT_EQ(packet.CopyReply(110, out, sizeof out), 4);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{0x07, 0x08, 0x09, 0x0A}));

    packet.ResetReply();
    EXPECT_EQ(packet.CopyReply(110, out, sizeof out), -1);
}

TEST_F(PacketTest, ReplySplitAtEveryPointParsesAsOneChunk) {
    Bytes frame = Frame(103, {0x10, 0x02, 0x55, 0x03, 0xAA});
    for (size_t a = 0; a <= frame.size(); ++a) {
        for (size_t b = a; b <= frame.size(); ++b) {
            CPacket p;
            p.OnReceive(frame.data(), static_cast<int>(a));
            p.OnReceive(frame.data() + a, static_cast<int>(b - a));
            p.OnReceive(frame.data() + b, static_cast<int>(frame.size() - b));
            ASSERT_TRUE(p.WaitReply(103, 0)) << a << " " << b;
            EXPECT_EQ(Payload(p), (Bytes{0x10, 0x02, 0x55, 0x03, 0xAA}));
        }
    }
    // Byte by byte, including between each DLE and the byte it escapes.
    CPacket p;
    for (uint8_t b : frame)
        p.OnReceive(&b, 1);
    EXPECT_TRUE(p.WaitReply(103, 0));
    EXPECT_EQ(Payload(p), (Bytes{0x10, 0x02, 0x55, 0x03, 0xAA}));
}

TEST_F(PacketTest, TwoFramesInOneChunkLeaveTheSecond) {
    Bytes both = Frame(0x06, {});
    Bytes second = Frame(106, {7, 8});
    both.insert(both.end(), second.begin(), second.end());
    Feed(packet, both);
    EXPECT_TRUE(packet.WaitReply(106, 0));
    EXPECT_EQ(Payload(packet), (Bytes{7, 8}));
}

TEST_F(PacketTest, EscapeSequences) {
    // DLE DLE stores 0x00; DLE ETX stores 0xF3 and does not end the frame.
    Feed(packet, {0x02, 0x40, 0x10, 0x10, 0x10, 0x03});
    EXPECT_EQ(packet.m_nRxLen, 4);
    EXPECT_EQ(packet.m_rx[2], 0x00);
    EXPECT_EQ(packet.m_rx[3], 0xF3);
    EXPECT_FALSE(packet.m_hReplyEvent.IsSet());
    // 0x40 + 0x00 + 0xF3 + 0xCD = 0x200: this ETX ends a valid frame.
    Feed(packet, {0xCD, 0x03});
    EXPECT_TRUE(packet.WaitReply(0x40, 0));
    EXPECT_EQ(Payload(packet), (Bytes{0x00, 0xF3}));

    // DLE STX starts a new frame: the half-received one is dropped.
    packet.ResetReply();
    Feed(packet, {0x02, 0x55, 0x66, 0x10, 0x02, 0x06, 0xFA, 0x03});
    EXPECT_TRUE(packet.WaitAck(0));
    EXPECT_EQ(packet.m_nRxLen, 4);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PacketTest, BadChecksumShowsTheBoxAndNoWaitSucceeds) {
    Feed(packet, {0x02, 0x06, 0xFB, 0x03});
    EXPECT_FALSE(packet.m_bValid);
    EXPECT_FALSE(packet.WaitAck(30));
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Invaild Checksum");
    EXPECT_EQ(shown[0].caption, "Debug");
    EXPECT_EQ(shown[0].flags, 0u);
    // A good frame afterwards is taken.
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_TRUE(packet.WaitAck(0));
}

TEST_F(PacketTest, StxEtxIsValidWithCodeThreeAndNoWaitAcceptsIt) {
    Feed(packet, {0x02, 0x03});
    EXPECT_TRUE(packet.m_bValid);
    EXPECT_TRUE(packet.m_hReplyEvent.IsSet());
    EXPECT_EQ(packet.m_nReplyCode, 0x03);
    EXPECT_EQ(packet.m_nPayloadLen, 0);
    EXPECT_FALSE(packet.WaitAck(0));
    EXPECT_FALSE(packet.WaitReply(0x06, 0));
}

TEST_F(PacketTest, LoneEtxAfterAValidFrameReportsItAgain) {
    Feed(packet, Frame(105, {1, 2, 3}));
    packet.ResetReply();
    // ResetReply keeps the parser's position; the lone ETX closes a frame of sum 0.
    Feed(packet, {0x03});
    EXPECT_TRUE(packet.m_hReplyEvent.IsSet());
    EXPECT_TRUE(packet.m_bValid);
    EXPECT_EQ(packet.m_nRxLen, 1);

    CPacket fresh;
    Feed(fresh, Frame(105, {1, 2, 3}));
    fresh.m_hReplyEvent.Reset();
    Feed(fresh, {0x03});
    EXPECT_TRUE(fresh.WaitReply(105, 0));
    EXPECT_EQ(fresh.m_nRxLen, 8);
    EXPECT_EQ(fresh.m_nPayloadLen, 4);
}

TEST_F(PacketTest, OverlongReplyKeepsTheFirst516Bytes) {
    Bytes payload(700);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(0x20 + i % 200);
    Feed(packet, Frame(103, payload));
    // Dropped bytes still count in the sum, so the frame is valid.
    EXPECT_TRUE(packet.WaitReply(103, 0));
    EXPECT_EQ(packet.m_nRxLen, 516);
    EXPECT_EQ(packet.m_nPayloadLen, 512);
    EXPECT_EQ(Payload(packet), Bytes(payload.begin(), payload.begin() + 512));
}

TEST_F(PacketTest, EmptyChunkAndResetState) {
    Feed(packet, {0x02, 0x06, 0x10});
    CPacket before;
    EXPECT_EQ(packet.OnReceive(nullptr, 0), 0);
    uint8_t dummy = 0x03;
    EXPECT_EQ(packet.OnReceive(&dummy, 0), 0);
    EXPECT_EQ(packet.OnReceive(&dummy, -5), 0);
    EXPECT_EQ(packet.m_nRxLen, 2);
    EXPECT_TRUE(packet.m_bEscape);
    EXPECT_EQ(packet.m_nRxSum, 0x06);

    packet.ResetReply();
    EXPECT_EQ(packet.m_nRxLen, 0);
    EXPECT_EQ(packet.m_pPayload, nullptr);
    EXPECT_EQ(packet.m_nReplyCode, 0);
    EXPECT_EQ(packet.m_rx[0], 0);
    // The escape and the running sum survive the reset.
    EXPECT_TRUE(packet.m_bEscape);
    EXPECT_EQ(packet.m_nRxSum, 0x06);
}

TEST_F(PacketTest, SimulationSendsNothingAndEveryWaitSucceeds) {
    packet.m_bDemo = true;
    Feed(packet, {0x02, 0x06, 0xFB, 0x03}); // leaves a bad frame behind
    int rxLen = packet.m_nRxLen;
    packet.SendCommand(116);
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x74, 0x8C, 0x03}));
    // EndFrame in simulation leaves the reply state alone.
    EXPECT_EQ(packet.m_nRxLen, rxLen);
    EXPECT_TRUE(packet.WaitAck(2000));
    EXPECT_TRUE(packet.WaitReply(110, 2000));
    // EndFrameAlways resets the reply (and writes, see the port tests).
    packet.BeginFrame(116);
    packet.EndFrameAlways();
    EXPECT_EQ(packet.m_nRxLen, 0);
}
