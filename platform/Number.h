// Text to number as the C library does it in the "C" locale, whatever locale
// the process runs in (a toolkit may switch LC_NUMERIC to one with a
// decimal comma).
#pragma once

namespace platform {

// atof: leading white space skipped, the longest prefix that reads as a
// floating-point number used, 0.0 when there is none.
double AtoF(const char* text);

} // namespace platform
