#include "app/shared/DialogHelpers.h"

#include "platform/Format.h"
#include "platform/Number.h"

#include <cstdarg>
#include <cstddef>
#include <string>

namespace {

// How much of its text each box shows: a longer text is cut there, its tail
// dropped without a mark.
constexpr std::size_t kMessageMax = 127;
constexpr std::size_t kQuestionMax = 1279;

std::string Cut(std::string text, std::size_t max) {
    if (text.size() > max)
        text.resize(max);
    return text;
}

} // namespace

void ShowMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Cut(platform::VFormat(format, args), kMessageMax);
    va_end(args);
    AfxMessageBox(text.c_str(), MB_OK);
}

bool AskOkCancel(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Cut(platform::VFormat(format, args), kQuestionMax);
    va_end(args);
    return AfxMessageBox(text.c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

float GetDlgItemFloat(CDialog* dialog, int id) {
    if (!dialog)
        return 0.0f;
    return platform::NarrowToFloat(platform::AtoF(dialog->GetDlgItemText(id).c_str()));
}
