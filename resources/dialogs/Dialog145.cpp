// Advanced features: one head set or switched off by raw intensity index.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog145Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog145() {
    using enum ControlKind;
    using namespace style;
    using namespace ids145;
    // clang-format off
    static const DialogTemplate t{
        145, "Advanced Features", 218, 47, {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::ModalFrame, 0, 0,
        {
            {-1,        GroupBox,   "Manual Index",  {7, 7, 203, 33},  None},
            {IDC_INDEX, Edit,       "",              {16, 18, 40, 14}, AlignRight | AutoHScroll | Border | TabStop},
            {-1,        Static,     "index (0-255)", {62, 21, 44, 8},  None},
            {IDC_SET,   PushButton, "Set",           {115, 18, 37, 14}, DefaultButton | TabStop},
            {IDC_OFF,   PushButton, "Off",           {162, 18, 37, 14}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
