#include "platform/Number.h"

#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace platform {

double AtoF(const char* text) {
    if (!text)
        return 0.0;
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
    return ::strtod_l(text, nullptr, c);
}

} // namespace platform
