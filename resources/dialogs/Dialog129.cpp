// Application configuration: window title, head positions, password flag.
#include "platform/ui/Template.h"

namespace platform::ui {

const DialogTemplate& Dialog129() {
    using enum ControlKind;
    using namespace style;
    constexpr uint32_t kEdit = AutoHScroll | Border | TabStop;
    // clang-format off
    static const DialogTemplate t{
        129, "Application Configuration", 359, 186, {"Microsoft Sans Serif", 10, 400},
        window::Caption | window::SysMenu | window::ModalFrame, 0, 0,
        {
            {-1,   GroupBox,    "Window Title",                         {8, 6, 131, 111},   None},
            {1061, RadioButton, "Lumiflex",                             {16, 19, 45, 10},   Group},
            {1062, RadioButton, "K310 DSC Photo Module",                {16, 32, 94, 10},   None},
            {1063, RadioButton, "7R40 DSC Photo Module",                {16, 45, 93, 10},   None},
            {1064, RadioButton, "MX12 DSC Photo Module",                {16, 58, 94, 10},   None},
            {1068, RadioButton, "Talon DSC Photo Module",               {16, 71, 92, 10},   None},
            {1069, RadioButton, "Opaline DSC Photo Module",             {16, 84, 104, 10},  None},
            {1070, RadioButton, "Other",                                {16, 97, 35, 10},   None},
            {1006, Edit,        "",                                     {51, 95, 79, 14},   kEdit | Group},
            {-1,   GroupBox,    "RVX Configuration",                    {143, 6, 209, 111}, None},
            {-1,   Static,      "RVXs:",                                {156, 22, 20, 8},   None},
            {1017, Edit,        "",                                     {178, 20, 26, 14},  kEdit},
            {1087, ListBox,     "",                                     {150, 39, 57, 73},  Notify | VScroll | Border | TabStop},
            {-1,   GroupBox,    "Connected Control Board",              {214, 17, 131, 52}, None},
            {-1,   Static,      "Serial Number:",                       {225, 32, 48, 8},   None},
            {1089, ComboBox,    "",                                     {276, 30, 60, 63},  Sorted | VScroll | TabStop},
            {1039, RadioButton, "Channel A",                            {224, 51, 49, 10},  Group | TabStop},
            {1040, RadioButton, "Channel B",                            {290, 51, 48, 10},  None},
            {-1,   GroupBox,    "Output Window (x,y)",                  {214, 72, 131, 38}, Group},
            {-1,   Static,      "X:",                                   {234, 88, 8, 8},    None},
            {1010, Edit,        "",                                     {244, 85, 26, 14},  kEdit},
            {-1,   Static,      "Y:",                                   {287, 88, 8, 8},    None},
            {1011, Edit,        "",                                     {297, 85, 26, 14},  kEdit},
            {1,    PushButton,  "OK",                                   {127, 162, 100, 18}, DefaultButton | TabStop},
            {2,    PushButton,  "Cancel",                               {249, 161, 100, 18}, TabStop},
            {-1,   GroupBox,    "Password Protect",                     {144, 120, 209, 34}, None},
            {1044, CheckBox,    "Protect configuration with passwords", {182, 135, 135, 10}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
