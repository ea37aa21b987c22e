// Control ids of template 136, the head configuration dialog.
#pragma once

#include "resources/dialogs/ControlIds.h"

// clang-format off
#define LUMI_IDS136(ID)                                                    \
    ID(IDC_MODEL,              1000)                                       \
    ID(IDC_SERIAL,             1001)                                       \
    ID(IDC_CAL_MONTH,          1002)                                       \
    ID(IDC_CAL_DAY,            1010)                                       \
    ID(IDC_CAL_YEAR,           1011)                                       \
    ID(IDC_TODAY,              1027)                                       \
    ID(IDC_AVG_STEP,           1003)                                       \
    ID(IDC_DAC_PWM,            1004)                                       \
    ID(IDC_MAX_PWM,            1005)                                       \
    ID(IDC_MAX_TEMPERATURE,    1006)                                       \
    ID(IDC_BOARD_SERIAL,       1012)                                       \
    ID(IDC_CHANNEL_A,          1061)                                       \
    ID(IDC_CHANNEL_B,          1062)                                       \
    ID(IDC_ENABLE_CALIBRATION, 1077)                                       \
    /* LCD Display Format radios, lcdFormat 0-3 */                         \
    ID(IDC_LCD_XXXXXX,         1039)                                       \
    ID(IDC_LCD_XXXX_X,         1040)                                       \
    ID(IDC_LCD_XXX_XX,         1063)                                       \
    ID(IDC_LCD_XX_XXX,         1064)                                       \
    ID(IDC_PHOTO_GROUP,        1098)                                       \
    ID(IDC_PHOTO_A,            1007)                                       \
    ID(IDC_PHOTO_B,            1008)                                       \
    ID(IDC_PHOTO_C,            1009)                                       \
    ID(IDC_INDEX_GROUP,        1099)                                       \
    ID(IDC_INDEX_A,            1016)                                       \
    ID(IDC_INDEX_B,            1017)                                       \
    ID(IDC_INDEX_C,            1018)                                       \
    ID(IDC_TEMP_A,             1021)                                       \
    ID(IDC_TEMP_B,             1019)                                       \
    ID(IDC_TEMP_C,             1020)                                       \
    /* Multi-calibration rows 1-10: check box, name edit, factor edit */   \
    ID(IDC_MULTI_CAL1_CHECK,   1045)                                       \
    ID(IDC_MULTI_CAL1_NAME,    1013)                                       \
    ID(IDC_MULTI_CAL1_FACTOR,  1014)                                       \
    ID(IDC_MULTI_CAL2_CHECK,   1046)                                       \
    ID(IDC_MULTI_CAL2_NAME,    1015)                                       \
    ID(IDC_MULTI_CAL2_FACTOR,  1022)                                       \
    ID(IDC_MULTI_CAL3_CHECK,   1048)                                       \
    ID(IDC_MULTI_CAL3_NAME,    1023)                                       \
    ID(IDC_MULTI_CAL3_FACTOR,  1024)                                       \
    ID(IDC_MULTI_CAL4_CHECK,   1049)                                       \
    ID(IDC_MULTI_CAL4_NAME,    1025)                                       \
    ID(IDC_MULTI_CAL4_FACTOR,  1026)                                       \
    ID(IDC_MULTI_CAL5_CHECK,   1050)                                       \
    ID(IDC_MULTI_CAL5_NAME,    1028)                                       \
    ID(IDC_MULTI_CAL5_FACTOR,  1029)                                       \
    ID(IDC_MULTI_CAL6_CHECK,   1051)                                       \
    ID(IDC_MULTI_CAL6_NAME,    1030)                                       \
    ID(IDC_MULTI_CAL6_FACTOR,  1031)                                       \
    ID(IDC_MULTI_CAL7_CHECK,   1052)                                       \
    ID(IDC_MULTI_CAL7_NAME,    1032)                                       \
    ID(IDC_MULTI_CAL7_FACTOR,  1033)                                       \
    ID(IDC_MULTI_CAL8_CHECK,   1053)                                       \
    ID(IDC_MULTI_CAL8_NAME,    1034)                                       \
    ID(IDC_MULTI_CAL8_FACTOR,  1035)                                       \
    ID(IDC_MULTI_CAL9_CHECK,   1054)                                       \
    ID(IDC_MULTI_CAL9_NAME,    1036)                                       \
    ID(IDC_MULTI_CAL9_FACTOR,  1037)                                       \
    ID(IDC_MULTI_CAL10_CHECK,  1055)                                       \
    ID(IDC_MULTI_CAL10_NAME,   1038)                                       \
    ID(IDC_MULTI_CAL10_FACTOR, 1041)                                       \
    ID(IDC_OPEN,               1044)                                       \
    ID(IDC_SAVE,               1047)                                       \
    ID(IDC_BURN,               1043)
// clang-format on

namespace ids136 {

constexpr int IDD_RVX_CONFIG = 136;

LUMI_CONTROL_IDS(LUMI_IDS136)

// LCD Display Format radios, in the order of the lcdFormat values 0-3.
constexpr int kLcdRadios[4] = {IDC_LCD_XXXXXX, IDC_LCD_XXXX_X, IDC_LCD_XXX_XX, IDC_LCD_XX_XXX};

// Multi-calibration rows 1-10 by row.
constexpr int kMultiCalRows = 10;
constexpr int kMultiCalCheck[kMultiCalRows] = {
    IDC_MULTI_CAL1_CHECK, IDC_MULTI_CAL2_CHECK, IDC_MULTI_CAL3_CHECK, IDC_MULTI_CAL4_CHECK,
    IDC_MULTI_CAL5_CHECK, IDC_MULTI_CAL6_CHECK, IDC_MULTI_CAL7_CHECK, IDC_MULTI_CAL8_CHECK,
    IDC_MULTI_CAL9_CHECK, IDC_MULTI_CAL10_CHECK};
constexpr int kMultiCalName[kMultiCalRows] = {
    IDC_MULTI_CAL1_NAME, IDC_MULTI_CAL2_NAME, IDC_MULTI_CAL3_NAME, IDC_MULTI_CAL4_NAME,
    IDC_MULTI_CAL5_NAME, IDC_MULTI_CAL6_NAME, IDC_MULTI_CAL7_NAME, IDC_MULTI_CAL8_NAME,
    IDC_MULTI_CAL9_NAME, IDC_MULTI_CAL10_NAME};
constexpr int kMultiCalFactor[kMultiCalRows] = {
    IDC_MULTI_CAL1_FACTOR, IDC_MULTI_CAL2_FACTOR, IDC_MULTI_CAL3_FACTOR, IDC_MULTI_CAL4_FACTOR,
    IDC_MULTI_CAL5_FACTOR, IDC_MULTI_CAL6_FACTOR, IDC_MULTI_CAL7_FACTOR, IDC_MULTI_CAL8_FACTOR,
    IDC_MULTI_CAL9_FACTOR, IDC_MULTI_CAL10_FACTOR};

} // namespace ids136
