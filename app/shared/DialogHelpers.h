// Message boxes with printf-style texts, and the float reading of a dialog
// item, shared by the operator and service dialogs.
#pragma once

#include "platform/ui/Afx.h"

// Formats into 128 bytes (at most 127 characters; a longer text is cut
// there) and shows it in an OK box captioned with the application's name
// (exclamation icon). Returns when the box is closed.
void ShowMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats into 1280 bytes (at most 1279 characters, cut as above) and asks
// with OK and Cancel and the question icon; true when OK was chosen (Cancel,
// Esc and the close box give false).
bool AskOkCancel(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The control's text read with the C library's atof (blanks skipped, the
// longest number prefix used, 0 when none), rounded to float. Never fails.
float GetDlgItemFloat(CDialog* dialog, int id);
