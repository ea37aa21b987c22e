// Local date and time and the text formats the program shows and prints, in
// the C locale.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// Local broken-down time of `t` (thread-safe).
std::tm LocalTime(std::time_t t);
std::tm LocalTimeNow();

// strftime with the Windows "#" flag: "%#x" long date "Tuesday, March 14, 1995",
// "%#c" long date and time "Tuesday, March 14, 1995 14:03:05", "%#d" etc. without
// leading zeros; "%X" "14:03:05", "%x" "03/14/95". Other conversions as strftime.
std::string FormatTime(const char* format, const std::tm& tm);

} // namespace platform
