// Text to number as the C library does it in the "C" locale, whatever locale
// the process runs in (a toolkit may switch LC_NUMERIC to one with a
// decimal comma).
#pragma once

namespace platform {

// atof: leading white space skipped, the longest prefix that reads as a
// decimal floating-point number used, 0.0 when there is none ("inf", "nan"
// and hexadecimal numbers are none). Too large a number gives infinity.
double AtoF(const char* text);

} // namespace platform
