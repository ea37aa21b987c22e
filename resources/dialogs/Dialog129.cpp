// Application configuration: window title, head positions, password flag.
#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog129Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog129() {
    using enum ControlKind;
    using namespace style;
    using namespace ids129;
    constexpr uint32_t kEdit = AutoHScroll | Border | TabStop;
    // clang-format off
    static const DialogTemplate t{
        129, "Application Configuration", 359, 186, {"Microsoft Sans Serif", 10, 400},
        window::Caption | window::SysMenu | window::ModalFrame, 0, 0,
        {
            {-1,                   GroupBox,    "Window Title",                         {8, 6, 131, 111},   None},
            {IDC_TITLE_LUMIFLEX,   RadioButton, "Lumiflex",                             {16, 19, 45, 10},   Group},
            {IDC_TITLE_K310,       RadioButton, "K310 DSC Photo Module",                {16, 32, 94, 10},   None},
            {IDC_TITLE_7R40,       RadioButton, "7R40 DSC Photo Module",                {16, 45, 93, 10},   None},
            {IDC_TITLE_MX12,       RadioButton, "MX12 DSC Photo Module",                {16, 58, 94, 10},   None},
            {IDC_TITLE_TALON,      RadioButton, "Talon DSC Photo Module",               {16, 71, 92, 10},   None},
            {IDC_TITLE_OPALINE,    RadioButton, "Opaline DSC Photo Module",             {16, 84, 104, 10},  None},
            {IDC_TITLE_OTHER,      RadioButton, "Other",                                {16, 97, 35, 10},   None},
            {IDC_TITLE,            Edit,        "",                                     {51, 95, 79, 14},   kEdit | Group},
            {-1,                   GroupBox,    "RVX Configuration",                    {143, 6, 209, 111}, None},
            {-1,                   Static,      "RVXs:",                                {156, 22, 20, 8},   None},
            {IDC_HEAD_COUNT,       Edit,        "",                                     {178, 20, 26, 14},  kEdit},
            {IDC_HEAD_LIST,        ListBox,     "",                                     {150, 39, 57, 73},  Notify | VScroll | Border | TabStop},
            {-1,                   GroupBox,    "Connected Control Board",              {214, 17, 131, 52}, None},
            {-1,                   Static,      "Serial Number:",                       {225, 32, 48, 8},   None},
            {IDC_SERIAL,           ComboBox,    "",                                     {276, 30, 60, 63},  Sorted | VScroll | TabStop},
            {IDC_CHANNEL_A,        RadioButton, "Channel A",                            {224, 51, 49, 10},  Group | TabStop},
            {IDC_CHANNEL_B,        RadioButton, "Channel B",                            {290, 51, 48, 10},  None},
            {-1,                   GroupBox,    "Output Window (x,y)",                  {214, 72, 131, 38}, Group},
            {-1,                   Static,      "X:",                                   {234, 88, 8, 8},    None},
            {IDC_X,                Edit,        "",                                     {244, 85, 26, 14},  kEdit},
            {-1,                   Static,      "Y:",                                   {287, 88, 8, 8},    None},
            {IDC_Y,                Edit,        "",                                     {297, 85, 26, 14},  kEdit},
            {IDOK,                 PushButton,  "OK",                                   {127, 162, 100, 18}, DefaultButton | TabStop},
            {IDCANCEL,             PushButton,  "Cancel",                               {249, 161, 100, 18}, TabStop},
            {-1,                   GroupBox,    "Password Protect",                     {144, 120, 209, 34}, None},
            {IDC_PASSWORD_PROTECT, CheckBox,    "Protect configuration with passwords", {182, 135, 135, 10}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
