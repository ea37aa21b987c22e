#pragma once
// Control ids of the main window's template (102).

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS102(ID)                                                                            \
    ID(IDC_LOGO,             1076) /* logo picture */                                              \
    ID(IDC_CALIBRATED_MODE,  1061) /* radio "Calibrated Continuous Mode" */                        \
    ID(IDC_INDEX_MODE,       1062) /* radio "Non-Calibrated (Index) Continuous Mode" */            \
    ID(IDC_PULSE_MODE,       1063) /* radio "Non-Calibrated (Index) Pulse Mode" (hidden) */        \
    ID(IDC_MANUAL,           1014) /* manual intensity box */                                      \
    ID(IDC_UNIT,             1041) /* unit label beside the manual box */                          \
    ID(IDC_SET,              1019) /* "Set" */                                                     \
    ID(IDC_OFF,              1007) /* "Off" */                                                     \
    ID(IDC_DURATION,         1024) /* new step: duration in seconds */                             \
    ID(IDC_INTENSITY1_CHECK, 1016) /* new step: "Intensity 1:" check box */                        \
    ID(IDC_INTENSITY1,       1025) /* new step: intensity 1 */                                     \
    ID(IDC_INTENSITY2_CHECK, 1047) /* new step: "Intensity 2:" check box */                        \
    ID(IDC_INTENSITY2,       1026) /* new step: intensity 2 */                                     \
    ID(IDC_PAUSE,            1017) /* new step: "Include a pause after this step" */               \
    ID(IDC_ADD,              1027) /* "Add" */                                                     \
    ID(IDC_STEP_LIST,        1036) /* the profile's steps */                                       \
    ID(IDC_VEXOR,            1044) /* "VEXOR" (hidden) */                                          \
    ID(IDC_SETUP,            1045) /* "Setup" (hidden) */                                          \
    ID(IDC_CLEAR_ALL,        1029) /* "Clear All" */                                               \
    ID(IDC_REMOVE_STEP,      1028) /* "Remove Step" */                                             \
    ID(IDC_OPEN,             1030) /* "Open" */                                                    \
    ID(IDC_SAVE,             1031) /* "Save" */                                                    \
    ID(IDC_RUN,              1033) /* "Run"/"Stop" push-like check box */                          \
    ID(IDC_STEP_PROGRESS,    1034) /* progress of the current step */                              \
    ID(IDC_OVERALL_PROGRESS, 1035) /* progress of the whole profile */                             \
    ID(IDC_LOOP,             1090) /* "Loop the profile" */                                        \
    ID(IDC_EXTERNAL_TRIGGER, 1077) /* "External Trigger" */                                        \
    ID(IDC_PERSISTENCE,      1078) /* "Persistence" */                                             \
    ID(IDC_LOG,              1059) /* "Log"/"Stop Log" push-like check box (hidden) */             \
    ID(IDC_SWITCH_MODES,     1043) /* "Switch Modes" (hidden) */                                   \
    ID(IDC_INSTRUMENT,       1097) /* instrument picture */
// clang-format on

namespace ids102 {

LUMI_CONTROL_IDS(LUMI_IDS102)

// Every head indicator: statics made at run time over the instrument picture,
// all with the static id, so none of them is in the template.
constexpr int IDC_INDICATOR = 0xFFFF;

} // namespace ids102
