#include "tools/sim/Radiometer.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(RadiometerLine, FormsAMeterMaySend) {
    sim::LineStyle plain;
    EXPECT_EQ(sim::FormatReadingLine(0.0125, plain), "0.012500\n");

    sim::LineStyle exp{sim::ReadingForm::Exponent, false, false};
    EXPECT_EQ(sim::FormatReadingLine(0.0125, exp), "1.250E-02\n");

    sim::LineStyle all{sim::ReadingForm::Exponent, true, true};
    EXPECT_EQ(sim::FormatReadingLine(0.0125, all), "1.250E-02 W/cm\xB2\r\n");

    // A dark reading dipping below zero is sent as zero.
    EXPECT_EQ(sim::FormatReadingLine(-1e-6, plain), "0.000000\n");
}

TEST(RadiometerLine, EveryFormFitsTheReadersLineAndReadsBackInMicroWatts) {
    for (auto form : {sim::ReadingForm::Plain, sim::ReadingForm::Exponent}) {
        for (double w : {0.0, 4.2e-5, 0.0125, 0.98765, 12.5}) {
            std::string line = sim::FormatReadingLine(w, {form, true, true});
            ASSERT_LT(line.size() - 1, 31u) << line; // the reader keeps 31 characters
            EXPECT_NEAR(std::atof(line.c_str()) * 1e6, w * 1e6, w * 1e6 * 1e-3 + 1.0) << line;
        }
    }
}

TEST(RadiometerLine, ParsesStyleWords) {
    sim::LineStyle s;
    ASSERT_TRUE(sim::ParseLineStyle("exp+cr+unit", s));
    EXPECT_EQ(s.form, sim::ReadingForm::Exponent);
    EXPECT_TRUE(s.carriageReturn);
    EXPECT_TRUE(s.unit);
    ASSERT_TRUE(sim::ParseLineStyle("plain", s));
    EXPECT_EQ(s.form, sim::ReadingForm::Plain);
    EXPECT_FALSE(s.carriageReturn);
    EXPECT_FALSE(s.unit);
    for (const char* bad : {"", "cr", "plain+", "exp+volts", "plain+exp"}) {
        sim::LineStyle kept{sim::ReadingForm::Exponent, true, false};
        EXPECT_FALSE(sim::ParseLineStyle(bad, kept)) << bad;
        EXPECT_EQ(kept.form, sim::ReadingForm::Exponent);
        EXPECT_TRUE(kept.carriageReturn);
    }
}

TEST(SettlingLag, StartsSettledThenFollowsAStepWithItsTimeConstant) {
    sim::SettlingLag lag(1.0);
    EXPECT_DOUBLE_EQ(lag.Advance(100.0, 5.0), 100.0);
    EXPECT_NEAR(lag.Advance(200.0, 1.0), 200.0 - 100.0 * std::exp(-1.0), 1e-9);
    // Many small steps come to the same as one large one.
    sim::SettlingLag fine(1.0);
    fine.Advance(100.0, 0.0);
    for (int i = 0; i < 100; ++i)
        fine.Advance(200.0, 0.01);
    EXPECT_NEAR(fine.Value(), lag.Value(), 1e-9);
    EXPECT_DOUBLE_EQ(lag.Advance(0.0, -1.0), lag.Value()); // time never runs back

    sim::SettlingLag instant(0.0);
    instant.Advance(1.0, 0.1);
    EXPECT_DOUBLE_EQ(instant.Advance(7.0, 0.1), 7.0);
}

} // namespace
