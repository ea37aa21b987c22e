// Numbers as Windows' C library and processor gave them: text to number
// in the "C" locale, whatever locale the process runs in (a toolkit may switch
// LC_NUMERIC to one with a decimal comma), and float to int.
#pragma once

#include <cfloat>
#include <climits>
#include <cmath>

namespace platform {

// atof: leading white space skipped, the longest prefix that reads as a
// decimal floating-point number used, 0.0 when there is none ("inf", "nan"
// and hexadecimal numbers are none). Too large a number gives infinity.
double AtoF(const char* text);

// Whether AtoF finds a number in text at all: after leading white space, an
// optional sign and at least one digit before or after an optional decimal
// point. An empty text, "-", "." or "OVER" has none (AtoF gives them 0.0).
bool HasLeadingNumber(const char* text);

// A double rounded to float with every input defined: beyond float's range it
// becomes infinite of its sign (the plain conversion is undefined there), NaN
// stays NaN. Callers that must not pass a non-finite value on test the result
// with std::isfinite.
inline float NarrowToFloat(double value) {
    if (value > FLT_MAX)
        return INFINITY;
    if (value < -FLT_MAX)
        return -INFINITY;
    return static_cast<float>(value);
}

// Truncation toward zero as the processor does it: a value with no int (NaN,
// out of range) gives INT_MIN, whose low 16 bits are 0, instead of undefined
// behaviour.
inline int TruncateToInt(float value) {
    if (!(value > -2147483904.0f && value < 2147483648.0f))
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace platform
