#include "platform/ui/qt/DialogUnits.h"

#include <cstdlib>

namespace platform::ui::qt {

BaseUnits BaseUnitsFor(std::string_view /*face*/, int points) {
    // Measured values of Windows' dialog font at 96 dpi.
    switch (points) {
    case 8:
        return {6, 13};
    case 10:
        return {7, 16};
    case 12:
        return {8, 20};
    default:
        break;
    }
    if (points <= 0) {
        return {6, 13};
    }
    // Between and beyond the measured sizes the metrics grow about linearly.
    return {points / 2 + 2, (points * 8 + 2) / 5};
}

int MulDiv(int a, int b, int c) {
    const long long num = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const bool negative = (num < 0) != (c < 0);
    const long long q = (std::llabs(num) + half) / std::llabs(c);
    return static_cast<int>(negative ? -q : q);
}

int DialogXToPixels(int du, BaseUnits base) {
    return MulDiv(du, base.x, 4);
}

int DialogYToPixels(int du, BaseUnits base) {
    return MulDiv(du, base.y, 8);
}

PixelRect DialogRectToPixels(int x, int y, int width, int height, BaseUnits base) {
    return {DialogXToPixels(x, base), DialogYToPixels(y, base), DialogXToPixels(width, base),
            DialogYToPixels(height, base)};
}

} // namespace platform::ui::qt
