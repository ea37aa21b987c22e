// Control ids of template 150, the pulse-mode dialog.
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS150(ID)                                   \
    ID(IDC_ON_DURATION,         1000) /* seconds */       \
    ID(IDC_OFF_DURATION,        1001) /* seconds */       \
    ID(IDC_INTENSITY,           1002) /* index 0-255 */   \
    ID(IDC_PULSE_COUNT,         1003)                     \
    ID(IDC_TIME_LIMIT,          1004) /* seconds */       \
    ID(IDC_PROGRESS_PULSES,     1034)                     \
    ID(IDC_PROGRESS_TIME_LIMIT, 1035)                     \
    ID(IDC_MODE_PULSES,         1061)                     \
    ID(IDC_MODE_TIME_LIMIT,     1062)                     \
    ID(IDC_MODE_MANUAL,         1063)                     \
    ID(IDC_MODE_TRIGGER,        1064)                     \
    ID(IDC_CHANNEL_A,           1077)                     \
    ID(IDC_CHANNEL_B,           1078)                     \
    ID(IDC_ON,                  1090)                     \
    ID(IDC_ARM,                 1091)                     \
    ID(IDC_START_PULSES,        1092)                     \
    ID(IDC_START_TIME_LIMIT,    1093)
// clang-format on

namespace ids150 {
LUMI_CONTROL_IDS(LUMI_IDS150)
} // namespace ids150
