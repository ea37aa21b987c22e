// Control ids of template 151, the controller mode switch dialog.
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS151(ID)             \
    ID(IDC_DEFAULT_VALUE, 1000)     \
    ID(IDC_MODE_TEXT,     1041)     \
    ID(IDC_DEFAULT_LABEL, 1042)     \
    ID(IDC_SWITCH,        1043)
// clang-format on

namespace ids151 {
LUMI_CONTROL_IDS(LUMI_IDS151)
} // namespace ids151
