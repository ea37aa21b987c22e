// Password prompt: no caption, sizing border, tool window.
#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog135Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog135() {
    using enum ControlKind;
    using namespace ids135;
    // clang-format off
    static const DialogTemplate t{
        135, "", 118, 62, {"MS Shell Dlg", 8, 400},
        window::SizingBorder | window::ToolWindow | window::Center, 0, 0,
        {
            {-1,           Static,     "Please enter your password:", {7, 7, 104, 8},   style::AlignCenter},
            {IDC_PASSWORD, Edit,       "",                            {7, 20, 104, 14},
             style::Password | style::AlignCenter | style::AutoHScroll | style::Border | style::TabStop},
            {IDOK,         PushButton, "OK",                          {7, 41, 50, 14},  style::DefaultButton | style::TabStop},
            {IDCANCEL,     PushButton, "Cancel",                      {61, 41, 50, 14}, style::TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
