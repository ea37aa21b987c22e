#include "app/shared/Intensity.h"

#include <cmath>

const char* IntensityProblem(float mw) {
    if (std::isnan(mw))
        return "The intensity is not a number.";
    if (mw < 0.0f)
        return "The intensity must be 0 mW/cm2 or more.";
    if (std::isinf(mw))
        return "The intensity is too large.";
    return nullptr;
}
