// Control ids of template 135, the password prompt (besides OK and Cancel).
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS135(ID)        \
    ID(IDC_PASSWORD, 1000)
// clang-format on

namespace ids135 {
LUMI_CONTROL_IDS(LUMI_IDS135)
} // namespace ids135
