#include "platform/ui/Text.h"

#include <climits>
#include <cstdint>

namespace platform::ui {
namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

int ParseDlgInt(const std::string& text, bool isSigned, bool* ok) {
    if (ok)
        *ok = false;
    size_t i = 0, n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (isSigned && i < n && text[i] == '-') {
        negative = true;
        ++i;
    }
    size_t digitsStart = i;
    uint64_t value = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + uint64_t(text[i] - '0');
        if (value > 0xFFFFFFFFull)
            return 0;
        ++i;
    }
    if (i == digitsStart)
        return 0;
    while (i < n && IsBlank(text[i]))
        ++i;
    if (i != n)
        return 0;
    if (isSigned) {
        if (negative ? value > uint64_t(INT_MAX) + 1 : value > uint64_t(INT_MAX))
            return 0;
        if (ok)
            *ok = true;
        return negative ? static_cast<int>(-static_cast<int64_t>(value)) : static_cast<int>(value);
    }
    if (ok)
        *ok = true;
    return static_cast<int>(static_cast<uint32_t>(value));
}

} // namespace platform::ui
