// Start-up discovery: thin border, no caption, tool window, at the top left.
#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog146Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog146() {
    using enum ControlKind;
    using namespace ids146;
    static const DialogTemplate t{
        146,
        "",
        252,
        247,
        {"MS Shell Dlg", 8, 400},
        window::ThinBorder | window::ToolWindow,
        0,
        0,
        {
            {IDC_LOGO, Bitmap, "", {19, 3, 15, 13}, style::None},
            {IDC_PROGRESS, Progress, "", {7, 184, 236, 8}, style::Border | style::Smooth},
            {IDABORT,
             PushButton,
             "Exit Application",
             {35, 202, 70, 33},
             style::Multiline | style::DefaultButton | style::TabStop},
            {IDCANCEL,
             PushButton,
             "Cancel Search and Continue for Troubleshooting",
             {145, 202, 70, 33},
             style::Multiline | style::TabStop},
            {IDC_RETRY, PushButton, "Retry", {165, 30, 71, 21}, style::Hidden | style::TabStop},
            {-1, GroupBox, "Lumiflex Controllers", {7, 101, 237, 77}, style::None},
            {IDC_REPORT,
             ListBox,
             "",
             {15, 112, 221, 60},
             style::Disabled | style::Border | style::VScroll | style::Notify | style::Sorted |
                 style::NoIntegralHeight | style::TabStop},
            {IDC_RESULTS,
             Static,
             "IDC_RESULTS",
             {7, 82, 238, 19},
             style::AlignCenter | style::Group},
        },
    };
    return t;
}

} // namespace platform::ui
