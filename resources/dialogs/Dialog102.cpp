// Main window: mode, manual intensity, profile editor and runner, extras; the
// instrument picture on the left carries the head indicators.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog102Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog102() {
    using enum ControlKind;
    using namespace style;
    using namespace ids102;
    constexpr uint32_t kEdit = AlignRight | AutoHScroll | Border | TabStop;
    static const DialogTemplate t{
        102,
        "    ",
        490,
        430,
        {"MS Shell Dlg", 8, 400},
        window::Caption | window::SysMenu | window::MinimizeBox | window::ModalFrame |
            window::AppWindow,
        0,
        0,
        {
            {IDC_LOGO, Bitmap, "", {32, 4, 15, 13}, None},
            {-1, GroupBox, "Mode of Operation", {301, 3, 181, 57}, None},
            {IDC_CALIBRATED_MODE,
             RadioButton,
             "Calibrated Continuous Mode",
             {326, 16, 106, 10},
             Group},
            {IDC_INDEX_MODE,
             RadioButton,
             "Non-Calibrated (Index) Continuous Mode",
             {326, 30, 147, 10},
             None},
            {-1, GroupBox, "Manual", {301, 63, 181, 39}, None},
            {-1, GroupBox, "Profile", {301, 105, 181, 280}, None},
            {IDC_MANUAL, Edit, "", {313, 78, 40, 14}, kEdit},
            {IDC_UNIT, Static, "mW/cm\xB2", {359, 81, 28, 8}, Group},
            {IDC_SET, PushButton, "Set", {395, 76, 35, 17}, TabStop},
            {IDC_OFF, PushButton, "Off", {440, 76, 35, 17}, TabStop},
            {-1, GroupBox, "Add new step", {316, 118, 154, 77}, None},
            {-1, Static, "Duration (sec):", {325, 130, 49, 8}, AlignRight | Group},
            {IDC_DURATION, Edit, "", {378, 127, 40, 14}, kEdit},
            {IDC_INTENSITY1_CHECK, CheckBox, "Intensity 1:", {325, 145, 48, 10}, TabStop},
            {IDC_INTENSITY1, Edit, "", {378, 143, 40, 14}, kEdit},
            {IDC_INTENSITY2_CHECK, CheckBox, "Intensity 2:", {325, 161, 48, 10}, TabStop},
            {IDC_INTENSITY2, Edit, "", {378, 159, 40, 14}, kEdit},
            {IDC_PAUSE, CheckBox, "Include a pause after this step", {325, 177, 114, 10}, TabStop},
            {IDC_ADD, PushButton, "Add", {427, 135, 35, 30}, TabStop},
            {IDC_STEP_LIST,
             ListView,
             "",
             {310, 203, 165, 65},
             SingleSel | ShowSelAlways | Border | TabStop},
            {IDC_VEXOR, PushButton, "VEXOR", {313, 278, 50, 14}, Multiline | TabStop},
            {IDC_SETUP, PushButton, "Setup", {313, 296, 50, 14}, Multiline | TabStop},
            {IDC_CLEAR_ALL, PushButton, "Clear All", {367, 278, 50, 14}, TabStop},
            {IDC_REMOVE_STEP, PushButton, "Remove Step", {421, 278, 50, 14}, TabStop},
            {IDC_OPEN, PushButton, "Open", {367, 296, 50, 14}, TabStop},
            {IDC_SAVE, PushButton, "Save", {421, 296, 50, 14}, TabStop},
            {IDC_RUN, CheckBox, "Run", {324, 326, 43, 31}, PushLike | TabStop},
            {-1, Static, "Step", {378, 323, 16, 8}, Group},
            {IDC_STEP_PROGRESS, Progress, "", {378, 333, 85, 6}, Smooth | Border},
            {-1, Static, "Overall", {378, 341, 24, 8}, Group},
            {IDC_OVERALL_PROGRESS, Progress, "", {378, 350, 85, 6}, Smooth | Border},
            {-1, GroupBox, "", {316, 315, 154, 64}, None},
            {-1, GroupBox, "Extras", {301, 385, 181, 39}, None},
            {IDC_EXTERNAL_TRIGGER, CheckBox, "External Trigger", {326, 395, 67, 10}, TabStop},
            {IDC_LOG, CheckBox, "Log", {404, 396, 66, 20}, PushLike | Multiline | Hidden | TabStop},
            {IDC_PULSE_MODE,
             RadioButton,
             "Non-Calibrated (Index) Pulse Mode",
             {326, 44, 128, 10},
             Group | Hidden},
            {IDC_PERSISTENCE, CheckBox, "Persistence", {326, 409, 53, 10}, TabStop},
            {IDC_SWITCH_MODES, PushButton, "Switch Modes", {230, 389, 66, 35}, TabStop},
            {IDC_LOOP, CheckBox, "Loop the profile", {325, 363, 66, 10}, TabStop},
            {IDC_INSTRUMENT, Bitmap, "", {0, 93, 15, 13}, None},
        },
    };
    return t;
}

} // namespace platform::ui
