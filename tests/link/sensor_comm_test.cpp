// The radiometer reader's line handling, fed byte by byte as the listening
// thread does.
#include "link/SensorComm.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

void Feed(CSensorComm& s, const std::string& bytes) {
    for (char c : bytes)
        s.OnReceiveChar(c);
}

TEST(SensorCommLine, BeforeAnyLineTheReadingIsOnePointFiveAndStable) {
    CSensorComm s;
    EXPECT_FLOAT_EQ(s.m_fReading.load(), 1.5f);
    EXPECT_TRUE(s.m_bStable.load());
    EXPECT_EQ(s.m_nLineLen, 0);
    Feed(s, "0.0125"); // no LF yet: nothing changes
    EXPECT_FLOAT_EQ(s.m_fReading.load(), 1.5f);
    EXPECT_EQ(s.m_nLineLen, 6);
}

TEST(SensorCommLine, ConvertsWattsToMicroWattsWhateverTrailsTheNumber) {
    struct Case {
        const char* line;
        float microWatts;
    } cases[] = {
        {"0.0125\r\n", 12500.0f}, {"1.5 E-3\n", 1500.0f},
        {"1.25E-02\n", 12500.0f}, {"1.250E-02 W/cm\xB2\r\n", 12500.0f},
        {" +0.004 \n", 4000.0f},  {".5E-6\n", 0.5f},
        {"5.\n", 5000000.0f},     {"-0.001\n", -1000.0f},
        {"0 . 0 0 2\n", 2000.0f}, {"0x1p-8\n", 0.0f}, // a 0 and then letters
    };
    for (const auto& c : cases) {
        CSensorComm s;
        Feed(s, c.line);
        EXPECT_FLOAT_EQ(s.m_fReading.load(), c.microWatts) << c.line;
        EXPECT_FLOAT_EQ(s.m_history[9], c.microWatts) << c.line;
        EXPECT_EQ(s.m_nLineLen, 0);
        EXPECT_EQ(s.m_strLine.find(' '), std::string::npos);
    }
    CSensorComm s;
    Feed(s, "0.0125\r\n");
    EXPECT_EQ(s.m_strLine, "0.0125\r");
}

TEST(SensorCommLine, KeepsTheFirstThirtyOneCharactersOfALongLine) {
    CSensorComm s;
    // 4 + 27 blanks fill the buffer; the exponent after them is dropped.
    std::string line = "0.01" + std::string(27, ' ') + "E+3456789";
    ASSERT_EQ(line.size(), 40u);
    Feed(s, line + "\n");
    EXPECT_FLOAT_EQ(s.m_fReading.load(), 10000.0f);
    EXPECT_EQ(s.m_strLine, "0.01");
    // The next line starts empty again.
    Feed(s, "0.002\n");
    EXPECT_FLOAT_EQ(s.m_fReading.load(), 2000.0f);
}

TEST(SensorCommLine, SpreadOverTheLastTenReadingsDecidesStability) {
    CSensorComm s;
    Feed(s, "0.004\n");
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 4000.0f); // the nine others are still 0
    EXPECT_TRUE(s.m_bStable.load());
    for (int i = 1; i < 10; ++i) {
        Feed(s, "0.004\n");
        if (i < 9) {
            EXPECT_FLOAT_EQ(s.m_fSpread.load(), 4000.0f) << i;
        }
    }
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 0.0f);
    EXPECT_TRUE(s.m_bStable.load());

    // Ten readings from 1000 to 7000: spread 6000, unstable.
    for (const char* l : {"0.001\n", "0.007\n", "0.002\n", "0.003\n", "0.004\n", "0.005\n",
                          "0.006\n", "0.0015\n", "0.0065\n", "0.0035\n"})
        Feed(s, l);
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 6000.0f);
    EXPECT_FALSE(s.m_bStable.load());
    EXPECT_FLOAT_EQ(s.m_history[0], 1000.0f);
    EXPECT_FLOAT_EQ(s.m_fReading.load(), 3500.0f);

    // 5500 exactly is still stable; the oldest reading falls out first.
    for (int i = 0; i < 9; ++i)
        Feed(s, "0.0065\n");
    Feed(s, "0.001\n");
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 5500.0f);
    EXPECT_TRUE(s.m_bStable.load());
}

TEST(SensorCommLine, TheSpreadIsThatOfTheTenReadingsAtAnyLevel) {
    CSensorComm s;
    // 0.150 W/cm² = 150000 µW/cm², far above the 99999.9 a window minimum once started from.
    Feed(s, "0.150\n");
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 150000.0f); // the nine others are still 0
    EXPECT_FALSE(s.m_bStable.load());
    for (int i = 1; i < 12; ++i)
        Feed(s, "0.150\n");
    EXPECT_FLOAT_EQ(s.m_fReading.load(), 150000.0f);
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 0.0f);
    EXPECT_TRUE(s.m_bStable.load());
    // A spread of 5500 is still stable there, one of 5600 is not.
    Feed(s, "0.1555\n");
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 5500.0f);
    EXPECT_TRUE(s.m_bStable.load());
    Feed(s, "0.1499\n");
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 5600.0f);
    EXPECT_FALSE(s.m_bStable.load());
    // Below zero too: ten readings of -1000 agree.
    for (int i = 0; i < 10; ++i)
        Feed(s, "-0.001\n");
    EXPECT_FLOAT_EQ(s.m_fSpread.load(), 0.0f);
    EXPECT_TRUE(s.m_bStable.load());
}

TEST(SensorCommLine, NumbersBeyondFloatBecomeInfiniteAndUnstable) {
    CSensorComm s;
    Feed(s, "1E300\n");
    EXPECT_TRUE(std::isinf(s.m_fReading.load()));
    EXPECT_FALSE(s.m_bStable.load());
    Feed(s, "-1E300\n");
    EXPECT_TRUE(std::isinf(s.m_fReading.load()));
    EXPECT_LT(s.m_fReading.load(), 0.0f);
}

} // namespace

namespace {

TEST(SensorCommLine, ALineWithoutANumberIsNoReading) {
    // Nine readings of 3000 µW/cm² and a word: still 3000 and stable, and no new reading
    // that a calibration point could take.
    CSensorComm s;
    for (int i = 0; i < 9; ++i)
        Feed(s, "0.003000\n");
    Feed(s, "OVER\n");
    EXPECT_EQ(s.m_fReading.load(), 3000.0f);
    EXPECT_TRUE(s.m_bStable.load());
    EXPECT_EQ(s.m_nLines.load(), 9u);
    EXPECT_EQ(s.m_history[0], 0.0f);
    EXPECT_EQ(s.m_history[9], 3000.0f);

    // Unsettled stays unsettled; lines that strtod would read as NaN, infinity or a
    // hexadecimal number are no numbers either, so no NaN reaches the window.
    Feed(s, "0.009\n");
    ASSERT_FALSE(s.m_bStable.load());
    const std::vector<float> before(s.m_history, s.m_history + 10);
    for (const char* none : {"\n", "\r\n", "OVER\n", "-\n", ".\n", "+.E3\n", "E-3\n", "nan\n",
                             "inf\n", "-INFINITY\n", "NAN(1)\n", "W/cm\xB2\n"}) {
        Feed(s, none);
        EXPECT_EQ(s.m_fReading.load(), 9000.0f) << none;
        EXPECT_EQ(s.m_fSpread.load(), 6000.0f) << none; // 3000 nine times, then 9000
        EXPECT_FALSE(s.m_bStable.load()) << none;
        EXPECT_EQ(std::vector<float>(s.m_history, s.m_history + 10), before) << none;
        EXPECT_EQ(s.m_nLines.load(), 10u) << none;
        EXPECT_EQ(s.m_nLineLen, 0) << none;
    }
    // Before any reading at all, the first values stand.
    CSensorComm fresh;
    Feed(fresh, "\nOVER\n");
    EXPECT_EQ(fresh.m_fReading.load(), 1.5f);
    EXPECT_TRUE(fresh.m_bStable.load());
    EXPECT_EQ(fresh.m_nLines.load(), 0u);
}

TEST(SensorCommWindow, AReaderOnAnotherThreadSeesOneLinesReadingAndCountTogether) {
    // Line k reads k mW/cm²: a reading that belongs to another line than the
    // count beside it shows at once.
    CSensorComm s;
    constexpr uint32_t kLines = 3000;
    std::thread listener([&] {
        for (uint32_t k = 1; k <= kLines; ++k)
            Feed(s, std::to_string(k) + "E-3\n");
    });
    uint32_t mixed = 0, seen = 0;
    for (CSensorComm::Window w = s.LatestWindow(); w.lines < kLines; w = s.LatestWindow()) {
        if (w.lines == 0)
            continue;
        ++seen;
        if (w.reading != static_cast<float>(w.lines) * 1000.0f)
            ++mixed;
    }
    listener.join();
    EXPECT_EQ(mixed, 0u) << "of " << seen;
    const CSensorComm::Window last = s.LatestWindow();
    EXPECT_EQ(last.reading, 3000000.0f);
    EXPECT_EQ(last.lines, kLines);
    EXPECT_FALSE(last.stable); // ten readings 1 mW/cm² apart: a spread of 9000 µW/cm²
}

} // namespace
