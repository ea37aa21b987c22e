#pragma once
// Control ids of the main window's template (102).

namespace ids102 {

constexpr int IDC_LOGO = 1076;             // logo picture
constexpr int IDC_CALIBRATED_MODE = 1061;  // radio "Calibrated Continuous Mode"
constexpr int IDC_INDEX_MODE = 1062;       // radio "Non-Calibrated (Index) Continuous Mode"
constexpr int IDC_PULSE_MODE = 1063;       // radio "Non-Calibrated (Index) Pulse Mode" (hidden)
constexpr int IDC_MANUAL = 1014;           // manual intensity box
constexpr int IDC_UNIT = 1041;             // unit label beside the manual box
constexpr int IDC_SET = 1019;              // "Set"
constexpr int IDC_OFF = 1007;              // "Off"
constexpr int IDC_DURATION = 1024;         // new step: duration in seconds
constexpr int IDC_INTENSITY1_CHECK = 1016; // new step: "Intensity 1:" check box
constexpr int IDC_INTENSITY1 = 1025;       // new step: intensity 1
constexpr int IDC_INTENSITY2_CHECK = 1047; // new step: "Intensity 2:" check box
constexpr int IDC_INTENSITY2 = 1026;       // new step: intensity 2
constexpr int IDC_PAUSE = 1017;            // new step: "Include a pause after this step"
constexpr int IDC_ADD = 1027;              // "Add"
constexpr int IDC_STEP_LIST = 1036;        // the profile's steps
constexpr int IDC_VEXOR = 1044;            // "VEXOR" (hidden)
constexpr int IDC_SETUP = 1045;            // "Setup" (hidden)
constexpr int IDC_CLEAR_ALL = 1029;        // "Clear All"
constexpr int IDC_REMOVE_STEP = 1028;      // "Remove Step"
constexpr int IDC_OPEN = 1030;             // "Open"
constexpr int IDC_SAVE = 1031;             // "Save"
constexpr int IDC_RUN = 1033;              // "Run"/"Stop" push-like check box
constexpr int IDC_STEP_PROGRESS = 1034;    // progress of the current step
constexpr int IDC_OVERALL_PROGRESS = 1035; // progress of the whole profile
constexpr int IDC_LOOP = 1090;             // "Loop the profile"
constexpr int IDC_EXTERNAL_TRIGGER = 1077; // "External Trigger"
constexpr int IDC_PERSISTENCE = 1078;      // "Persistence"
constexpr int IDC_LOG = 1059;              // "Log"/"Stop Log" push-like check box (hidden)
constexpr int IDC_SWITCH_MODES = 1043;     // "Switch Modes" (hidden)
constexpr int IDC_INSTRUMENT = 1097;       // instrument picture
constexpr int IDC_INDICATOR = 0xFFFF;      // every head indicator (the static id)

} // namespace ids102
