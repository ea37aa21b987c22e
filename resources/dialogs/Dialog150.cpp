// Pulse mode: channels, pulse on/off times and intensity, and one row per way
// of ending the train. The four row buttons are check boxes drawn as push
// buttons: pressed while their mode runs.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog150Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog150() {
    using enum ControlKind;
    using namespace style;
    using namespace ids150;
    constexpr uint32_t kEdit = AutoHScroll | Border | TabStop;
    constexpr uint32_t kTwin = PushLike | TabStop;
    // clang-format off
    static const DialogTemplate t{
        150, "Pulse Mode", 230, 218, {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::ModalFrame | window::Center, 0, 0,
        {
            {-1,            GroupBox,    "Channel Selector",   {7, 7, 216, 28},   None},
            {IDC_CHANNEL_A, CheckBox,    "Channel A",          {17, 19, 50, 10},  Group | TabStop},
            {IDC_CHANNEL_B, CheckBox,    "Channel B",          {80, 19, 50, 10},  TabStop},

            {-1,               GroupBox, "Pulse Control",      {7, 40, 216, 64},  None},
            {-1,               Static,   "Pulse On Duration",  {15, 55, 70, 8},   Group},
            {IDC_ON_DURATION,  Edit,     "",                   {90, 52, 40, 14},  kEdit},
            {-1,               Static,   "seconds",            {135, 55, 30, 8},  None},
            {-1,               Static,   "Pulse Off Duration", {15, 71, 70, 8},   None},
            {IDC_OFF_DURATION, Edit,     "",                   {90, 68, 40, 14},  kEdit},
            {-1,               Static,   "seconds",            {135, 71, 30, 8},  None},
            {-1,               Static,   "Intensity",          {15, 87, 70, 8},   None},
            {IDC_INTENSITY,    Edit,     "",                   {90, 84, 40, 14},  kEdit},
            {-1,               Static,   "index",              {135, 87, 30, 8},  None},

            {-1,                      GroupBox,    "Time Limitation",  {7, 108, 216, 103}, None},
            {IDC_MODE_PULSES,         RadioButton, "Number of pulses", {15, 122, 75, 10},  Group | TabStop},
            {IDC_PULSE_COUNT,         Edit,        "",                 {95, 120, 40, 14},  kEdit},
            {IDC_START_PULSES,        CheckBox,    "Start",            {145, 120, 50, 14}, kTwin},
            {IDC_PROGRESS_PULSES,     Progress,    "",                 {15, 137, 180, 6},  Border | Smooth},
            {IDC_MODE_TIME_LIMIT,     RadioButton, "Time Limit (sec)", {15, 151, 75, 10},  None},
            {IDC_TIME_LIMIT,          Edit,        "",                 {95, 149, 40, 14},  kEdit},
            {IDC_START_TIME_LIMIT,    CheckBox,    "Start",            {145, 149, 50, 14}, kTwin},
            {IDC_PROGRESS_TIME_LIMIT, Progress,    "",                 {15, 166, 180, 6},  Border | Smooth},
            {IDC_MODE_MANUAL,         RadioButton, "Manually",         {15, 178, 75, 10},  None},
            {IDC_ON,                  CheckBox,    "On",               {145, 176, 50, 14}, kTwin},
            {IDC_MODE_TRIGGER,        RadioButton, "Trigger",          {15, 195, 75, 10},  None},
            {IDC_ARM,                 CheckBox,    "Arm",              {145, 193, 50, 14}, kTwin},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
