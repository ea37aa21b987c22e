// Telemetry log: file, operator and comment, then "Start Log".
#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog131Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog131() {
    using enum ControlKind;
    using namespace style;
    using namespace ids131;
    // clang-format off
    static const DialogTemplate t{
        131, "Log Telemetry", 199, 142, {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::ModalFrame | window::Center, 0, 0,
        {
            {-1,           Static,     "File:",     {25, 8, 14, 8},    None},
            {IDC_PATH,     Edit,       "",          {45, 6, 91, 14},   AutoHScroll | Border | TabStop},
            {IDC_BROWSE,   PushButton, "Browse",    {142, 6, 50, 14},  TabStop},
            {-1,           Static,     "Operator:", {7, 27, 33, 8},    None},
            {IDC_OPERATOR, Edit,       "",          {45, 25, 147, 14}, AutoHScroll | Border | TabStop},
            {-1,           Static,     "Comment:",  {6, 47, 34, 8},    None},
            // Multi-line without want-return: Enter still presses "Start Log".
            {IDC_COMMENT,  Edit,       "",          {45, 45, 147, 70}, Multiline | Border | TabStop},
            {IDOK,         PushButton, "Start Log", {32, 121, 50, 14}, DefaultButton | TabStop},
            {IDCANCEL,     PushButton, "Cancel",    {119, 121, 50, 14}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
