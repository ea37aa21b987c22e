// Control ids of the calibration utility (template 137).
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS137(ID)                                   \
    /* Head identity. */                                  \
    ID(IDC_MODEL,            1041)                        \
    ID(IDC_SERIAL,           1049)                        \
    ID(IDC_CAL_DATE,         1052)                        \
    /* Light meter. */                                    \
    ID(IDC_METER_PORT,       1042)                        \
    ID(IDC_METER_OPEN,       1051)                        \
    ID(IDC_METER_READOUT,    1092)                        \
    /* Run set-up. */                                     \
    ID(IDC_START,            1037)                        \
    ID(IDC_STOP,             1038)                        \
    ID(IDC_STEP,             1008)                        \
    ID(IDC_START_UNIT,       1066)                        \
    ID(IDC_STOP_UNIT,        1067)                        \
    ID(IDC_STEP_UNIT,        1068)                        \
    ID(IDC_FACTOR,           1013)                        \
    ID(IDC_GO,               1044)                        \
    ID(IDC_CHECK_MODE,       1047)                        \
    ID(IDC_POINTS,           1087)                        \
    ID(IDC_PROGRESS,         1034)                        \
    /* Temporary DAC and PWM values. */                   \
    ID(IDC_DAC,              1001)                        \
    ID(IDC_DAC_GET,          1032)                        \
    ID(IDC_DAC_SET,          1027)                        \
    ID(IDC_PWM,              1006)                        \
    ID(IDC_PWM_SET,          1033)                        \
    ID(IDC_PWM_OFF,          1030)                        \
    /* Calibration results. */                            \
    ID(IDC_PHOTO_A,          1053)                        \
    ID(IDC_PHOTO_B,          1054)                        \
    ID(IDC_PHOTO_C,          1076)                        \
    ID(IDC_PHOTO_R2,         1056)                        \
    ID(IDC_INDEX_A,          1057)                        \
    ID(IDC_INDEX_B,          1058)                        \
    ID(IDC_INDEX_C,          1059)                        \
    ID(IDC_INDEX_R2,         1060)                        \
    ID(IDC_BURN,             1045)                        \
    ID(IDC_COEFFS,           1005)                        \
    ID(IDC_SHOW_REPORT,      1048)                        \
    ID(IDC_SAVE_RAW,         1050)                        \
    /* Photodiode. */                                     \
    ID(IDC_POLL,             1055)                        \
    ID(IDC_HEAD_MW,          1093)                        \
    ID(IDC_HEAD_RAW,         1094)                        \
    /* Controller board. */                               \
    ID(IDC_ROLE_LUMIFLEX,    1061)                        \
    ID(IDC_ROLE_MX12,        1062)                        \
    ID(IDC_ROLE_TALON,       1039)                        \
    ID(IDC_ROLE_HB7R40,      1040)                        \
    ID(IDC_ROLE_K310,        1063)                        \
    ID(IDC_MODE_PWM,         1064)                        \
    ID(IDC_MODE_DAC,         1065)                        \
    ID(IDC_BOARD_SERIAL,     1009)                        \
    ID(IDC_FIRMWARE,         1095)                        \
    ID(IDC_BOARD_GET,        1028)                        \
    ID(IDC_BOARD_SET,        1029)                        \
    ID(IDC_SUGGEST,          1043)                        \
    ID(IDC_CALIBRATION_MODE, 1002)                        \
    ID(IDC_FAN_OFF,          1003)                        \
    ID(IDC_CANCEL_OVERTEMP,  1007)                        \
    ID(IDC_DEBUG_NO_HEAD,    1004)                        \
    ID(IDC_ERASE_EEPROM,     1046)
// clang-format on

namespace ids137 {

constexpr int IDD_CALIB = 137;

LUMI_CONTROL_IDS(LUMI_IDS137)

} // namespace ids137
