#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/SerialDevice.h"
#include "tests/support/PtyPair.h"

using platform::IoStatus;
using platform::LineSettings;
using platform::Parity;
using platform::SerialDevice;
using testing_support::Bytes;
using testing_support::ElapsedMs;
using testing_support::PtyPair;
using Clock = std::chrono::steady_clock;

namespace {

LineSettings Line(uint32_t baud, int dataBits, Parity parity, int stopBits) {
    LineSettings s;
    s.baud = baud;
    s.dataBits = dataBits;
    s.parity = parity;
    s.stopBits = stopBits;
    return s;
}

void ExpectSame(const LineSettings& a, const LineSettings& b) {
    EXPECT_EQ(a.baud, b.baud);
    EXPECT_EQ(a.dataBits, b.dataBits);
    EXPECT_EQ(a.parity, b.parity);
    EXPECT_EQ(a.stopBits, b.stopBits);
}

} // namespace

TEST(SerialDevicePty, SecondOpenOfAHeldPortFailsUntilTheFirstCloses) {
    PtyPair pty;
    SerialDevice first, second;
    ASSERT_EQ(first.Open(pty.Path().c_str()), 0);
    int error = second.Open(pty.Path().c_str());
    EXPECT_TRUE(error == EWOULDBLOCK || error == EBUSY) << error;
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_EQ(second.Open(pty.Path().c_str()), 0);
    // Opening again on the same object closes the old descriptor first.
    EXPECT_EQ(second.Open(pty.Path().c_str()), 0);
    EXPECT_NE(first.Open(pty.Path().c_str()), 0);
}

TEST(SerialDevicePty, LineSettingsAreAppliedAndReadBack) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    for (const LineSettings& s :
         {Line(115200, 8, Parity::None, 1), Line(1200, 8, Parity::None, 2),
          Line(9600, 8, Parity::None, 1), Line(4000000, 8, Parity::None, 2)}) {
        ASSERT_EQ(device.Configure(s), 0) << s.baud;
        LineSettings back;
        ASSERT_EQ(device.GetSettings(back), 0);
        ExpectSame(back, s);
    }
    // A pseudo-terminal always carries 8 bits without parity: reading back shows that the
    // driver did not take these, and that is reported instead of passing for success.
    for (const LineSettings& s :
         {Line(9600, 7, Parity::Even, 1), Line(19200, 8, Parity::Odd, 2),
          Line(2400, 8, Parity::Mark, 1), Line(4800, 5, Parity::Space, 1)}) {
        EXPECT_EQ(device.Configure(s), EIO) << s.baud;
    }
    ASSERT_EQ(device.Configure(Line(1200, 8, Parity::None, 2)), 0);

    // Invalid settings are refused and leave the line as it was.
    LineSettings before;
    ASSERT_EQ(device.GetSettings(before), 0);
    for (const LineSettings& bad : {Line(12345, 8, Parity::None, 1), Line(0, 8, Parity::None, 1),
                                    Line(9600, 9, Parity::None, 1), Line(9600, 4, Parity::None, 1),
                                    Line(9600, 8, Parity::None, 3), Line(9600, 8, Parity::None, 0),
                                    Line(9600, 8, static_cast<Parity>('X'), 1)}) {
        EXPECT_EQ(device.Configure(bad), EINVAL) << bad.baud << " " << bad.dataBits;
    }
    LineSettings after;
    ASSERT_EQ(device.GetSettings(after), 0);
    ExpectSame(after, before);

    // A pseudo-terminal has no modem lines: that is reported, not treated as a failure.
    int rts = device.SetRts(true);
    EXPECT_TRUE(rts == 0 || rts == ENOTSUP) << rts;
    rts = device.SetRts(false);
    EXPECT_TRUE(rts == 0 || rts == ENOTSUP) << rts;
}

TEST(SerialDevicePty, RawModePassesEveryByteUnchangedBothWays) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    ASSERT_EQ(device.Configure(Line(115200, 8, Parity::None, 1)), 0);
    Bytes all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);

    ASSERT_TRUE(pty.Send(all));
    Bytes got;
    uint8_t buf[512];
    auto start = Clock::now();
    while (got.size() < all.size() && ElapsedMs(start) < 30000) {
        platform::IoResult r = device.Read(buf, sizeof buf, 10000);
        ASSERT_EQ(r.status, IoStatus::Ok);
        got.insert(got.end(), buf, buf + r.count);
    }
    EXPECT_EQ(got, all);
    // Nothing was echoed back to the sender.
    EXPECT_TRUE(pty.Drain().empty());

    platform::IoResult w = device.Write(all.data(), all.size(), 2000);
    EXPECT_EQ(w.status, IoStatus::Ok);
    EXPECT_EQ(w.count, all.size());
    EXPECT_EQ(pty.Receive(all.size(), 5000), all);
}

TEST(SerialDevicePty, ReadReturnsAsSoonAsBytesArriveAndTimesOutOtherwise) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    ASSERT_EQ(device.Configure(LineSettings{}), 0);
    uint8_t buf[64];

    auto start = Clock::now();
    platform::IoResult r = device.Read(buf, sizeof buf, 150);
    EXPECT_EQ(r.status, IoStatus::Timeout);
    EXPECT_GE(ElapsedMs(start), 140);

    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.Send(Bytes{1, 2, 3});
    });
    start = Clock::now();
    r = device.Read(buf, sizeof buf, 60000);
    long waited = ElapsedMs(start);
    sender.join();
    ASSERT_EQ(r.status, IoStatus::Ok);
    EXPECT_GE(r.count, 1u);
    // Far below the minute allowed: the read ends with the bytes, not with the timeout.
    EXPECT_LT(waited, 30000);
}

TEST(SerialDevicePty, InterruptEndsAWaitAtOnceAndStaysUntilCleared) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    uint8_t buf[16];
    platform::IoResult r;
    std::thread reader([&] { r = device.Read(buf, sizeof buf, 30000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto start = Clock::now();
    device.Interrupt();
    reader.join();
    EXPECT_EQ(r.status, IoStatus::Interrupted);
    EXPECT_LT(ElapsedMs(start), 5000);

    EXPECT_EQ(device.WaitReadable(30000).status, IoStatus::Interrupted);
    EXPECT_FALSE(device.Pause(30000));
    device.ClearInterrupt();
    EXPECT_TRUE(device.Pause(10));
    EXPECT_EQ(device.WaitReadable(20).status, IoStatus::Timeout);
    // Open clears a pending interrupt.
    device.Interrupt();
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    EXPECT_EQ(device.Read(buf, sizeof buf, 20).status, IoStatus::Timeout);
}

TEST(SerialDevicePty, QueuedBytesAndPurge) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    ASSERT_EQ(device.Configure(LineSettings{}), 0);
    ASSERT_TRUE(pty.Send(Bytes(40, 0x55)));
    size_t queued = 0;
    auto start = Clock::now();
    while (queued < 40 && ElapsedMs(start) < 5000) {
        ASSERT_EQ(device.QueuedBytes(queued), 0);
    }
    EXPECT_EQ(queued, 40u);
    EXPECT_EQ(device.Purge(), 0);
    ASSERT_EQ(device.QueuedBytes(queued), 0);
    EXPECT_EQ(queued, 0u);
    uint8_t buf[64];
    EXPECT_EQ(device.Read(buf, sizeof buf, 30).status, IoStatus::Timeout);
}

TEST(SerialDevicePty, HungUpLineFailsAtOnce) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    ASSERT_EQ(device.Configure(LineSettings{}), 0);
    pty.CloseMaster();
    uint8_t buf[16];
    auto start = Clock::now();
    platform::IoResult r = device.Read(buf, sizeof buf, 30000);
    EXPECT_EQ(r.status, IoStatus::FailedAtOnce);
    EXPECT_NE(r.error, 0);
    EXPECT_LT(ElapsedMs(start), 5000);
    EXPECT_NE(device.Write(buf, sizeof buf, 100).status, IoStatus::Ok);
}

TEST(SerialDevicePty, WriteGivesUpWhenNobodyReads) {
    PtyPair pty;
    SerialDevice device;
    ASSERT_EQ(device.Open(pty.Path().c_str()), 0);
    ASSERT_EQ(device.Configure(LineSettings{}), 0);
    // Far more than the pseudo-terminal buffers while the master side reads nothing.
    Bytes big(1 << 20, 0x41);
    auto start = Clock::now();
    platform::IoResult r = device.Write(big.data(), big.size(), 200);
    EXPECT_EQ(r.status, IoStatus::Timeout);
    EXPECT_LT(r.count, big.size());
    EXPECT_LT(ElapsedMs(start), 5000);
}
