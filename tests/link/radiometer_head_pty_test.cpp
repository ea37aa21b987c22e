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
#include "tools/sim/Radiometer.h"

namespace {

using namespace std::chrono_literals;

TEST(RadiometerUnderHead, ReadingTracksTheHeadAndSettlesAfterEachChange) {
    SimBoard box;
    sim::RadiometerOptions opt;
    opt.interval = 20ms;
    opt.baud = 0;
    opt.settleSeconds = 0.15;
    opt.noiseMicroWatts = 150.0;
    const sim::Controller& controller = box.sim;
    sim::Radiometer radiometer([&controller] { return controller.OpticalOutput(0); }, opt);
    ASSERT_TRUE(radiometer.Start()) << radiometer.LastError();

    CSensorComm meter;
    ASSERT_TRUE(meter.Open(radiometer.PortPath().c_str()));
    auto settledAt = [&](double mw) {
        return meter.m_bStable.load() && std::fabs(meter.m_fReading.load() - mw * 1000.0) < 1500.0;
    };
    ASSERT_TRUE(testing_support::WaitFor([&] { return settledAt(0.0); }));

    double previous = 0.0;
    for (uint16_t index : {120, 30, 90}) {
        ASSERT_TRUE(box.board.SetIndex(0, index));
        const double mw = controller.OpticalOutput(0);
        ASSERT_GT(std::fabs(mw - previous), 20.0) << "index " << index;
        const auto change = std::chrono::steady_clock::now();
        EXPECT_TRUE(testing_support::WaitFor([&] { return !meter.m_bStable.load(); }, 10s))
            << "index " << index;
        ASSERT_TRUE(testing_support::WaitFor([&] { return settledAt(mw); }))
            << "index " << index << ": " << meter.m_fReading.load() << " for " << mw;
        // Ten readings 20 ms apart make the window; a busy machine may hand several
        // queued lines over at once, so only half of that is a safe lower bound.
        EXPECT_GT(std::chrono::steady_clock::now() - change, 100ms) << "index " << index;
        previous = mw;
    }

    ASSERT_TRUE(box.board.HeadOff(0));
    EXPECT_TRUE(testing_support::WaitFor([&] { return settledAt(0.0); }));
}

// A head far brighter than the window's 5.5 mW/cm² settles like any other.
TEST(RadiometerUnderHead, ABrightHeadSettlesToo) {
    SimBoard box;
    box.sim.SetOptics(0, sim::BrightOptics());
    sim::RadiometerOptions opt;
    opt.interval = 20ms;
    opt.baud = 0;
    opt.settleSeconds = 0.15;
    opt.noiseMicroWatts = 150.0;
    const sim::Controller& controller = box.sim;
    sim::Radiometer radiometer([&controller] { return controller.OpticalOutput(0); }, opt);
    ASSERT_TRUE(radiometer.Start()) << radiometer.LastError();

    CSensorComm meter;
    ASSERT_TRUE(meter.Open(radiometer.PortPath().c_str()));
    ASSERT_TRUE(box.board.SetIndex(0, 255));
    const double mw = controller.OpticalOutput(0);
    ASSERT_GT(mw, 150.0);
    EXPECT_TRUE(testing_support::WaitFor([&] {
        return meter.m_bStable.load() && std::fabs(meter.m_fReading.load() - mw * 1000.0) < 1500.0;
    })) << meter.m_fReading.load()
        << " for " << mw << " mW/cm2, spread " << meter.m_fSpread.load();
}

} // namespace
