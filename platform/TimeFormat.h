// Local date and time and the text formats the program shows and prints, in
// the C locale.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// Local broken-down time of `t` (thread-safe).
std::tm LocalTime(std::time_t t);
std::tm LocalTimeNow();

// Formats in the C locale with the Windows runtime's conversions: "%#x"
// "Tuesday, March 14, 1995", "%#c" "Tuesday, March 14, 1995, 14:03:05",
// "%X" "14:03:05", "%x" "03/14/95", "%c" "03/14/95 14:03:05"; "#" before a
// number (%#d, %#H, ...) drops its leading zeros. Names are English.
// Conversions not listed (a, A, b, B, d, H, I, j, m, M, p, S, U, w, W, y, Y,
// x, X, c, %) are copied as they stand.
std::string FormatTime(const char* format, const std::tm& tm);

} // namespace platform
