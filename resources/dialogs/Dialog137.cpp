// Calibration utility: head identity, light meter, run set-up and points,
// temporary DAC/PWM values, results, photodiode and controller board. No OK
// or Cancel button: Esc and the close box end it.
#include "platform/ui/Template.h"
#include "resources/dialogs/Dialog137Ids.h"

namespace platform::ui {

const DialogTemplate& Dialog137() {
    using enum ControlKind;
    using namespace style;
    using namespace ids137;
    constexpr uint32_t kEdit = AlignCenter | AutoHScroll | Border | TabStop;
    constexpr uint32_t kToggle = PushLike | TabStop;
    constexpr uint32_t kBig = AlignCenter;
    // clang-format off
    static const DialogTemplate t{
        137, "RVX Calibration Utility", 607, 284, {"Microsoft Sans Serif", 10, 400},
        window::Caption | window::SysMenu | window::ModalFrame | window::Center, 0, 0,
        {
            // Head identity.
            {-1,                   GroupBox,    "",             {7, 2, 62, 30},    None},
            {-1,                   Static,      "Model:",       {12, 10, 52, 9},   None},
            {IDC_MODEL,            Static,      "Model",        {12, 20, 52, 9},   None},
            {-1,                   GroupBox,    "",             {73, 2, 62, 30},   None},
            {-1,                   Static,      "Serial:",      {78, 10, 52, 9},   None},
            {IDC_SERIAL,           Static,      "Serial",       {78, 20, 52, 9},   None},
            {-1,                   GroupBox,    "",             {139, 2, 62, 30},  None},
            {-1,                   Static,      "Calibration:", {144, 10, 52, 9},  None},
            {IDC_CAL_DATE,         Static,      "00/00/00",     {144, 20, 52, 9},  None},
            // Light meter.
            {-1,                   GroupBox,    "Light Meter (mW)", {7, 35, 194, 62}, None},
            {-1,                   Static,      "Port:",        {13, 49, 20, 9},   None},
            {IDC_METER_PORT,       Edit,        "",             {35, 47, 110, 13}, kEdit},
            {IDC_METER_OPEN,       CheckBox,    "Open",         {150, 46, 45, 15}, kToggle},
            {IDC_METER_READOUT,    Static,      "0.00",         {13, 63, 182, 31}, kBig},
            // Run set-up.
            {-1,                   GroupBox,    "Setup",        {7, 99, 194, 76},  None},
            {-1,                   Static,      "Start:",       {13, 112, 25, 9},  AlignRight},
            {IDC_START,            Edit,        "",             {41, 110, 42, 13}, kEdit},
            {IDC_START_UNIT,       Static,      "index",        {86, 112, 34, 9},  None},
            {-1,                   Static,      "Stop:",        {13, 127, 25, 9},  AlignRight},
            {IDC_STOP,             Edit,        "",             {41, 125, 42, 13}, kEdit},
            {IDC_STOP_UNIT,        Static,      "index",        {86, 127, 34, 9},  None},
            {-1,                   Static,      "Step:",        {13, 142, 25, 9},  AlignRight},
            {IDC_STEP,             Edit,        "",             {41, 140, 42, 13}, kEdit},
            {IDC_STEP_UNIT,        Static,      "index",        {86, 142, 34, 9},  None},
            {-1,                   Static,      "Factor:",      {13, 157, 25, 9},  AlignRight},
            {IDC_FACTOR,           Edit,        "",             {41, 155, 42, 13}, kEdit},
            {IDC_GO,               CheckBox,    "GO!",          {127, 109, 68, 29}, kToggle},
            {IDC_CHECK_MODE,       CheckBox,    "Calibration\nCheck", {127, 141, 68, 29}, kToggle | Multiline},
            // Points.
            {IDC_POINTS,           ListView,    "",             {7, 178, 194, 88}, ShowSelAlways | Border | TabStop},
            {IDC_PROGRESS,         Progress,    "",             {7, 270, 194, 9},  Smooth | Border},
            // Temporary DAC and PWM values.
            {-1,                   GroupBox,    "DAC Value (Temporary Set)", {207, 2, 96, 34}, None},
            {IDC_DAC,              Edit,        "",             {212, 16, 36, 13}, kEdit},
            {IDC_DAC_GET,          PushButton,  "get",          {251, 16, 23, 13}, TabStop},
            {IDC_DAC_SET,          PushButton,  "set",          {276, 16, 23, 13}, TabStop},
            {-1,                   GroupBox,    "PWM Value (Index)", {307, 2, 96, 34}, None},
            {IDC_PWM,              Edit,        "",             {312, 16, 36, 13}, kEdit},
            {IDC_PWM_SET,          PushButton,  "set",          {351, 16, 23, 13}, TabStop},
            {IDC_PWM_OFF,          PushButton,  "off",          {376, 16, 23, 13}, TabStop},
            // Calibration results.
            {-1,                   GroupBox,    "Calibration Results", {207, 39, 196, 150}, None},
            {-1,                   GroupBox,    "Photo-to-mW Coeffs (ax\xB2 + bx + c)", {213, 50, 184, 56}, None},
            {-1,                   Static,      "a:",           {219, 61, 14, 9},  AlignRight},
            {IDC_PHOTO_A,          Static,      "a",            {236, 61, 155, 9}, None},
            {-1,                   Static,      "b:",           {219, 72, 14, 9},  AlignRight},
            {IDC_PHOTO_B,          Static,      "b",            {236, 72, 155, 9}, None},
            {-1,                   Static,      "c:",           {219, 83, 14, 9},  AlignRight},
            {IDC_PHOTO_C,          Static,      "c",            {236, 83, 155, 9}, None},
            {-1,                   Static,      "R\xB2:",       {219, 94, 14, 9},  AlignRight},
            {IDC_PHOTO_R2,         Static,      "r2",           {236, 94, 155, 9}, None},
            {-1,                   GroupBox,    "mW-to-Index Coeffs (ax\xB2 + bx + c)", {213, 108, 184, 56}, None},
            {-1,                   Static,      "a:",           {219, 119, 14, 9}, AlignRight},
            {IDC_INDEX_A,          Static,      "a",            {236, 119, 155, 9}, None},
            {-1,                   Static,      "b:",           {219, 130, 14, 9}, AlignRight},
            {IDC_INDEX_B,          Static,      "b",            {236, 130, 155, 9}, None},
            {-1,                   Static,      "c:",           {219, 141, 14, 9}, AlignRight},
            {IDC_INDEX_C,          Static,      "c",            {236, 141, 155, 9}, None},
            {-1,                   Static,      "R\xB2:",       {219, 152, 14, 9}, AlignRight},
            {IDC_INDEX_R2,         Static,      "r2",           {236, 152, 155, 9}, None},
            {IDC_BURN,             PushButton,  "Burn",         {213, 167, 44, 19}, TabStop},
            {IDC_COEFFS,           PushButton,  "Calibration\nCoeffs", {259, 167, 44, 19}, Multiline | TabStop},
            {IDC_SHOW_REPORT,      PushButton,  "Show Report",  {305, 167, 44, 19}, Multiline | TabStop},
            {IDC_SAVE_RAW,         PushButton,  "Save Raw",     {351, 167, 44, 19}, TabStop},
            // Photodiode.
            {-1,                   GroupBox,    "Photodiode",   {207, 191, 196, 88}, None},
            {IDC_POLL,             CheckBox,    "Poll",         {213, 203, 184, 13}, kToggle},
            {-1,                   GroupBox,    "mW",           {213, 218, 90, 57}, None},
            {IDC_HEAD_MW,          Static,      "0.000",        {216, 231, 84, 34}, kBig},
            {-1,                   GroupBox,    "Raw",          {307, 218, 90, 57}, None},
            {IDC_HEAD_RAW,         Static,      "0",            {310, 231, 84, 34}, kBig},
            // Controller board.
            {-1,                   GroupBox,    "Controller Board", {409, 2, 191, 277}, None},
            {-1,                   GroupBox,    "Control Board Modes", {415, 13, 179, 126}, None},
            {-1,                   GroupBox,    "Role",         {421, 24, 78, 78}, None},
            {IDC_ROLE_LUMIFLEX,    RadioButton, "Lumiflex",     {427, 35, 68, 10}, Group | TabStop},
            {IDC_ROLE_MX12,        RadioButton, "MX12",         {427, 48, 68, 10}, None},
            {IDC_ROLE_TALON,       RadioButton, "Talon",        {427, 61, 68, 10}, None},
            {IDC_ROLE_HB7R40,      RadioButton, "HB7R40",       {427, 74, 68, 10}, None},
            {IDC_ROLE_K310,        RadioButton, "K310",         {427, 87, 68, 10}, None},
            {-1,                   GroupBox,    "Intensity Set Mode", {503, 24, 85, 40}, None},
            {IDC_MODE_PWM,         RadioButton, "PWM",          {509, 35, 70, 10}, Group | TabStop},
            {IDC_MODE_DAC,         RadioButton, "DAC",          {509, 48, 70, 10}, None},
            {-1,                   GroupBox,    "Serial Number", {421, 104, 78, 31}, Group},
            {IDC_BOARD_SERIAL,     Edit,        "",             {426, 116, 68, 13}, kEdit},
            {-1,                   GroupBox,    "Firmware Version", {503, 66, 85, 31}, None},
            {IDC_FIRMWARE,         Static,      "version",      {508, 79, 75, 9},  AlignCenter},
            {IDC_BOARD_GET,        PushButton,  "get",          {503, 101, 41, 15}, TabStop},
            {IDC_BOARD_SET,        PushButton,  "set",          {547, 101, 41, 15}, TabStop},
            {IDC_SUGGEST,          PushButton,  "<< Suggest",   {503, 119, 41, 15}, Hidden | TabStop},
            {IDC_CALIBRATION_MODE, PushButton,  "Calibration Mode", {415, 143, 179, 22}, TabStop},
            {IDC_FAN_OFF,          PushButton,  "Turn Optical Head Fan Off", {415, 169, 179, 22}, TabStop},
            {IDC_CANCEL_OVERTEMP,  PushButton,  "Cancel Overtemp Protection and Warning", {415, 195, 179, 22}, TabStop},
            {IDC_DEBUG_NO_HEAD,    PushButton,  "Continue in Debug Mode without Optical Head", {415, 221, 179, 22}, TabStop},
            {IDC_ERASE_EEPROM,     PushButton,  "ERASE RVX EEPROM", {415, 251, 179, 22}, TabStop},
        },
    };
    // clang-format on
    return t;
}

} // namespace platform::ui
