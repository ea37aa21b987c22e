// Text conversions of the dialog items.
#pragma once

#include <string>

namespace platform::ui {

// GetDlgItemInt's reading: leading blanks, an optional '-' (signed only),
// decimal digits, trailing blanks; nothing else. A text that does not read
// so, or does not fit (int, or unsigned for isSigned false), gives 0 and
// *ok false.
int ParseDlgInt(const std::string& text, bool isSigned, bool* ok);

} // namespace platform::ui
