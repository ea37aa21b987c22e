// Control ids of dialog template 141 (calibration and calibration-check reports).
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS141(ID)           \
    ID(IDC_PRINT,       1043)     \
    ID(IDC_REPORT_LIST, 1087)
// clang-format on

namespace ids141 {
LUMI_CONTROL_IDS(LUMI_IDS141)
} // namespace ids141
