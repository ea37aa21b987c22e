// Control ids of template 131, the telemetry log dialog.
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS131(ID)        \
    ID(IDC_OPERATOR, 1000)     \
    ID(IDC_COMMENT,  1001)     \
    ID(IDC_PATH,     1002)     \
    ID(IDC_BROWSE,   1043)
// clang-format on

namespace ids131 {
LUMI_CONTROL_IDS(LUMI_IDS131)
} // namespace ids131
