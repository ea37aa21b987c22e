#pragma once
// Control ids of template 145, the advanced index dialog.

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS145(ID)     \
    ID(IDC_INDEX, 1000)     \
    ID(IDC_SET,   1043)     \
    ID(IDC_OFF,   1044)
// clang-format on

namespace ids145 {
LUMI_CONTROL_IDS(LUMI_IDS145)
} // namespace ids145
