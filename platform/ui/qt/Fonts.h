#pragma once
// Windows' fonts ("MS Shell Dlg", "Microsoft Sans Serif") are not on a
// Linux desktop; every face maps to one installed sans font (Liberation Sans,
// from fonts-liberation2, else DejaVu Sans), sized so that text takes the
// room the templates were laid out for. All functions need a QGuiApplication
// and run on the GUI thread.

#include "platform/ui/qt/DialogUnits.h"

#include <QFont>
#include <QString>

namespace platform::ui::qt {

// The sans family every template and run-time font maps to when installed.
const char* SansFamily();

// The dialog font for a template whose font has these base units: the largest
// pixel size whose average letter width and line height do not exceed them,
// so captions fit the rectangles measured in that font's dialog units.
QFont DialogFont(BaseUnits base);

// A font as Windows' CreateFont builds it from a logical height in
// pixels: positive is the cell height (the line height of the result does not
// exceed it), negative the character height (the em size), 0 the dialog size.
// weight is 100..900 (400 normal, 700 bold).
QFont LogicalFont(int height, int weight, bool italic = false);

// How a caption is laid out in its rectangle.
enum class Wrap {
    None,  // line breaks only where the text has them
    Words, // also between words, as Windows' statics and multi-line buttons do
};

// text broken into lines no wider than width (Wrap::Words; a word wider than
// width stands on a line of its own), joined by '\n'.
QString WrapLines(const QFont& font, const QString& text, int width);

// font, shrunk (never below minPixels) until text fits width x height pixels.
// Unchanged when it already fits or has no pixel size.
QFont FitText(const QFont& font, const QString& text, int width, int height, Wrap wrap = Wrap::None,
              int minPixels = 7);

} // namespace platform::ui::qt
