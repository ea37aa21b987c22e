// Requests and replies over pseudo-terminals, where the read thread is part of
// the picture: the test plays the controller. The frame codec itself is
// covered byte for byte by packet_test.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "link/ControlBoard.h"
#include "link/HeadRecord.h"
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

// A controller answers each request once, in order, sometimes after the wait has run
// out: such a reply is its own request's, never the next one's. The test thread makes
// the requests; a thread of the test plays the controller with literal frames.
namespace {

using namespace std::chrono_literals;

// SetDualIntensity(1.0, 2.0): floats 00 00 80 3F and 00 00 00 40, checksum CF.
const Bytes kSetDual{0x02, 0x32, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0xCF, 0x03};
// ReadPhoto(0), and its reply with 0x0123 counts.
const Bytes kReadPhoto{0x02, 0x70, 0x00, 0x90, 0x03};
const Bytes kPhotoReply{0x02, 0x70, 0x23, 0x01, 0x6C, 0x03};
// SetIndex(0, 16): the index's low byte 0x10 goes out stuffed.
const Bytes kSetIndex16{0x02, 0x62, 0x00, 0x10, 0x20, 0x00, 0x8E, 0x03};
// A burn on channel A of a record of 360 bytes 0x41: code 0x68, channel 0, length
// 68 01, the bytes, checksum C7 (0x68 + 0x69 + 360 * 0x41 = 0x5C39).
constexpr size_t kBurnSize = 367;

class LateReply : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(board.Open(pty.Path().c_str(), 115200, 1000), 0);
        std::memset(RecordBytes(record), 0x41, kHeadRecordSize);
    }
    void ExpectBurn(const Bytes& wire) {
        ASSERT_EQ(wire.size(), kBurnSize);
        EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 5), (Bytes{0x02, 0x68, 0x00, 0x68, 0x01}));
        EXPECT_EQ(wire[365], 0xC7);
        EXPECT_EQ(wire[366], 0x03);
    }

    BoxRecorder boxes;
    PtyPair pty;
    CControlBoard board;
    HeadRecord record;
};

} // namespace

TEST_F(LateReply, ASetAnsweredLateDoesNotAcknowledgeTheBurnAfterIt) {
    Bytes set, burn;
    Clock::time_point setAt, burnAt;
    std::thread controller([&] {
        set = pty.Receive(kSetDual.size(), 5000);
        setAt = Clock::now();
        std::this_thread::sleep_until(setAt + 800ms);
        pty.Send(kAck); // the set's, 300 ms after its wait ran out
        burn = pty.Receive(kBurnSize, 5000);
        burnAt = Clock::now(); // never answered
    });
    EXPECT_FALSE(board.SetDualIntensity(1.0f, 2.0f));
    EXPECT_FALSE(board.WriteHeadRecord(0, record));
    controller.join();
    EXPECT_EQ(set, kSetDual);
    ExpectBurn(burn);
    // The burn waited for the set's late reply before it went out.
    EXPECT_GE(burnAt - setAt, 790ms);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(LateReply, ABurnAnsweredAfterTheLateReplyOfTheRequestBeforeItSucceeds) {
    // The late reply is a set's ACK, then a photo read's data reply: neither is the burn's,
    // and the data reply must not end the burn's wait either.
    for (bool query : {false, true}) {
        Bytes first, burn;
        std::thread controller([&] {
            first = pty.Receive(query ? kReadPhoto.size() : kSetDual.size(), 5000);
            std::this_thread::sleep_for(800ms);
            pty.Send(query ? kPhotoReply : kAck);
            burn = pty.Receive(kBurnSize, 5000);
            std::this_thread::sleep_for(200ms);
            pty.Send(kAck); // the burn's own
        });
        uint16_t counts = 7;
        if (query)
            EXPECT_FALSE(board.ReadPhoto(0, counts));
        else
            EXPECT_FALSE(board.SetDualIntensity(1.0f, 2.0f));
        EXPECT_TRUE(board.WriteHeadRecord(0, record)) << "after a late " << (query ? 112 : 50);
        controller.join();
        EXPECT_EQ(counts, 7);
        EXPECT_EQ(first, query ? kReadPhoto : kSetDual);
        ExpectBurn(burn);
    }
}

TEST_F(LateReply, ALateReplyBeforeTheNextRequestLeavesTheNextOnesAlone) {
    Bytes photo, index;
    std::thread controller([&] {
        pty.Receive(kSetDual.size(), 5000);
        std::this_thread::sleep_for(800ms);
        pty.Send(kAck);
        photo = pty.Receive(kReadPhoto.size(), 10000);
        pty.Send(kPhotoReply);
        index = pty.Receive(kSetIndex16.size(), 5000);
        pty.Send(kAck);
    });
    EXPECT_FALSE(board.SetDualIntensity(1.0f, 2.0f));
    EXPECT_TRUE(board.WaitAck(5000)); // the late ACK has come, and no request since
    uint16_t counts = 0;
    EXPECT_TRUE(board.ReadPhoto(0, counts));
    EXPECT_EQ(counts, 0x0123);
    EXPECT_TRUE(board.SetIndex(0, 16));
    controller.join();
    EXPECT_EQ(photo, kReadPhoto);
    EXPECT_EQ(index, kSetIndex16);
}

TEST_F(LateReply, AReplyThatNeverComesIsGivenUpAfterAFewSeconds) {
    std::thread controller([&] {
        pty.Receive(kReadPhoto.size(), 5000); // never answered
        if (pty.Receive(kSetIndex16.size(), 15000) == kSetIndex16)
            pty.Send(kAck);
    });
    uint16_t counts = 7;
    const auto lostAt = Clock::now();
    EXPECT_FALSE(board.ReadPhoto(0, counts));
    std::this_thread::sleep_until(lostAt + 4500ms);
    EXPECT_TRUE(board.SetIndex(0, 16));
    controller.join();
}

TEST_F(LateReply, ARetryAfterALostReplyIsAnsweredAsItsOwn) {
    // Every request but the first is answered at once. The retry waits a few seconds for
    // the lost reply, then goes out and gets its own; the requests after it go at once.
    std::atomic<bool> stop{false};
    std::thread controller([&] {
        int seen = 0;
        while (!stop) {
            if (pty.Receive(kSetIndex16.size(), 100) == kSetIndex16 && ++seen > 1)
                pty.Send(kAck);
        }
    });
    const auto lostAt = Clock::now();
    EXPECT_FALSE(board.SetIndex(0, 16));
    EXPECT_TRUE(board.SetIndex(0, 16));
    EXPECT_GE(ElapsedMs(lostAt), CPacket::kLateReplyMs - 10);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(board.SetIndex(0, 16));
    stop = true;
    controller.join();
}

TEST_F(LateReply, AControllerThatIsGoneHoldsOnlyOneRequest) {
    // Nothing is answered: the second request waits for the first's reply until it is
    // given up; after that the controller counts as silent and no request is held.
    const auto start = Clock::now();
    EXPECT_FALSE(board.SetIndex(0, 16));
    EXPECT_FALSE(board.SetIndex(0, 16));
    EXPECT_GE(ElapsedMs(start), CPacket::kLateReplyMs + 490);
    const auto third = Clock::now();
    EXPECT_FALSE(board.SetIndex(0, 16));
    EXPECT_FALSE(board.SetIndex(0, 16));
    EXPECT_LT(ElapsedMs(third), CPacket::kLateReplyMs); // two waits of 500 ms, no hold
    EXPECT_EQ(pty.Receive(4 * kSetIndex16.size(), 5000).size(), 4 * kSetIndex16.size());
}

namespace {

// Brings `board` to a silent controller with one reply owed: two requests go
// unanswered (the second after its hold ran out), then `next` is written at once,
// and the controller thread, which has seen `count` bytes of it, answers with
// `reply` (the second request's late reply first, then whatever the test gives).
void AfterTwoLost(PtyPair& pty, CControlBoard& board, std::size_t count, const Bytes& reply,
                  const std::function<void()>& next) {
    std::thread controller([&] {
        pty.Receive(2 * kSetIndex16.size(), 10000); // never answered
        if (pty.Receive(count, 10000).size() == count)
            pty.Send(reply);
    });
    EXPECT_FALSE(board.SetIndex(0, 16));
    EXPECT_FALSE(board.SetIndex(0, 16));
    next();
    controller.join();
}

} // namespace

TEST_F(LateReply, WhileTheControllerIsSilentALateReplyStillPaysItsOwnRequest) {
    // The second request's ACK comes only after the third was written: it is the second's.
    AfterTwoLost(pty, board, kSetDual.size(), kAck,
                 [&] { EXPECT_FALSE(board.SetDualIntensity(1.0f, 2.0f)); });
}

TEST_F(LateReply, WhileTheControllerIsSilentTheReplyAfterTheOwedOneIsTheRequestsOwn) {
    Bytes ackTwice = kAck;
    ackTwice.insert(ackTwice.end(), kAck.begin(), kAck.end());
    AfterTwoLost(pty, board, kSetDual.size(), ackTwice,
                 [&] { EXPECT_TRUE(board.SetDualIntensity(1.0f, 2.0f)); });
}

TEST_F(LateReply, ADataReplyOfAnotherCodeShowsTheOwedReplyWasLost) {
    // A data reply carries its request's code: a photo reply cannot be a set's late ACK.
    uint16_t counts = 0;
    AfterTwoLost(pty, board, kReadPhoto.size(), kPhotoReply,
                 [&] { EXPECT_TRUE(board.ReadPhoto(0, counts)); });
    EXPECT_EQ(counts, 0x0123);
}

TEST_F(LateReply, AStrayEtxAfterALateReplyDoesNotHandItToTheNextRequest) {
    AfterTwoLost(pty, board, kSetDual.size(), Bytes{0x02, 0x06, 0xFA, 0x03, 0x03},
                 [&] { EXPECT_FALSE(board.SetDualIntensity(1.0f, 2.0f)); });
}

TEST_F(LateReply, ALateReplyWithABadChecksumIsStillTheEarlierRequests) {
    AfterTwoLost(pty, board, kSetDual.size(), Bytes{0x02, 0x06, 0xFB, 0x03, 0x02, 0x06, 0xFA, 0x03},
                 [&] { EXPECT_TRUE(board.SetDualIntensity(1.0f, 2.0f)); });
    EXPECT_EQ(boxes.Count("Invaild Checksum"), 1u);
}
