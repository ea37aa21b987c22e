// Requests and replies over pseudo-terminals: the test plays the controller.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "link/Packet.h"
#include "tests/support/PtyPair.h"

using testing_support::BoxRecorder;
using testing_support::Bytes;
using testing_support::ElapsedMs;
using testing_support::PtyPair;
using Clock = std::chrono::steady_clock;

namespace {

const Bytes kAck{0x02, 0x06, 0xFA, 0x03};

class PacketPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(packet.Open(pty.Path().c_str(), 115200, 1000), 0); }

    // Sends the bytes one write at a time, with a pause after each piece.
    void SendInPieces(const Bytes& bytes, const std::vector<size_t>& cuts) {
        size_t at = 0;
        for (size_t cut : cuts) {
            pty.Send(bytes.data() + at, cut - at);
            at = cut;
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
        pty.Send(bytes.data() + at, bytes.size() - at);
    }

    BoxRecorder boxes;
    PtyPair pty;
    CPacket packet;
};

} // namespace

TEST_F(PacketPty, SetIntensityRequestIsWrittenAndItsAckAccepted) {
    packet.BeginFrame(97);
    packet.AddByte(0);
    packet.AddFloat(12.5f);
    packet.EndFrame();
    Bytes expected{0x02, 0x61, 0x00, 0x00, 0x00, 0x48, 0x41, 0x16, 0x03};
    EXPECT_EQ(pty.Receive(expected.size(), 5000), expected);
    ASSERT_TRUE(pty.Send(kAck));
    EXPECT_TRUE(packet.WaitAck(5000));
    // The event stays set: a second wait without a new request gives the same answer.
    EXPECT_TRUE(packet.WaitAck(0));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PacketPty, ReplySplitAcrossChunksAndBetweenDleAndItsByte) {
    packet.SendCommand(110);
    pty.Receive(4, 5000);
    // Payload 0x10 0x02 0x41 0x03: three of them stuffed. Wire:
    // 02 6E 10 20 10 12 41 10 13 checksum 03
    Bytes reply{0x02, 0x6E, 0x10, 0x20, 0x10, 0x12, 0x41, 0x10, 0x13};
    uint8_t sum = static_cast<uint8_t>(110 + 0x10 + 0x02 + 0x41 + 0x03);
    reply.push_back(static_cast<uint8_t>(0x100 - sum));
    reply.push_back(0x03);
    SendInPieces(reply, {1, 3, 5, 8});
    ASSERT_TRUE(packet.WaitReply(110, 5000));
    ASSERT_EQ(packet.m_nPayloadLen, 4);
    EXPECT_EQ(Bytes(packet.m_pPayload, packet.m_pPayload + 4), (Bytes{0x10, 0x02, 0x41, 0x03}));
    EXPECT_EQ(packet.ReplyWord(2), 0x0210);
}

TEST_F(PacketPty, BadChecksumShowsTheBoxFromTheReadThreadAndTheWaitFails) {
    packet.SendCommand(116);
    pty.Receive(4, 5000);
    ASSERT_TRUE(pty.Send(Bytes{0x02, 0x06, 0xFB, 0x03}));
    auto start = Clock::now();
    EXPECT_FALSE(packet.WaitAck(300));
    EXPECT_GE(ElapsedMs(start), 290);
    EXPECT_EQ(boxes.Count("Invaild Checksum"), 1u);
}

TEST_F(PacketPty, NoReplyAndWrongCodeFail) {
    packet.SendCommand(116);
    auto start = Clock::now();
    EXPECT_FALSE(packet.WaitAck(100));
    EXPECT_GE(ElapsedMs(start), 95);
    packet.SendCommand(110);
    ASSERT_TRUE(pty.Send(kAck));
    EXPECT_FALSE(packet.WaitReply(110, 2000));
}

TEST_F(PacketPty, TwoFramesInOneWriteLeaveTheSecond) {
    packet.SendCommand(110);
    Bytes both = kAck;
    both.insert(both.end(), {0x02, 0x6E, 0x05, 0x8D, 0x03});
    ASSERT_TRUE(pty.Send(both));
    // The first frame sets the event too; poll until the second one is what it holds.
    ASSERT_TRUE(testing_support::WaitFor([&] { return packet.WaitReply(110, 0); }, 
                                         std::chrono::seconds(10)));
    EXPECT_EQ(packet.m_nPayloadLen, 1);
    EXPECT_EQ(packet.m_pPayload[0], 0x05);
}

TEST_F(PacketPty, SimulationWritesOnlyThroughEndFrameAlways) {
    packet.m_bDemo = true;
    packet.SendCommand(116);
    packet.BeginFrame(97);
    packet.AddByte(1);
    packet.AddFloat(3.0f);
    packet.EndFrame();
    EXPECT_TRUE(packet.WaitAck(5000));
    EXPECT_TRUE(packet.WaitReply(110, 5000));
    EXPECT_TRUE(pty.Drain().empty());

    packet.BeginFrame(116);
    packet.EndFrameAlways();
    EXPECT_EQ(pty.Receive(4, 5000), (Bytes{0x02, 0x74, 0x8C, 0x03}));

    // Simulation needs no port at all.
    CPacket closed;
    closed.m_bDemo = true;
    closed.SendCommand(116);
    EXPECT_TRUE(closed.WaitAck(1000));
}

TEST_F(PacketPty, BurnFrameGoesOutWhole) {
    // Channel 2 and every record byte need stuffing; nine 0x03 and seventeen
    // 0x02 among the 0x10 make the checksum 0x10 as well: the largest request.
    std::vector<uint8_t> record(360, 0x10);
    std::fill_n(record.begin(), 9, 0x03);
    std::fill_n(record.begin() + 9, 17, 0x02);
    packet.BeginFrame(104);
    packet.AddByte(2);
    packet.AddWord(360);
    for (uint8_t v : record)
        packet.AddByte(v);
    packet.EndFrame();
    Bytes expected{0x02, 0x68, 0x10, 0x12, 0x68, 0x01};
    for (uint8_t v : record)
        expected.insert(expected.end(), {0x10, uint8_t(v + 0x10)});
    expected.insert(expected.end(), {0x10, 0x20, 0x03});
    ASSERT_EQ(expected.size(), 729u);
    EXPECT_EQ(pty.Receive(expected.size(), 5000), expected);
}

TEST_F(PacketPty, ResetsInterleavedWithIncomingFramesStayConsistent) {
    // The controller streams replies while the caller keeps resetting and reading: every
    // reply seen must be a whole one.
    std::atomic<bool> stop{false};
    Bytes frame{0x02, 0x6E, 0x34, 0x12, 0x4C, 0x03}; // word 0x1234
    std::thread controller([&] {
        while (!stop) {
            pty.Send(frame);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    int seen = 0;
    const auto start = Clock::now();
    while (seen < 200 && ElapsedMs(start) < 20000) {
        packet.ResetReply();
        if (packet.WaitReply(110, 200)) {
            ++seen;
            const uint16_t word = packet.ReplyWord(2);
            EXPECT_EQ(word, 0x1234);
            if (word != 0x1234)
                break;
        }
    }
    stop = true;
    controller.join();
    EXPECT_EQ(seen, 200);
    EXPECT_TRUE(boxes.Boxes().empty());
}
