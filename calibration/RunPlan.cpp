#include "calibration/RunPlan.h"

#include "app/shared/Intensity.h"
#include "platform/Format.h"

#include <cmath>
#include <utility>

using platform::Format;

namespace {

// Turns `d` towards the stop and counts the set points from s to e, for the
// progress bar. T is int64_t for indexes (int32 values whose differences
// overflow 32 bits; division truncates) or float for intensities (single
// precision, truncated at the end).
template <class T> double AimAndCount(T s, T e, T& d) {
    if (s < e && d < 0)
        d = -d; // towards the stop, or the run would never end (64 bits hold -INT32_MIN)
    T count;
    if (s < e) {
        count = (e - s) / d + 1;
    } else if (d < 0) {
        count = 1 - (s - e) / d;
    } else {
        count = (s - e) / d + 1;
        d = -d;
    }
    return std::trunc(static_cast<double>(count));
}

int ClampToTables(double count) {
    if (!(count >= 0.0))
        return 0;
    return count > RunPlan::kMaxPoints ? RunPlan::kMaxPoints : static_cast<int>(count);
}

} // namespace

RunPlan RunPlan::Refuse(std::string why) {
    RunPlan plan;
    plan.m_refusal = std::move(why);
    return plan;
}

// The run ends before a set point would pass the stop, so every set point
// lies between the start and the stop: bounding these two bounds what the
// head is sent.
RunPlan RunPlan::Indexes(int32_t start, int32_t stop, int32_t step) {
    // An index outside 0-255 would go out as its low 16 bits (-10 as 65526,
    // full output).
    const std::pair<int32_t, const char*> ends[] = {{start, "start"}, {stop, "stop"}};
    for (const auto& [index, what] : ends)
        if (index < 0 || index > kMaxIndex)
            return Refuse(Format("The %s index must be between 0 and %d. The run was not started.",
                                 what, kMaxIndex));
    // A zero step never reaches the stop.
    if (step == 0)
        return Refuse("The step must not be zero.");

    RunPlan plan;
    int64_t d = step;
    plan.m_progressPoints = ClampToTables(AimAndCount<int64_t>(start, stop, d));
    plan.m_current = start;
    plan.m_stop = stop;
    plan.m_step = static_cast<double>(d);
    plan.m_visited = 1;
    plan.m_over = false;
    return plan;
}

RunPlan RunPlan::Intensities(float start, float stop, float step) {
    // A number beyond float's range reads as infinity: as a set point it
    // would be sent.
    const std::pair<float, const char*> values[] = {
        {start, "start"}, {stop, "stop"}, {step, "step"}};
    for (const auto& [value, what] : values)
        if (!std::isfinite(value))
            return Refuse(Format("The %s is not a valid number. The run was not started.", what));
    for (const auto& [value, what] : {values[0], values[1]})
        if (IntensityProblem(value) != nullptr) // finite by now: only a negative one is left
            return Refuse(Format(
                "The %s intensity must be 0 mW/cm\xB2 or more. The run was not started.", what));
    if (step == 0.0f)
        return Refuse("The step must not be zero.");

    RunPlan plan;
    plan.m_check = true;
    float d = step;
    plan.m_progressPoints = ClampToTables(AimAndCount<float>(start, stop, d));
    plan.m_current = start;
    plan.m_stop = stop;
    plan.m_step = d;
    plan.m_visited = 1;
    plan.m_over = false;
    return plan;
}

bool RunPlan::Advance() {
    if (m_over)
        return false;
    const double previous = m_current;
    // Exact in double for indexes; a float sum for intensities.
    const double next =
        m_check ? static_cast<float>(previous) + static_cast<float>(m_step) : previous + m_step;
    // Over once the next set point passes the stop, on the way up as on the
    // way down. Every set point thus lies between the start and the stop, so
    // an index never leaves 0-255.
    const bool passes =
        (previous <= m_stop && next > m_stop) || (previous >= m_stop && next < m_stop);
    // The point tables are full: the run ends as if the stop were reached (a
    // step too small to move a float never passes the stop).
    m_over = passes || m_visited >= kMaxPoints;
    if (m_over)
        return false;
    m_current = next;
    ++m_visited;
    return true;
}
