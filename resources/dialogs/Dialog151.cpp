// Controller mode switch: the current intensity-set mode, the default value
// for the other mode, and the one button that switches.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog151Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog151() {
    using enum ControlKind;
    using namespace style;
    using namespace ids151;
    // clang-format off
    static const DialogTemplate t{
        151, "Lumiflex Mode Switch", 192, 76, {"Microsoft Sans Serif", 12, 400},
        window::Caption | window::SysMenu | window::ModalFrame | window::Center, 0, 0,
        {
            {IDC_MODE_TEXT,     Static,     "The Lumiflex is currently in PWM mode.", {7, 7, 179, 8},   AlignCenter},
            {IDC_DEFAULT_LABEL, Static,     "Default PWM value while in DAC mode:",   {13, 26, 128, 8}, None},
            {IDC_DEFAULT_VALUE, Edit,       "",                                       {144, 23, 40, 14}, AutoHScroll | Border | TabStop},
            {IDC_SWITCH,        PushButton, "Click here to set Lumiflex to DAC mode", {5, 40, 183, 31}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
