// The radiometer reader under a simulated head: the controller link sets the
// head's output, the simulated meter sees it through its lag, and the reader
// follows it to a stable reading.
#include "link/SensorComm.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

#include "controller_sim_support.h"
#include "tests/support/PtyPair.h"
#include "tests/support/WatchedMeter.h"
#include "tools/sim/Radiometer.h"

namespace {

using namespace std::chrono_literals;

// The simulated radiometer under head A of a simulated controller, a line every 20 ms,
// settling 0.15 s after a change, read by the program's meter.
struct MeterUnderHeadA {
    static sim::RadiometerOptions Options() {
        sim::RadiometerOptions opt;
        opt.interval = 20ms;
        opt.baud = 0;
        opt.settleSeconds = 0.15;
        opt.noiseMicroWatts = 150.0;
        return opt;
    }
    // Starts the radiometer and opens the meter on it; false (a test failure
    // recorded) when either does not come up.
    bool Start() {
        const bool started = radiometer.Start();
        EXPECT_TRUE(started) << radiometer.LastError();
        return started && meter.Open(radiometer.PortPath().c_str());
    }
    SimBoard box;
    sim::Radiometer radiometer{[this] { return box.sim.OpticalOutput(0); }, Options()};
    testing_support::WatchedMeter meter;
};

TEST(RadiometerUnderHead, ReadingTracksTheHeadAndSettlesAfterEachChange) {
    MeterUnderHeadA rig;
    ASSERT_TRUE(rig.Start());
    SimBoard& box = rig.box;
    const sim::Controller& controller = box.sim;
    testing_support::WatchedMeter& meter = rig.meter;
    auto settledAt = [&](double mw) {
        // Reading and flag of one line: read apart, a new reading could meet
        // the flag of the window before it.
        const CSensorComm::Window window = meter.LatestWindow();
        return window.stable && std::fabs(window.reading - mw * 1000.0) < 1500.0;
    };
    ASSERT_TRUE(testing_support::WaitFor([&] { return settledAt(0.0); }));

    double previous = 0.0;
    for (uint16_t index : {120, 30, 90}) {
        meter.sawUnstable = false;
        const uint32_t linesBefore = meter.m_nLines.load();
        ASSERT_TRUE(box.board.SetIndex(0, index));
        const double mw = controller.OpticalOutput(0);
        ASSERT_GT(std::fabs(mw - previous), 20.0) << "index " << index;
        ASSERT_TRUE(testing_support::WaitFor([&] { return settledAt(mw); }))
            << "index " << index << ": " << meter.m_fReading.load() << " for " << mw;
        EXPECT_TRUE(meter.sawUnstable.load()) << "index " << index;
        // Ten readings make the window: counted in readings, not in time (a
        // busy machine may hand several queued lines over at once).
        EXPECT_GE(meter.m_nLines.load() - linesBefore, 10u) << "index " << index;
        previous = mw;
    }

    ASSERT_TRUE(box.board.HeadOff(0));
    EXPECT_TRUE(testing_support::WaitFor([&] { return settledAt(0.0); }));
}

// A head far brighter than the window's 5.5 mW/cm² settles like any other.
TEST(RadiometerUnderHead, ABrightHeadSettlesToo) {
    MeterUnderHeadA rig;
    rig.box.sim.SetOptics(0, sim::BrightOptics());
    ASSERT_TRUE(rig.Start());
    SimBoard& box = rig.box;
    const sim::Controller& controller = box.sim;
    CSensorComm& meter = rig.meter;
    ASSERT_TRUE(box.board.SetIndex(0, 255));
    const double mw = controller.OpticalOutput(0);
    ASSERT_GT(mw, 150.0);
    EXPECT_TRUE(testing_support::WaitFor([&] {
        // Reading and flag of one line: read apart, a new reading could meet
        // the flag of the window before it.
        const CSensorComm::Window window = meter.LatestWindow();
        return window.stable && std::fabs(window.reading - mw * 1000.0) < 1500.0;
    })) << meter.m_fReading.load()
        << " for " << mw << " mW/cm2, spread " << meter.m_fSpread.load();
}

} // namespace
