#include "platform/TimeFormat.h"

#include <cstdio>

namespace platform {
namespace {

const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};
const char* const kMonths[] = {"January",   "February", "March",    "April",
                               "May",       "June",     "July",     "August",
                               "September", "October",  "November", "December"};

std::string Num(int value, int width, bool noLeadingZeros) {
    char buf[16];
    if (noLeadingZeros)
        std::snprintf(buf, sizeof buf, "%d", value);
    else
        std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

int WeekOfYear(const std::tm& tm, int firstDay) { // firstDay 0 Sunday, 1 Monday
    int wday = (tm.tm_wday + 7 - firstDay) % 7;
    return (tm.tm_yday + 7 - wday) / 7;
}

void Expand(std::string& out, char c, bool alt, const std::tm& tm);

std::string Format(const char* format, const std::tm& tm) {
    std::string out;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        ++p;
        bool alt = false;
        if (*p == '#') {
            alt = true;
            ++p;
        }
        if (!*p)
            break;
        Expand(out, *p, alt, tm);
    }
    return out;
}

void Expand(std::string& out, char c, bool alt, const std::tm& tm) {
    const int wday = (tm.tm_wday % 7 + 7) % 7;
    const int mon = (tm.tm_mon % 12 + 12) % 12;
    switch (c) {
    case 'a':
        out += std::string(kDays[wday], 3);
        break;
    case 'A':
        out += kDays[wday];
        break;
    case 'b':
        out += std::string(kMonths[mon], 3);
        break;
    case 'B':
        out += kMonths[mon];
        break;
    case 'd':
        out += Num(tm.tm_mday, 2, alt);
        break;
    case 'H':
        out += Num(tm.tm_hour, 2, alt);
        break;
    case 'I':
        out += Num(tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12, 2, alt);
        break;
    case 'j':
        out += Num(tm.tm_yday + 1, 3, alt);
        break;
    case 'm':
        out += Num(mon + 1, 2, alt);
        break;
    case 'M':
        out += Num(tm.tm_min, 2, alt);
        break;
    case 'p':
        out += tm.tm_hour < 12 ? "AM" : "PM";
        break;
    case 'S':
        out += Num(tm.tm_sec, 2, alt);
        break;
    case 'U':
        out += Num(WeekOfYear(tm, 0), 2, alt);
        break;
    case 'w':
        out += Num(wday, 1, alt);
        break;
    case 'W':
        out += Num(WeekOfYear(tm, 1), 2, alt);
        break;
    case 'y':
        out += Num((tm.tm_year + 1900) % 100, 2, alt);
        break;
    case 'Y':
        out += Num(tm.tm_year + 1900, 4, alt);
        break;
    case 'x':
        // Long form: "Tuesday, March 14, 1995"; short: "03/14/95".
        out += alt ? Format("%A, %B %#d, %Y", tm) : Format("%m/%d/%y", tm);
        break;
    case 'X':
        out += Format("%H:%M:%S", tm);
        break;
    case 'c':
        out += alt ? Format("%A, %B %#d, %Y, %H:%M:%S", tm) : Format("%m/%d/%y %H:%M:%S", tm);
        break;
    case '%':
        out += '%';
        break;
    default:
        out += '%';
        out += c;
        break;
    }
}

} // namespace

std::string FormatTime(const char* format, const std::tm& tm) {
    return format ? Format(format, tm) : std::string();
}

} // namespace platform
