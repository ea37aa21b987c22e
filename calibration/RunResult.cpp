#include "calibration/RunResult.h"

#include "calibration/PolyFit.h"
#include "platform/Number.h"

#include <cmath>

void RunResult::Fit(int32_t n, const double* setPoint, const double* headValue,
                    const double* meterUw, const double* meterMw, uint64_t pointSet) {
    {
        const CPolyFit photo(n, headValue, meterUw, 2);
        const CPolyFit index(n, meterMw, setPoint, 2);
        for (int k = 0; k < 3; ++k) {
            photoToMw[k] = platform::NarrowToFloat(photo.Coef(2 - k));
            mwToIndex[k] = platform::NarrowToFloat(index.Coef(2 - k));
        }
    }
    // Over the floats a head stores, not the fits' doubles.
    r2PhotoToMw = ComputeRSquared(n, headValue, meterUw, photoToMw);
    r2MwToIndex = ComputeRSquared(n, meterMw, setPoint, mwToIndex);
    m_stage = Stage::Fitted;
    m_pointSet = pointSet;
}

void RunResult::TakeStep(float step, uint64_t listed) {
    if (m_stage == Stage::None || listed != m_pointSet)
        return;
    avgStep = step;
    m_stage = Stage::Stepped;
}

bool RunResult::Finite() const {
    bool finite = std::isfinite(avgStep);
    for (int k = 0; k < 3; ++k)
        finite = finite && std::isfinite(photoToMw[k]) && std::isfinite(mwToIndex[k]);
    return finite;
}

void RunResult::WriteTo(HeadRecord& r) const {
    for (int k = 0; k < 3; ++k) {
        r.mwToIndex[k] = mwToIndex[k];
        r.photoToMw[k] = photoToMw[k];
    }
    r.avgStep = avgStep;
}
