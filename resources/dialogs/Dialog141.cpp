// Calibration and calibration-check reports: the list of points and Print.
// No OK or Cancel button: the close box or Escape closes it.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog141Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog141() {
    using enum ControlKind;
    using namespace ids141;
    // clang-format off
    static const DialogTemplate t{
        141, "Calibration Check Report", 341, 189, {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::ModalFrame, 0, 0,
        {
            {IDC_REPORT_LIST, ListView,   "",      {5, 4, 330, 157},  style::Border | style::TabStop},
            {IDC_PRINT,       PushButton, "Print", {145, 168, 50, 14}, style::TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
