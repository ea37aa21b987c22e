// The set points of a calibration or check run, worked out from the Start,
// Stop and Step edits: whether the run may start at all, which way it steps,
// how many points its progress bar counts, and when it is over. Pure: it
// sends nothing and shows nothing; the calibration utility follows it.
//
// A calibration run steps intensity indexes in 32-bit integers, a check run
// steps intensities in mW/cm² in single precision, so that the set points
// are the ones the head has always been sent (10.0 down by 0.2 ends near
// 0.200005, not at 0.2).
#pragma once

#include <cstdint>
#include <string>

class RunPlan {
public:
    // A run records at most this many points: the size of the point tables.
    static constexpr int kMaxPoints = 255;

    // No run: no set points, and Advance() is false.
    RunPlan() = default;

    // A calibration run over indexes as the edits read them (any int32). It
    // is refused unless start and stop are indexes a head may get (0 to
    // kMaxIndex) and the step is not zero.
    static RunPlan Indexes(int32_t start, int32_t stop, int32_t step);
    // A check run over intensities in mW/cm². It is refused unless all three
    // are finite, start and stop are not negative and the step is not zero.
    static RunPlan Intensities(float start, float stop, float step);

    // A refused plan has no set points; Refusal() is the whole text of the
    // box that says why.
    bool Refused() const { return !m_refusal.empty(); }
    const std::string& Refusal() const { return m_refusal; }

    bool IsCheck() const { return m_check; }

    // The range of the progress bar, 0 to kMaxPoints: the number of set
    // points from start to stop, worked out once in the run's own arithmetic.
    int ProgressPoints() const { return m_progressPoints; }

    // The current set point: an index, or an intensity in mW/cm² (a float,
    // exact in double). The first one is the start.
    double SetPoint() const { return m_current; }
    int32_t Index() const { return static_cast<int32_t>(m_current); }
    float Intensity() const { return static_cast<float>(m_current); }

    // Set points given so far, the current one included.
    int Visited() const { return m_visited; }

    // Moves to the next set point, start + k x step with the step turned
    // towards the stop. Returns false, and stays where it is, when the run is
    // over instead: the next set point would pass the stop (the stop itself
    // is a set point when the steps land on it), or the point tables are
    // full.
    bool Advance();

private:
    static RunPlan Refuse(std::string why);

    std::string m_refusal;
    bool m_check = false;
    bool m_over = true; // until a plan is made
    // Index plans hold int32 values, check plans float values: both exact.
    double m_current = 0.0;
    double m_stop = 0.0;
    double m_step = 0.0; // signed towards the stop
    int m_progressPoints = 0;
    int m_visited = 0;
};
