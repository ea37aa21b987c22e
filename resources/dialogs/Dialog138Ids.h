#pragma once
// Control ids of template 138, the head detail dialog.

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS138(ID)          \
    ID(IDC_PICTURE,    1058)     \
    ID(IDC_MODEL,      1041)     \
    ID(IDC_WAVELENGTH, 1042)     \
    ID(IDC_SERIAL,     1049)     \
    ID(IDC_CAL_DATE,   1052)     \
    ID(IDC_VALUE,      1000)     \
    ID(IDC_UNIT,       1053)     \
    ID(IDC_SET,        1043)     \
    ID(IDC_MORE,       1002)
// clang-format on

namespace ids138 {
LUMI_CONTROL_IDS(LUMI_IDS138)
} // namespace ids138
