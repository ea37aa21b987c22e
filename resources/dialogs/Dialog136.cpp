// Head configuration: every field of a head's record. Identity, limits,
// board and LCD format on the left; the three coefficient triples and the
// footnote on DAC/PWM in the middle; the multi-calibration table on the
// right; Open, Save and Burn below it. No OK or Cancel button.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog136Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog136() {
    using enum ControlKind;
    using namespace style;
    using namespace ids136;
    constexpr uint32_t kEdit = AutoHScroll | Border | TabStop;
    constexpr uint32_t kLabel = AlignRight;
    static const DialogTemplate t = [] {
        DialogTemplate d{
            IDD_RVX_CONFIG,
            "RVX Configuration",
            539,
            305,
            {"MS Shell Dlg", 8, 400},
            window::Caption | window::SysMenu | window::ModalFrame | window::Center,
            0,
            0,
            {},
        };
        // clang-format off
        d.controls = {
            {-1, Static, "Model:", {7, 10, 64, 8}, kLabel},
            {IDC_MODEL, Edit, "", {75, 8, 100, 14}, kEdit | Group},
            {-1, Static, "Serial:", {7, 28, 64, 8}, kLabel},
            {IDC_SERIAL, Edit, "", {75, 26, 100, 14}, kEdit},
            {-1, Static, "Calibration Date:", {7, 46, 64, 8}, kLabel},
            {IDC_CAL_MONTH, Edit, "", {75, 44, 18, 14}, kEdit},
            {-1, Static, "/", {94, 47, 5, 8}, AlignCenter},
            {IDC_CAL_DAY, Edit, "", {100, 44, 18, 14}, kEdit},
            {-1, Static, "/", {119, 47, 5, 8}, AlignCenter},
            {IDC_CAL_YEAR, Edit, "", {125, 44, 18, 14}, kEdit},
            {IDC_TODAY, PushButton, "today", {147, 44, 28, 14}, TabStop},
            {-1, Static, "Average step:", {7, 64, 64, 8}, kLabel},
            {IDC_AVG_STEP, Edit, "", {75, 62, 100, 14}, kEdit},
            {-1, Static, "DAC/PWM *:", {7, 82, 64, 8}, kLabel},
            {IDC_DAC_PWM, Edit, "", {75, 80, 100, 14}, kEdit},
            {-1, Static, "Maximum PWM:", {7, 100, 64, 8}, kLabel},
            {IDC_MAX_PWM, Edit, "", {75, 98, 100, 14}, kEdit},
            {-1, Static, "Max temperature:", {7, 118, 64, 8}, kLabel},
            {IDC_MAX_TEMPERATURE, Edit, "", {75, 116, 100, 14}, kEdit},
            {-1, Static, "Control Board Serial Number:", {7, 142, 102, 8}, None},
            {IDC_BOARD_SERIAL, Edit, "", {111, 140, 64, 14}, kEdit},
            {IDC_CHANNEL_A, RadioButton, "Channel A", {14, 161, 55, 10}, Group | TabStop},
            {IDC_CHANNEL_B, RadioButton, "Channel B", {80, 161, 55, 10}, None},
            {IDC_ENABLE_CALIBRATION, CheckBox, "Enable Calibration", {14, 177, 100, 10}, Group | TabStop},
            {-1, GroupBox, "LCD Display Format", {7, 194, 168, 46}, Group},
            {IDC_LCD_XXXXXX, RadioButton, "xxxxxx", {16, 208, 55, 10}, Group | TabStop},
            {IDC_LCD_XXXX_X, RadioButton, "xxxx.x", {16, 224, 55, 10}, None},
            {IDC_LCD_XXX_XX, RadioButton, "xxx.xx", {92, 208, 55, 10}, None},
            {IDC_LCD_XX_XXX, RadioButton, "xx.xxx", {92, 224, 55, 10}, None},

            {IDC_PHOTO_GROUP, GroupBox, "Photo-to-mW Coeffs (ax\xB2 + bx + c)", {185, 7, 170, 62}, Group},
            {-1, Static, "a:", {193, 21, 10, 8}, kLabel},
            {IDC_PHOTO_A, Edit, "", {207, 19, 110, 14}, kEdit | Group},
            {-1, Static, "b:", {193, 37, 10, 8}, kLabel},
            {IDC_PHOTO_B, Edit, "", {207, 35, 110, 14}, kEdit},
            {-1, Static, "c:", {193, 53, 10, 8}, kLabel},
            {IDC_PHOTO_C, Edit, "", {207, 51, 110, 14}, kEdit},
            {IDC_INDEX_GROUP, GroupBox, "mW-to-Index Coeffs (ax\xB2 + bx + c)", {185, 75, 170, 62}, None},
            {-1, Static, "a:", {193, 89, 10, 8}, kLabel},
            {IDC_INDEX_A, Edit, "", {207, 87, 110, 14}, kEdit},
            {-1, Static, "b:", {193, 105, 10, 8}, kLabel},
            {IDC_INDEX_B, Edit, "", {207, 103, 110, 14}, kEdit},
            {-1, Static, "c:", {193, 121, 10, 8}, kLabel},
            {IDC_INDEX_C, Edit, "", {207, 119, 110, 14}, kEdit},
            {-1, GroupBox, "Temperature Coeffs (ax\xB2 + bx + c)", {185, 143, 170, 62}, None},
            {-1, Static, "a:", {193, 157, 10, 8}, kLabel},
            {IDC_TEMP_A, Edit, "", {207, 155, 110, 14}, kEdit},
            {-1, Static, "b:", {193, 173, 10, 8}, kLabel},
            {IDC_TEMP_B, Edit, "", {207, 171, 110, 14}, kEdit},
            {-1, Static, "c:", {193, 189, 10, 8}, kLabel},
            {IDC_TEMP_C, Edit, "", {207, 187, 110, 14}, kEdit},
            {-1, Static,
             "*  This value is either:\n"
             "   - the initially set DAC value when in PWM intensity-set mode, or\n"
             "   - the initially set PWM value when in DAC intensity-set mode.",
             {185, 212, 170, 56}, None},

            {-1, GroupBox, "Multi-Calibration Factors", {365, 7, 167, 256}, None},
            {-1, Static, "Calibration Name", {387, 20, 80, 8}, None},
            {-1, Static, "Factor", {472, 20, 50, 8}, None},
        };
        // clang-format on
        for (int row = 0; row < kMultiCalRows; ++row) {
            const int y = 32 + row * 22;
            d.controls.push_back({kMultiCalCheck[row],
                                  CheckBox,
                                  "",
                                  {373, y + 2, 10, 10},
                                  (row == 0 ? Group : None) | TabStop});
            d.controls.push_back({kMultiCalName[row], Edit, "", {387, y, 80, 14}, kEdit});
            d.controls.push_back({kMultiCalFactor[row], Edit, "", {472, y, 52, 14}, kEdit});
        }
        d.controls.push_back({IDC_OPEN, PushButton, "Open", {365, 280, 50, 16}, Group | TabStop});
        d.controls.push_back({IDC_SAVE, PushButton, "Save", {423, 280, 50, 16}, TabStop});
        d.controls.push_back({IDC_BURN, PushButton, "Burn", {482, 280, 50, 16}, TabStop});
        return d;
    }();
    return t;
}

} // namespace platform::ui
