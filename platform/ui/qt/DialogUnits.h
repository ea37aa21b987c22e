#pragma once
// Dialog units to pixels, as Windows maps a dialog template:
// each coordinate is scaled on its own by the dialog font's base units
// (x px = x du * base x / 4, y px = y du * base y / 8, rounded to nearest).

#include <string_view>

namespace platform::ui::qt {

// Average character width and cell height of a dialog font, in pixels.
struct BaseUnits {
    int x = 6;
    int y = 13;
};

// Base units of a template font given by face name and point size. The
// Windows' dialog faces ("MS Shell Dlg", "MS Sans Serif", "Microsoft Sans
// Serif") all share the same metrics; other faces are treated alike.
BaseUnits BaseUnitsFor(std::string_view face, int points);

// a * b / c rounded to the nearest integer, halves away from zero (c != 0).
int MulDiv(int a, int b, int c);

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

int DialogXToPixels(int du, BaseUnits base);
int DialogYToPixels(int du, BaseUnits base);

// A rectangle in dialog units (left, top, width, height) in pixels.
PixelRect DialogRectToPixels(int x, int y, int width, int height, BaseUnits base);

} // namespace platform::ui::qt
