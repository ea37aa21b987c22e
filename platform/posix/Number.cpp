#include "platform/Number.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace platform {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

double AtoF(const char* text) {
    if (!text)
        return 0.0;
    // Only the decimal form counts: glibc's strtod would also take "inf",
    // "nan" and hexadecimal numbers, and a NaN read from an intensity field
    // slips through every range check after it.
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    const char* start = p;
    if (*p == '+' || *p == '-')
        ++p;
    int digits = 0;
    for (; IsDigit(*p); ++p)
        ++digits;
    if (*p == '.')
        for (++p; IsDigit(*p); ++p)
            ++digits;
    if (digits == 0)
        return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-')
            ++e;
        if (IsDigit(*e)) {
            while (IsDigit(*e))
                ++e;
            p = e;
        }
    }
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string number(start, p);
    return ::strtod_l(number.c_str(), nullptr, c);
}

bool HasLeadingNumber(const char* text) {
    if (!text)
        return false;
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    if (*p == '+' || *p == '-')
        ++p;
    if (IsDigit(*p))
        return true;
    return *p == '.' && IsDigit(p[1]);
}

} // namespace platform
