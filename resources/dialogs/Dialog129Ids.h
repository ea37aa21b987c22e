#pragma once
// Control ids of template 129, the application configuration dialog.

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS129(ID)                \
    ID(IDC_TITLE_LUMIFLEX,   1061)     \
    ID(IDC_TITLE_K310,       1062)     \
    ID(IDC_TITLE_7R40,       1063)     \
    ID(IDC_TITLE_MX12,       1064)     \
    ID(IDC_TITLE_TALON,      1068)     \
    ID(IDC_TITLE_OPALINE,    1069)     \
    ID(IDC_TITLE_OTHER,      1070)     \
    ID(IDC_TITLE,            1006)     \
    ID(IDC_HEAD_COUNT,       1017)     \
    ID(IDC_HEAD_LIST,        1087)     \
    ID(IDC_SERIAL,           1089)     \
    ID(IDC_CHANNEL_A,        1039)     \
    ID(IDC_CHANNEL_B,        1040)     \
    ID(IDC_X,                1010)     \
    ID(IDC_Y,                1011)     \
    ID(IDC_PASSWORD_PROTECT, 1044)
// clang-format on

namespace ids129 {
LUMI_CONTROL_IDS(LUMI_IDS129)
} // namespace ids129
