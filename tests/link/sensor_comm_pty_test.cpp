// The radiometer reader on a pseudo-terminal: a hand-fed line, reopening,
// the user-interface thread reading while lines arrive, and the simulated
// meter.
#include "link/SensorComm.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "tests/support/PtyPair.h"
#include "tests/support/WatchedMeter.h"
#include "tools/sim/Radiometer.h"

namespace {

using namespace std::chrono_literals;
using testing_support::BoxRecorder;
using testing_support::PtyPair;
using testing_support::WaitFor;

bool Listening(const CSensorComm& s) {
    return WaitFor([&] { return s.m_bListening.load() == 1; });
}

// True once the listening thread has read everything queued. Bytes of one
// write reach the line together, so once any of them was handled this tells
// that all were.
bool Drained(const PtyPair& pty) {
    return WaitFor([&] {
        int queued = 0;
        return ::ioctl(pty.Slave(), FIONREAD, &queued) == 0 && queued == 0;
    });
}

TEST(SensorCommPty, OpenUsesTheRadiometerLineAndReadsItsLines) {
    BoxRecorder boxes;
    PtyPair pty;
    CSensorComm meter;
    ASSERT_TRUE(meter.Open(pty.Path().c_str()));
    EXPECT_EQ(meter.m_dcb.line.baud, 1200u);
    EXPECT_EQ(meter.m_dcb.line.stopBits, 2);
    EXPECT_EQ(meter.m_dwEventMask, EV_RXCHAR | EV_CTS);
    EXPECT_EQ(meter.m_nSendBufferSize, 1024);
    ASSERT_TRUE(Listening(meter));
    pty.Send("0.0125\r\n");
    // The listening thread stores the reading before the flag: the two are
    // taken together, once the line has been counted.
    ASSERT_TRUE(WaitFor([&] { return meter.LatestWindow().lines == 1; }));
    const CSensorComm::Window window = meter.LatestWindow();
    EXPECT_EQ(window.reading, 12500.0f);
    EXPECT_FALSE(window.stable); // the other nine readings are still 0
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(SensorCommPty, OpenFailsOnAMissingPortWithoutStartingTheThread) {
    BoxRecorder boxes;
    CSensorComm meter;
    EXPECT_FALSE(meter.Open("/dev/no-such-radiometer"));
    EXPECT_EQ(meter.m_pListenThread, nullptr);
    EXPECT_FALSE(meter.m_bOpen);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(SensorCommPty, ReopeningKeepsTheHistoryAndCompletesTheHalfLine) {
    PtyPair pty;
    CSensorComm meter;
    ASSERT_TRUE(meter.Open(pty.Path().c_str()));
    ASSERT_TRUE(Listening(meter));
    pty.Send("0.001\n0.00");
    ASSERT_TRUE(WaitFor([&] { return meter.m_fReading.load() == 1000.0f; }));
    ASSERT_TRUE(Drained(pty));
    meter.Close();
    EXPECT_EQ(meter.m_nLineLen, 4);
    EXPECT_FLOAT_EQ(meter.m_fReading.load(), 1000.0f);

    ASSERT_TRUE(meter.Open(pty.Path().c_str()));
    ASSERT_TRUE(Listening(meter));
    pty.Send("4\n");
    ASSERT_TRUE(WaitFor([&] { return meter.m_fReading.load() == 4000.0f; }));
    meter.Close();
    EXPECT_FLOAT_EQ(meter.m_history[8], 1000.0f);
    EXPECT_FLOAT_EQ(meter.m_history[9], 4000.0f);
    EXPECT_EQ(meter.m_strLine, "0.004");
}

TEST(SensorCommPty, AWordIsNoReadingAndABrightReadingSettles) {
    PtyPair pty;
    CSensorComm meter;
    ASSERT_TRUE(meter.Open(pty.Path().c_str()));
    ASSERT_TRUE(Listening(meter));
    std::string lines;
    for (int i = 0; i < 9; ++i)
        lines += "0.003000\n";
    pty.Send(lines + "OVER\n");
    ASSERT_TRUE(WaitFor([&] { return meter.m_nLines.load() == 9; }));
    ASSERT_TRUE(Drained(pty));
    meter.Close(); // every byte handled
    EXPECT_EQ(meter.m_fReading.load(), 3000.0f);
    EXPECT_TRUE(meter.m_bStable.load());
    EXPECT_EQ(meter.m_nLines.load(), 9u);
    EXPECT_EQ(meter.m_strLine, "OVER");

    // 150 mW/cm², twelve times over: settled at 150000 µW/cm².
    ASSERT_TRUE(meter.Open(pty.Path().c_str()));
    ASSERT_TRUE(Listening(meter));
    lines.clear();
    for (int i = 0; i < 12; ++i)
        lines += "0.150\n";
    pty.Send(lines);
    ASSERT_TRUE(WaitFor([&] { return meter.m_nLines.load() == 21; }));
    EXPECT_EQ(meter.m_fReading.load(), 150000.0f);
    EXPECT_TRUE(meter.m_bStable.load());
    EXPECT_EQ(meter.m_fSpread.load(), 0.0f);
}

TEST(SensorCommPty, TheUserInterfaceThreadReadsWhileLinesArrive) {
    PtyPair pty;
    CSensorComm meter;
    ASSERT_TRUE(meter.Open(pty.Path().c_str()));
    ASSERT_TRUE(Listening(meter));
    std::atomic<bool> done{false};
    std::thread sender([&] {
        for (int i = 1; i <= 200; ++i)
            pty.Send(i % 2 ? "0.010\n" : "0.020\n");
        pty.Send("0.0125\n");
        done = true;
    });
    // Once the second line is in, no ten readings agree while 10000 and 20000 alternate:
    // the reader must never see a stable one, wherever its polls fall between updates.
    bool started = false, everStable = false;
    const bool last = WaitFor(
        [&] {
            const float reading = meter.m_fReading.load();
            const bool stable = meter.m_bStable.load();
            started |= reading == 20000.0f;
            everStable |= started && stable;
            return done && reading == 12500.0f;
        },
        20s);
    sender.join();
    EXPECT_TRUE(last);
    EXPECT_FALSE(everStable);
    EXPECT_FALSE(meter.m_bStable.load());
}

TEST(SensorCommPty, DestroyedWhileListening) {
    PtyPair pty;
    for (int i = 0; i < 20; ++i) {
        CSensorComm meter;
        ASSERT_TRUE(meter.Open(pty.Path().c_str()));
        pty.Send("0.001\n");
    }
}

// The reader against the simulated meter, whose reading follows an optical
// output through the detector's lag.
TEST(SensorCommPty, FollowsTheSimulatedMeterAndSettlesAfterAChange) {
    std::atomic<double> output{20.0}; // mW/cm²
    sim::RadiometerOptions opt;
    opt.interval = 20ms;
    opt.baud = 0;
    opt.settleSeconds = 0.15;
    opt.noiseMicroWatts = 200.0;
    opt.style = {sim::ReadingForm::Exponent, true, true};
    sim::Radiometer radiometer([&] { return output.load(); }, opt);
    ASSERT_TRUE(radiometer.Start()) << radiometer.LastError();

    BoxRecorder boxes;
    testing_support::WatchedMeter meter;
    ASSERT_TRUE(meter.Open(radiometer.PortPath().c_str()));
    auto settled = [&](float microWatts) {
        const CSensorComm::Window window = meter.LatestWindow();
        return window.stable && std::fabs(window.reading - microWatts) < 1500.0f;
    };
    ASSERT_TRUE(WaitFor([&] { return settled(20000.0f); }));

    meter.sawUnstable = false;
    const uint32_t linesBefore = meter.m_nLines.load();
    output = 80.0;
    ASSERT_TRUE(WaitFor([&] { return settled(80000.0f); })); // it does settle
    EXPECT_TRUE(meter.sawUnstable.load()) << "the change made it unstable on the way";
    // Stable only once ten readings lie close together after the lag:
    // counted in readings, which a loaded machine cannot hurry.
    EXPECT_GE(meter.m_nLines.load() - linesBefore, 10u);
    // And it stays stable while the output holds.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(settled(80000.0f));
    EXPECT_TRUE(boxes.Boxes().empty());
}

} // namespace
