// Message boxes with printf-style texts, and the float reading of a dialog
// item, shared by the operator and service dialogs.
#pragma once

#include "platform/ui/Afx.h"

// Formats (platform::Format) and shows at most the first 127 characters (a
// longer text is cut there) in an OK box captioned with the application's name
// (exclamation icon). Returns when the box is closed.
void ShowMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats and keeps at most the first 1279 characters (cut as above); asks
// with OK and Cancel and the question icon; true when OK was chosen (Cancel,
// Esc and the close box give false).
bool AskOkCancel(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The control's text read with the C library's atof (blanks skipped, the
// longest number prefix used, 0 when none), rounded to float; a number beyond
// float's range gives infinity of its sign (never NaN: atof reads no "nan").
// Never fails: callers that send or store the value refuse a non-finite one.
float GetDlgItemFloat(CDialog* dialog, int id);
