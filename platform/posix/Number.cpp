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

// The leading decimal number of text, after white space: [start, end), empty
// (start == end) when there is none. Only the decimal form counts: glibc's
// strtod would also take "inf", "nan" and hexadecimal numbers, and a NaN read
// from an intensity field slips through every range check after it.
struct NumberSpan {
    const char* start;
    const char* end;
};

NumberSpan LeadingNumber(const char* text) {
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
        return {start, start};
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
    return {start, p};
}

} // namespace

double AtoF(const char* text) {
    if (!text)
        return 0.0;
    const NumberSpan number = LeadingNumber(text);
    if (number.start == number.end)
        return 0.0;
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
    return ::strtod_l(std::string(number.start, number.end).c_str(), nullptr, c);
}

bool HasLeadingNumber(const char* text) {
    if (!text)
        return false;
    const NumberSpan number = LeadingNumber(text);
    return number.start != number.end;
}

} // namespace platform
