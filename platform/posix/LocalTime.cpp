#include "platform/TimeFormat.h"

namespace platform {

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return tm;
}

std::tm LocalTimeNow() {
    return LocalTime(std::time(nullptr));
}

} // namespace platform
