// Requests and replies over pseudo-terminals, where the read thread is part of the
// picture: a thread of the test plays the controller with literal frames. Waits are
// short here (the packet takes any wait); the commands' own waits are exercised
// through CControlBoard in control_board_pty_test.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "link/Packet.h"
#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "tests/support/PtyPair.h"

using testing_support::BoxRecorder;
using testing_support::Bytes;
using testing_support::PtyPair;

namespace {

using namespace std::chrono_literals;

const Bytes kAck{0x02, 0x06, 0xFA, 0x03};
const Bytes kBadAck{0x02, 0x06, 0xFB, 0x03};
const Bytes kDacQuery{0x02, 0x6B, 0x95, 0x03};
const Bytes kDacReply{0x02, 0x6B, 0x34, 0x12, 0x78, 0x56, 0x81, 0x03};
const Bytes kStop{0x02, 0x74, 0x8C, 0x03}; // stop the pulse train, 116
// SetDualIntensity(1.0, 2.0): floats 00 00 80 3F and 00 00 00 40, checksum CF.
const Bytes kSetDual{0x02, 0x32, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0xCF, 0x03};
// A burn of channel A with a record of 360 bytes 0x41: 02 68 00 68 01, the bytes,
// checksum C7 (0x68 + 0x68 + 0x01 + 360 * 0x41 = 0x5C39), ETX.
constexpr size_t kBurnSize = 367;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class PacketPty : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(packet.Open(pty.Path().c_str(), 115200, 1000), 0); }

    void SetDual() {
        packet.BeginFrame(50);
        packet.AddFloat(1.0f);
        packet.AddFloat(2.0f);
        packet.EndFrame();
    }
    void Burn() {
        packet.BeginFrame(104);
        packet.AddByte(0);
        packet.AddWord(360);
        for (int i = 0; i < 360; ++i)
            packet.AddByte(0x41);
        packet.EndFrame();
    }
    static void ExpectBurn(const Bytes& wire) {
        ASSERT_EQ(wire.size(), kBurnSize);
        EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 5), (Bytes{0x02, 0x68, 0x00, 0x68, 0x01}));
        EXPECT_EQ(wire[365], 0xC7);
        EXPECT_EQ(wire[366], 0x03);
    }

    BoxRecorder boxes;
    PtyPair pty;
    CPacket packet;
};

} // namespace

TEST_F(PacketPty, ALostReplyPutsADacReadInFrontOfTheNextRequest) {
    packet.SendCommand(116);
    EXPECT_EQ(pty.Receive(4, 5000), kStop);
    EXPECT_FALSE(packet.WaitAck(50)); // lost
    packet.SendCommand(116);
    EXPECT_EQ(pty.Receive(8, 5000), Join({kDacQuery, kStop}));
    ASSERT_TRUE(pty.Send(Join({kDacReply, kAck})));
    EXPECT_TRUE(packet.WaitAck(5000));
    // Paid: the next request goes alone.
    packet.SendCommand(116);
    EXPECT_EQ(pty.Receive(4, 5000), kStop);
    ASSERT_TRUE(pty.Send(kAck));
    EXPECT_TRUE(packet.WaitAck(5000));
    EXPECT_TRUE(pty.Drain().empty());
}

TEST_F(PacketPty, ALateAckNeverAcknowledgesTheBurnAfterIt) {
    for (bool noise : {false, true}) {
        SCOPED_TRACE(noise ? "with 02 03 inside the set's wait" : "without noise");
        Bytes set, sync, burn;
        std::thread controller([&] {
            set = pty.Receive(kSetDual.size(), 5000);
            if (noise)
                pty.Send(Bytes{0x02, 0x03});
            sync = pty.Receive(kDacQuery.size(), 5000);
            std::this_thread::sleep_for(100ms);
            pty.Send(Join({kAck, kDacReply}));   // the set's, late, then the sync's
            burn = pty.Receive(kBurnSize, 5000); // never answered
        });
        SetDual();
        EXPECT_FALSE(packet.WaitAck(100));
        Burn();
        EXPECT_FALSE(packet.WaitAck(100));
        controller.join();
        EXPECT_EQ(set, kSetDual);
        EXPECT_EQ(sync, kDacQuery);
        ExpectBurn(burn);
        // Paid by the next request's sync, which the controller answers.
        std::thread answer([&] {
            pty.Receive(kDacQuery.size() + kStop.size(), 5000);
            pty.Send(Join({kDacReply, kAck}));
        });
        packet.SendCommand(116);
        EXPECT_TRUE(packet.WaitAck(5000));
        answer.join();
    }
}

TEST_F(PacketPty, TheSetsAckTwiceNeverAcknowledgesTheBurn) {
    Bytes burn;
    std::thread controller([&] {
        pty.Receive(kSetDual.size(), 5000);
        pty.Send(Join({kAck, kAck}));
        pty.Receive(kDacQuery.size(), 5000);
        pty.Send(kDacReply);
        burn = pty.Receive(kBurnSize, 5000); // never answered
    });
    SetDual();
    EXPECT_TRUE(packet.WaitAck(5000));
    Burn();
    EXPECT_FALSE(packet.WaitAck(100));
    controller.join();
    ExpectBurn(burn);
}

TEST_F(PacketPty, TwoLostRepliesThenFivePromptSetsAllSucceed) {
    std::atomic<int> requests{0};
    std::atomic<bool> stop{false};
    Bytes seen;
    std::mutex seenLock;
    std::thread controller([&] {
        // Loses the first two requests (the second with its DAC read), then answers
        // every request at once, in order.
        Bytes pending;
        while (!stop) {
            Bytes got = pty.Receive(1, 20);
            std::lock_guard<std::mutex> lock(seenLock);
            seen.insert(seen.end(), got.begin(), got.end());
            pending.insert(pending.end(), got.begin(), got.end());
            for (auto etx = std::find(pending.begin(), pending.end(), 0x03); etx != pending.end();
                 etx = std::find(pending.begin(), pending.end(), 0x03)) {
                const bool sync = pending[1] == 0x6B || pending[1] == 0x6E;
                const uint8_t code = pending[1];
                pending.erase(pending.begin(), etx + 1);
                if (++requests <= 3)
                    continue;
                pty.Send(!sync          ? kAck
                         : code == 0x6B ? kDacReply
                                        : Bytes{0x02, 0x6E, 0x01, 0x91, 0x03});
            }
        }
    });
    SetDual();
    EXPECT_FALSE(packet.WaitAck(50));
    SetDual(); // with its DAC read
    EXPECT_FALSE(packet.WaitAck(50));
    for (int i = 0; i < 5; ++i) {
        SetDual();
        EXPECT_TRUE(packet.WaitAck(5000)) << i;
    }
    stop = true;
    controller.join();
    // The first prompt set went alone; the one after it paid with a board-information read.
    const Bytes info{0x02, 0x6E, 0x92, 0x03};
    EXPECT_EQ(seen, Join({kSetDual, kDacQuery, kSetDual, kSetDual, info, kSetDual, kSetDual,
                          kSetDual, kSetDual}));
}

TEST_F(PacketPty, AControllerThatIsGoneCostsEachRequestOnlyItsOwnWait) {
    // Two requests lost, the second with its DAC read: from then on requests go alone,
    // no sync query burnt on each, until a frame comes.
    for (int i = 0; i < 5; ++i) {
        packet.SendCommand(116);
        EXPECT_FALSE(packet.WaitAck(30));
    }
    EXPECT_EQ(pty.Receive(6 * 4, 5000), Join({kStop, kDacQuery, kStop, kStop, kStop, kStop}));
    // Back: the prompt ACK is taken.
    packet.SendCommand(116);
    EXPECT_EQ(pty.Receive(4, 5000), kStop);
    ASSERT_TRUE(pty.Send(kAck));
    EXPECT_TRUE(packet.WaitAck(5000));
}

TEST_F(PacketPty, ABurnWhoseSyncQueryGoesUnansweredIsNeverWritten) {
    Burn();
    EXPECT_EQ(pty.Receive(4, 5000), kDacQuery);
    // Even an ACK arriving now does not make the refused burn a success.
    ASSERT_TRUE(pty.Send(kAck));
    EXPECT_FALSE(packet.WaitAck(2000));
    EXPECT_TRUE(pty.Drain().empty());
    // The sync reply comes late; the next burn syncs again and is written.
    ASSERT_TRUE(pty.Send(kDacReply));
    std::thread controller([&] {
        const Bytes sync = pty.Receive(4, 5000);
        pty.Send(sync == kDacQuery ? kDacReply : Bytes{0x02, 0x6E, 0x01, 0x91, 0x03});
        pty.Receive(kBurnSize, 5000);
        pty.Send(kAck);
    });
    Burn();
    EXPECT_TRUE(packet.WaitAck(5000));
    controller.join();
}

TEST_F(PacketPty, ABadChecksumBoxNeverHoldsTheReadThreadAndIsNotRepeatedWhilePending) {
    platform::ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });
    packet.SendCommand(110);
    // Three corrupted frames, then the reply: taken while the box is still queued.
    ASSERT_TRUE(pty.Send(Join({kBadAck, kBadAck, kBadAck})));
    ASSERT_TRUE(pty.Send(Bytes{0x02, 0x6E, 0x01, 0x91, 0x03}));
    EXPECT_TRUE(packet.WaitReply(110, 5000));
    ASSERT_TRUE(queued.Wait(5000));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(platform::ServicePendingMessageBoxes(), 1);
    EXPECT_EQ(boxes.Count("Invaild Checksum"), 1u);
    // Closed: the next corrupted frame raises the box again.
    queued.Reset();
    ASSERT_TRUE(pty.Send(kBadAck));
    ASSERT_TRUE(queued.Wait(5000));
    // A packet that goes while its box is still queued: the box shows afterwards.
    {
        CPacket gone;
        std::thread reader(
            [&] { gone.OnReceive(kBadAck.data(), static_cast<int>(kBadAck.size())); });
        reader.join();
    }
    EXPECT_EQ(platform::ServicePendingMessageBoxes(), 2);
    EXPECT_EQ(boxes.Count("Invaild Checksum"), 3u);
    packet.Close(); // the read thread may still be in the wake-up that set `queued`
    platform::ReleaseMessageBoxOwner();
}

TEST_F(PacketPty, AStreamOfFramesNeverChangesTheAcceptedReply) {
    std::atomic<bool> stop{false};
    std::thread controller([&] {
        pty.Receive(4, 5000);
        pty.Send(Bytes{0x02, 0x6E, 0x34, 0x12, 0x4C, 0x03}); // word 0x1234
        while (!stop) {
            pty.Send(Bytes{0x02, 0x6E, 0xEF, 0xBE, 0xE5, 0x03}); // word 0xBEEF
            std::this_thread::sleep_for(200us);
        }
    });
    packet.SendCommand(110);
    ASSERT_TRUE(packet.WaitReply(110, 5000));
    for (int i = 0; i < 2000; ++i) {
        ASSERT_EQ(packet.ReplyWord(2), 0x1234) << i;
        uint8_t word[2];
        ASSERT_EQ(packet.CopyReply(110, word, 2), 2);
        ASSERT_EQ(word[0], 0x34);
    }
    stop = true;
    controller.join();
    EXPECT_TRUE(boxes.Boxes().empty());
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
    EXPECT_EQ(pty.Receive(4, 5000), kStop);

    // Simulation needs no port at all.
    CPacket closed;
    closed.m_bDemo = true;
    closed.SendCommand(116);
    EXPECT_TRUE(closed.WaitAck(1000));
}
