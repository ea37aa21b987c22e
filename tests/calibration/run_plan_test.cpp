// The set points of calibration and check runs: which Start/Stop/Step values
// are refused and with what words, the points each run visits in its own
// arithmetic, the progress bar's count, and the end at the point tables'
// size.
#include "calibration/RunPlan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<double> Visit(RunPlan plan) {
    std::vector<double> points;
    if (plan.Refused())
        return points;
    do
        points.push_back(plan.SetPoint());
    while (plan.Advance());
    return points;
}

// from, from + step, ... while not past `to` (an independent count).
std::vector<double> Every(int from, int to, int step) {
    std::vector<double> points;
    for (int v = from; step > 0 ? v <= to : v >= to; v += step)
        points.push_back(v);
    return points;
}

struct IndexCase {
    int32_t start, stop, step;
    std::vector<double> points;
    int progress;
};

TEST(RunPlan, IndexRunsVisitEveryStepUpToTheStopTurningTheStepTowardsIt) {
    const IndexCase cases[] = {
        {255, 5, 5, Every(255, 5, -5), 51},   // the opening defaults: the step becomes -5
        {255, 10, 5, Every(255, 10, -5), 50}, // the defaults after a switch back
        {255, 5, -5, Every(255, 5, -5), 51},
        {0, 100, 10, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, 11}, // the stop is a set point
        {0, 95, 10, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 10},       // 100 would pass it
        {3, 10, 4, {3, 7}, 2},                                          // overshoots upwards
        {10, 3, 4, {10, 6}, 2},                                         // and downwards
        {0, 255, 1000, {0}, 1},
        {255, 0, 255, {255, 0}, 2},
        {7, 7, 3, {7}, 1}, // start equal to stop
        {7, 7, -3, {7}, 1},
        {0, 5, -1, {0, 1, 2, 3, 4, 5}, 6}, // a step away from the stop is turned round
        {0, 5, INT32_MIN, {0}, 1},         // turned round, it still points up
        {0, 5, INT32_MAX, {0}, 1},
        {255, 0, INT32_MAX, {255}, 1},
    };
    for (const IndexCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.stop) + " by " +
                     std::to_string(c.step));
        const RunPlan plan = RunPlan::Indexes(c.start, c.stop, c.step);
        ASSERT_FALSE(plan.Refused()) << plan.Refusal();
        EXPECT_FALSE(plan.IsCheck());
        EXPECT_EQ(plan.ProgressPoints(), c.progress);
        EXPECT_EQ(Visit(plan), c.points);
    }
}

TEST(RunPlan, NoRunRecordsMoreThanThePointTablesHold) {
    // 0 to 255 by 1 is 256 set points, 255 down to 0 as many.
    for (auto [start, stop, step, last] : {std::tuple{0, 255, 1, 254.0}, {255, 0, 1, 1.0}}) {
        RunPlan plan = RunPlan::Indexes(start, stop, step);
        EXPECT_EQ(plan.ProgressPoints(), 255);
        const std::vector<double> points = Visit(plan);
        ASSERT_EQ(points.size(), 255u);
        EXPECT_EQ(points.back(), last);
    }
    // A check run of 1001 set points, and one whose step is too small to move
    // a float at 1e8 (so it never passes the stop): both end at 255.
    const std::vector<double> many = Visit(RunPlan::Intensities(0.0f, 1000.0f, 1.0f));
    ASSERT_EQ(many.size(), 255u);
    EXPECT_EQ(many.back(), 254.0);
    RunPlan stuck = RunPlan::Intensities(1e8f, 2e8f, 1.0f);
    EXPECT_EQ(stuck.ProgressPoints(), 255);
    EXPECT_EQ(Visit(stuck), std::vector<double>(255, 1e8));
}

TEST(RunPlan, AnOverPlanStaysOverAtItsLastSetPoint) {
    RunPlan plan = RunPlan::Indexes(0, 20, 10);
    EXPECT_EQ(plan.Index(), 0);
    EXPECT_EQ(plan.Visited(), 1);
    ASSERT_TRUE(plan.Advance());
    ASSERT_TRUE(plan.Advance());
    EXPECT_EQ(plan.Index(), 20);
    EXPECT_FALSE(plan.Advance());
    EXPECT_FALSE(plan.Advance());
    EXPECT_EQ(plan.Index(), 20);
    EXPECT_EQ(plan.Visited(), 3);

    // No run at all: nothing to visit.
    RunPlan idle;
    EXPECT_FALSE(idle.Refused());
    EXPECT_FALSE(idle.Advance());
    EXPECT_EQ(idle.Visited(), 0);
    EXPECT_EQ(idle.ProgressPoints(), 0);
}

TEST(RunPlan, IndexRunsOutsideWhatAHeadMayGetOrWithAZeroStepAreRefused) {
    const std::string start = "The start index must be between 0 and 255. The run was not started.";
    const std::string stop = "The stop index must be between 0 and 255. The run was not started.";
    const std::string zero = "The step must not be zero.";
    const struct {
        int32_t start, stop, step;
        const std::string& text;
    } cases[] = {
        {-1, 5, 1, start},   {256, 5, 1, start},      {INT32_MIN, 5, 1, start}, {0, -10, 1, stop},
        {0, 256, 1, stop},   {0, INT32_MAX, 1, stop}, {255, 5, 0, zero},        {0, 0, 0, zero},
        {300, -4, 0, start}, // the start is named first, the step last
        {5, 300, 0, stop},
    };
    for (const auto& c : cases) {
        const RunPlan plan = RunPlan::Indexes(c.start, c.stop, c.step);
        EXPECT_TRUE(plan.Refused()) << c.start << " " << c.stop << " " << c.step;
        EXPECT_EQ(plan.Refusal(), c.text);
        EXPECT_TRUE(Visit(plan).empty());
    }
    // The ends themselves are allowed.
    EXPECT_FALSE(RunPlan::Indexes(0, 255, 5).Refused());
    EXPECT_FALSE(RunPlan::Indexes(255, 0, -5).Refused());
}

TEST(RunPlan, CheckRunsStepInSinglePrecision) {
    // The check defaults: 10.0 down by 0.2 in float ends near 0.200005, so
    // 0.2 itself is never reached and 50 points are taken, not 51.
    const RunPlan defaults = RunPlan::Intensities(10.0f, 0.2f, 0.2f);
    EXPECT_TRUE(defaults.IsCheck());
    EXPECT_EQ(defaults.ProgressPoints(), 50);
    const std::vector<double> points = Visit(defaults);
    ASSERT_EQ(points.size(), 50u);
    float f = 10.0f;
    for (size_t i = 0; i < points.size(); ++i, f -= 0.2f)
        ASSERT_EQ(points[i], static_cast<double>(f)) << i;
    EXPECT_NEAR(points.back(), 0.200005, 1e-6);
    EXPECT_NE(points.back(), static_cast<double>(0.2f));

    const struct {
        float start, stop, step;
        std::vector<double> points;
        int progress;
    } cases[] = {
        {0.0f, 1.0f, 0.25f, {0, 0.25, 0.5, 0.75, 1.0}, 5},
        {0.0f, 1.0f, -0.25f, {0, 0.25, 0.5, 0.75, 1.0}, 5},
        {1.0f, 0.0f, 0.25f, {1.0, 0.75, 0.5, 0.25, 0}, 5},
        {1.0f, 0.0f, -0.25f, {1.0, 0.75, 0.5, 0.25, 0}, 5},
        {0.0f, 0.9f, 0.25f, {0, 0.25, 0.5, 0.75}, 4}, // 4.6 truncated
        {2.5f, 2.5f, 1.0f, {2.5}, 1},
        {-0.0f, 0.0f, 1.0f, {0.0}, 1},
        // No int32 bound on intensities: 3e9 and on are set points too.
        {0.0f, 4e9f, 1e9f, {0, 1e9, 2e9, 3e9, 4e9}, 5},
        // The next step would be infinite: it passes the stop and is never sent.
        {0.0f, 3e38f, 2e38f, {0, static_cast<double>(2e38f)}, 2},
        // A count beyond float's range is a full bar.
        {0.0f, 3e38f, 1e-30f, {}, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + ".." + std::to_string(c.stop) + " by " +
                     std::to_string(c.step));
        const RunPlan plan = RunPlan::Intensities(c.start, c.stop, c.step);
        ASSERT_FALSE(plan.Refused()) << plan.Refusal();
        EXPECT_EQ(plan.ProgressPoints(), c.progress);
        if (!c.points.empty()) {
            EXPECT_EQ(Visit(plan), c.points);
        }
    }
    RunPlan plan = RunPlan::Intensities(10.0f, 0.2f, 0.2f);
    ASSERT_TRUE(plan.Advance());
    EXPECT_EQ(plan.Intensity(), 10.0f - 0.2f);
}

TEST(RunPlan, CheckRunsWithoutNumbersBelowZeroOrWithAZeroStepAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float start, stop, step;
        const char* text;
    } cases[] = {
        {nan, 1.0f, 0.2f, "The start is not a valid number. The run was not started."},
        {inf, 1.0f, 0.2f, "The start is not a valid number. The run was not started."},
        {1.0f, -inf, 0.2f, "The stop is not a valid number. The run was not started."},
        {1.0f, 0.0f, nan, "The step is not a valid number. The run was not started."},
        {-1.0f, nan, 0.0f, "The stop is not a valid number. The run was not started."},
        {-0.5f, 1.0f, 0.2f,
         "The start intensity must be 0 mW/cm\xB2 or more. The run was not started."},
        {1.0f, -0.1f, 0.2f,
         "The stop intensity must be 0 mW/cm\xB2 or more. The run was not started."},
        {1.0f, -0.1f, 0.0f,
         "The stop intensity must be 0 mW/cm\xB2 or more. The run was not started."},
        {10.0f, 1.0f, 0.0f, "The step must not be zero."},
        {10.0f, 1.0f, -0.0f, "The step must not be zero."},
    };
    for (const auto& c : cases) {
        const RunPlan plan = RunPlan::Intensities(c.start, c.stop, c.step);
        EXPECT_EQ(plan.Refusal(), c.text) << c.start << " " << c.stop << " " << c.step;
        EXPECT_TRUE(Visit(plan).empty());
    }
}

} // namespace
