// Requests and replies over pseudo-terminals, where the read thread is part of
// the picture: the test plays the controller. The frame codec itself is
// covered byte for byte by packet_test.
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

    BoxRecorder boxes;
    PtyPair pty;
    CPacket packet;
};

} // namespace

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
