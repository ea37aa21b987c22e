#include "app/shared/DialogHelpers.h"

#include "platform/Number.h"

#include <cstdarg>
#include <cstdio>

void ShowMessage(const char* format, ...) {
    char text[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    AfxMessageBox(text, MB_OK);
}

bool AskOkCancel(const char* format, ...) {
    char text[1280];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return AfxMessageBox(text, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

float GetDlgItemFloat(CDialog* dialog, int id) {
    if (!dialog)
        return 0.0f;
    return static_cast<float>(platform::AtoF(dialog->GetDlgItemText(id).c_str()));
}
