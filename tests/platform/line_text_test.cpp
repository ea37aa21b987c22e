#include "platform/LineText.h"
#include "platform/PollableEvent.h"

#include <chrono>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using platform::LineSettings;
using platform::Parity;

TEST(LineText, AppliesTheRadiometerLine) {
    LineSettings s; // 115200 8N1
    ASSERT_TRUE(platform::BuildLineSettings("baud=1200 parity=N data=8 stop=2", s));
    EXPECT_EQ(s.baud, 1200u);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 2);
}

TEST(LineText, KeysInAnyCaseAndOrderChangeOnlyWhatTheyName) {
    LineSettings s;
    ASSERT_TRUE(platform::BuildLineSettings("  STOP=2\tParity=e  ", s));
    EXPECT_EQ(s.baud, 115200u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, Parity::Even);
    EXPECT_EQ(s.stopBits, 2);
    for (char letter : {'O', 'M', 's'}) {
        std::string text = std::string("parity=") + letter;
        ASSERT_TRUE(platform::BuildLineSettings(text.c_str(), s)) << text;
    }
    EXPECT_EQ(s.parity, Parity::Space);
}

TEST(LineText, RefusesBadTextAndLeavesTheSettings) {
    for (const char* bad : {"", "   ", "baud=", "baud=12x", "baud=-1", "baud=0", "parity=X",
                            "parity=NN", "data=4", "data=9", "stop=0", "stop=3", "stop=1.5",
                            "speed=1200", "baud 1200", "baud=1200 parity=Q"}) {
        LineSettings s;
        s.baud = 9600;
        EXPECT_FALSE(platform::BuildLineSettings(bad, s)) << '"' << bad << '"';
        EXPECT_EQ(s.baud, 9600u) << bad;
        EXPECT_EQ(s.parity, Parity::None) << bad;
    }
    LineSettings s;
    EXPECT_FALSE(platform::BuildLineSettings(nullptr, s));
}

TEST(PollableEvent, ManualResetAndWaitSetOrder) {
    platform::PollableEvent a, b;
    ASSERT_EQ(a.Create(), 0);
    ASSERT_EQ(b.Create(), 0);
    const int set[3] = {a.Handle(), -1, b.Handle()};
    EXPECT_EQ(platform::WaitForAny(set, 3, 0), platform::kWaitTimeout);
    b.Set();
    b.Set();
    EXPECT_TRUE(b.IsSet());
    EXPECT_EQ(platform::WaitForAny(set, 3, 0), 2);
    EXPECT_EQ(platform::WaitForAny(set, 3, 0), 2); // stays set until reset
    a.Set();
    EXPECT_EQ(platform::WaitForAny(set, 3, 0), 0); // the lowest ready handle wins
    a.Reset();
    b.Reset();
    EXPECT_FALSE(b.IsSet());
    EXPECT_EQ(a.Create(), 0); // an existing event is only reset
    EXPECT_EQ(a.Handle(), set[0]);

    std::atomic<bool> setting{false};
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        setting = true;
        b.Set();
    });
    EXPECT_EQ(platform::WaitForAny(set, 3, platform::kWaitInfinite), 2);
    EXPECT_TRUE(setting.load()); // it waited for the other thread
    setter.join();
}

} // namespace
