// The packet without a port: requests are read back from Request(), replies are fed
// to OnReceive directly. A request to a closed port counts as written, so its reply
// is awaited like any other.
#include <gtest/gtest.h>

#include <cstring>

#include "link/Packet.h"
#include "tests/support/PtyPair.h"
#include "tools/sim/Frame.h"

using testing_support::BoxRecorder;
using testing_support::Bytes;

namespace {

Bytes Tx(const CPacket& p) {
    return Bytes(p.Request(), p.Request() + p.RequestSize());
}

void Feed(CPacket& p, const Bytes& bytes) {
    p.OnReceive(bytes.data(), static_cast<int>(bytes.size()));
}

Bytes Payload(CPacket& p, uint8_t code) {
    uint8_t out[600];
    const int n = p.CopyReply(code, out, sizeof out);
    return n < 0 ? Bytes{} : Bytes(out, out + std::min<int>(n, sizeof out));
}

// The frame for code and payload, from the simulator's codec: written apart from
// the program's, it stands for the controller's end of the wire.
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

TEST_F(PacketTest, OverlongRequestIsNeverWrittenAndItsWaitFailsAtOnce) {
    packet.SendCommand(110);
    packet.BeginFrame(104);
    for (int i = 0; i < 1000; ++i)
        packet.AddByte(0x10);
    packet.EndFrame();
    EXPECT_LE(packet.RequestSize(), 729);
    EXPECT_EQ(packet.Request()[packet.RequestSize() - 1], 0x03);
    // The earlier request's reply, arriving now, does not answer the overlong one.
    Feed(packet, Frame(110, {1}));
    EXPECT_FALSE(packet.WaitReply(110, 5000));
    EXPECT_FALSE(packet.WaitAck(5000));
    // The next request starts clean.
    packet.SendCommand(116);
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x74, 0x8C, 0x03}));
}

TEST_F(PacketTest, TheAcceptedReplyIsReadFromItsOwnCopy) {
    packet.SendCommand(110);
    // Data reply 110: a word 0x0302 and the float 12.5, stuffed on the wire.
    const Bytes payload{0x02, 0x03, 0x00, 0x00, 0x48, 0x41, 0x10};
    Feed(packet, Frame(110, payload));
    EXPECT_TRUE(packet.WaitReply(110, 0));
    EXPECT_FALSE(packet.WaitAck(0));
    EXPECT_EQ(packet.m_nReplyCode, 110);
    EXPECT_EQ(Payload(packet, 110), payload);
    EXPECT_EQ(packet.CopyReply(0x06, nullptr, 0), -1); // another code
    EXPECT_EQ(packet.ReplyWord(2), 0x0302);
    EXPECT_FLOAT_EQ(packet.ReplyFloat(4), 12.5f);
    // Offsets outside the 516 bytes give 0 instead of reading past them.
    EXPECT_EQ(packet.ReplyWord(-1), 0);
    EXPECT_EQ(packet.ReplyWord(515), 0);
    EXPECT_EQ(packet.ReplyFloat(513), 0.0f);
    EXPECT_EQ(packet.ReplyWord(514), 0);
    // A short destination gets the first bytes; the length is still the payload's.
    uint8_t two[2] = {};
    EXPECT_EQ(packet.CopyReply(110, two, 2), 7);
    EXPECT_EQ(Bytes(two, two + 2), (Bytes{0x02, 0x03}));

    // Frames after it, whole or cut, never touch the copy.
    Bytes later = Frame(110, {0x07, 0x08, 0x09, 0x0A});
    Feed(packet, later);
    Feed(packet, Bytes(later.begin(), later.begin() + 3));
    EXPECT_EQ(Payload(packet, 110), payload);
    EXPECT_EQ(packet.ReplyWord(2), 0x0302);
    // A second wait without a new request gives the same answer.
    EXPECT_TRUE(packet.WaitReply(110, 0));

    packet.ResetReply();
    EXPECT_EQ(packet.CopyReply(110, two, 2), -1);
    EXPECT_EQ(packet.ReplyWord(2), 0);
    EXPECT_EQ(packet.m_nReplyCode, 0);
    EXPECT_FALSE(packet.WaitReply(110, 0));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PacketTest, ResetReplyNeitherCutsAFrameNorForgetsWhatIsAwaited) {
    // A reset between the request and its reply: the reply is still taken.
    packet.SendCommand(112);
    packet.ResetReply();
    Feed(packet, {0x02, 0x70, 0x23, 0x01, 0x6C, 0x03});
    EXPECT_TRUE(packet.WaitReply(112, 0));
    EXPECT_EQ(packet.ReplyWord(2), 0x0123);

    // 02 70 arrives, then a reset and a request, then 01 06 89 03: one frame of code
    // 0x70 begun before the request, not an ACK for it.
    Feed(packet, {0x02, 0x70});
    packet.ResetReply();
    packet.SendCommand(116);
    Feed(packet, {0x01, 0x06, 0x89, 0x03});
    EXPECT_FALSE(packet.WaitAck(0));
    EXPECT_FALSE(packet.WaitReply(0x70, 0));
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_TRUE(packet.WaitAck(0));
}

TEST_F(PacketTest, OnlyTheRequestsOwnCodeOrAnAckEndsItsWait) {
    // Nothing is awaited before any request: a frame then is no one's reply.
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    packet.SendCommand(110);
    EXPECT_FALSE(packet.WaitReply(110, 0));
    // Another code, a bad checksum, 02 03 and a stray ETX are not the reply.
    Feed(packet, Frame(106, {7, 8}));
    Feed(packet, {0x02, 0x6E, 0x93, 0x03});
    Feed(packet, {0x02, 0x03, 0x03});
    EXPECT_FALSE(packet.WaitReply(110, 0));
    EXPECT_EQ(boxes.Count("Invaild Checksum"), 1u);
    // Two frames in one chunk: the reply is the one with the request's code.
    Bytes both = Frame(106, {1});
    const Bytes reply = Frame(110, {7, 8});
    both.insert(both.end(), reply.begin(), reply.end());
    Feed(packet, both);
    EXPECT_TRUE(packet.WaitReply(110, 0));
    EXPECT_EQ(Payload(packet, 110), (Bytes{7, 8}));

    // An ACK to a query is its reply and fails it at once.
    packet.SendCommand(107);
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_FALSE(packet.WaitReply(107, 5000));
    EXPECT_TRUE(packet.WaitAck(0));
}

TEST_F(PacketTest, ReplySplitAtEveryPointIsTaken) {
    const Bytes frame = Frame(103, {0x10, 0x02, 0x55, 0x03, 0xAA});
    for (size_t a = 0; a <= frame.size(); ++a) {
        CPacket p;
        p.SendCommand(103);
        p.OnReceive(frame.data(), static_cast<int>(a));
        p.OnReceive(frame.data() + a, static_cast<int>(frame.size() - a));
        ASSERT_TRUE(p.WaitReply(103, 0)) << a;
        EXPECT_EQ(Payload(p, 103), (Bytes{0x10, 0x02, 0x55, 0x03, 0xAA}));
    }
}

TEST_F(PacketTest, EachBadChecksumShowsTheBoxWhenNobodyOwnsBoxes) {
    // Without a box owner each box is shown on the raising thread and closed before
    // the next is raised, so none is ever pending.
    packet.SendCommand(116);
    Feed(packet, {0x02, 0x06, 0xFB, 0x03, 0x02, 0x06, 0xFB, 0x03});
    Feed(packet, {0x02, 0x06, 0xFB, 0x03});
    auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Invaild Checksum");
    EXPECT_EQ(shown[0].caption, "Debug");
    EXPECT_EQ(shown[0].flags, 0u);
    EXPECT_FALSE(packet.WaitAck(0));
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_TRUE(packet.WaitAck(0));
}

TEST_F(PacketTest, SimulationWritesNothingTracksNothingAndEveryWaitSucceeds) {
    packet.m_bDemo = true;
    packet.SendCommand(116);
    EXPECT_EQ(Tx(packet), (Bytes{0x02, 0x74, 0x8C, 0x03}));
    EXPECT_TRUE(packet.WaitAck(2000));
    EXPECT_TRUE(packet.WaitReply(110, 2000));
    // A frame now answers nothing.
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_FALSE(packet.m_hReplyEvent.IsSet());
    packet.BeginFrame(118);
    packet.EndFrameAlways();
    Feed(packet, {0x02, 0x06, 0xFA, 0x03});
    EXPECT_FALSE(packet.m_hReplyEvent.IsSet());
    EXPECT_TRUE(packet.WaitAck(0));
    EXPECT_TRUE(boxes.Boxes().empty());
}
