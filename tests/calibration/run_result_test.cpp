// The result of a calibration run: the two curves fitted to the recorded
// points in the order a, b, c, the step taken only from a report of the same
// points, what a new run discards, and what Burn writes into a record.
#include "calibration/RunResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Four points: index = 2 mW² + 1 over mW 1..4, and µW/cm² = 0.5 c² + 2 c + 3
// over counts 1..4 (the two curves need not agree for the fit).
struct Points {
    double setPoint[4] = {3, 9, 19, 33};
    double meterMw[4] = {1, 2, 3, 4};
    double headValue[4] = {1, 2, 3, 4};
    double meterUw[4] = {5.5, 9, 13.5, 19};
};

TEST(RunResult, FitsBothCurvesAsABAndCWithTheirRSquared) {
    const Points p;
    RunResult r;
    r.Fit(4, p.setPoint, p.headValue, p.meterUw, p.meterMw, 1);
    EXPECT_NEAR(r.photoToMw[0], 0.5f, 1e-4f);
    EXPECT_NEAR(r.photoToMw[1], 2.0f, 1e-4f);
    EXPECT_NEAR(r.photoToMw[2], 3.0f, 1e-4f);
    EXPECT_NEAR(r.mwToIndex[0], 2.0f, 1e-4f);
    EXPECT_NEAR(r.mwToIndex[1], 0.0f, 1e-4f);
    EXPECT_NEAR(r.mwToIndex[2], 1.0f, 1e-4f);
    EXPECT_NEAR(r.r2PhotoToMw, 1.0, 1e-9);
    EXPECT_NEAR(r.r2MwToIndex, 1.0, 1e-9);
    EXPECT_TRUE(r.Finite());
    EXPECT_FALSE(r.Complete()); // no step yet

    // No points: NaN curves and R², shown but never complete enough to burn.
    RunResult none;
    none.Fit(0, p.setPoint, p.headValue, p.meterUw, p.meterMw, 2);
    EXPECT_TRUE(std::isnan(none.photoToMw[0]));
    EXPECT_TRUE(std::isnan(none.r2MwToIndex));
    none.TakeStep(0.25f, 2);
    EXPECT_TRUE(none.Complete());
    EXPECT_FALSE(none.Finite());
}

TEST(RunResult, TheStepIsTakenOnlyFromAReportOfThePointsTheFitsCameFrom) {
    const Points p;
    RunResult r;
    // Nothing fitted yet, not even for the first point set.
    r.TakeStep(0.5f, 0);
    EXPECT_EQ(r.avgStep, 0.0f);
    EXPECT_FALSE(r.Complete());

    r.Fit(4, p.setPoint, p.headValue, p.meterUw, p.meterMw, 7);
    r.TakeStep(0.5f, 6); // a report still open from before the run
    EXPECT_EQ(r.avgStep, 0.0f);
    EXPECT_FALSE(r.Complete());
    r.TakeStep(0.25f, 7);
    EXPECT_EQ(r.avgStep, 0.25f);
    EXPECT_TRUE(r.Complete());
    r.TakeStep(0.125f, 7); // Show Report again over the same points
    EXPECT_EQ(r.avgStep, 0.125f);
    EXPECT_TRUE(r.Complete());

    // A new run: nothing to burn, though the numbers stay for display, and
    // a report of the old points cannot make it whole again.
    const float b = r.photoToMw[1];
    r.Discard();
    EXPECT_FALSE(r.Complete());
    EXPECT_EQ(r.photoToMw[1], b);
    EXPECT_EQ(r.avgStep, 0.125f);
    r.TakeStep(0.5f, 7);
    EXPECT_FALSE(r.Complete());
    EXPECT_EQ(r.avgStep, 0.125f);

    // An infinite step is taken, and Finite() says so.
    r.Fit(4, p.setPoint, p.headValue, p.meterUw, p.meterMw, 9);
    r.TakeStep(std::numeric_limits<float>::infinity(), 9);
    EXPECT_TRUE(r.Complete());
    EXPECT_FALSE(r.Finite());
}

TEST(RunResult, BurnWritesTheCurvesAndTheStepAtTheirPlacesInTheRecord) {
    RunResult r;
    const float mwToIndex[3] = {0.5f, 20.0f, -4.0f};
    const float photoToMw[3] = {0.25f, 10.0f, 3.0f};
    for (int k = 0; k < 3; ++k) {
        r.mwToIndex[k] = mwToIndex[k];
        r.photoToMw[k] = photoToMw[k];
    }
    r.avgStep = 2.0f;
    HeadRecord record;
    std::memset(&record, 0xEE, sizeof record);
    r.WriteTo(record);
    // Offsets 28 to 55 of the 360-byte image, little-endian IEEE floats.
    const uint8_t expected[28] = {
        0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0xA0, 0x41, 0x00, 0x00, 0x80, 0xC0, // mW-to-Index
        0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x20, 0x41, 0x00, 0x00, 0x40, 0x40, // Photo-to-mW
        0x00, 0x00, 0x00, 0x40,                                                 // average step
    };
    const uint8_t* bytes = RecordBytes(record);
    for (size_t i = 0; i < kHeadRecordSize; ++i) {
        const uint8_t want = i >= 28 && i < 56 ? expected[i - 28] : 0xEE;
        ASSERT_EQ(bytes[i], want) << "offset " << i;
    }
}

} // namespace
