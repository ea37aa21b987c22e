// Control ids of template 136, the head configuration dialog.
#pragma once

namespace ids136 {

constexpr int IDD_RVX_CONFIG = 136;

constexpr int IDC_MODEL = 1000;
constexpr int IDC_SERIAL = 1001;
constexpr int IDC_CAL_MONTH = 1002;
constexpr int IDC_CAL_DAY = 1010;
constexpr int IDC_CAL_YEAR = 1011;
constexpr int IDC_TODAY = 1027;
constexpr int IDC_AVG_STEP = 1003;
constexpr int IDC_DAC_PWM = 1004;
constexpr int IDC_MAX_PWM = 1005;
constexpr int IDC_MAX_TEMPERATURE = 1006;
constexpr int IDC_BOARD_SERIAL = 1012;
constexpr int IDC_CHANNEL_A = 1061;
constexpr int IDC_CHANNEL_B = 1062;
constexpr int IDC_ENABLE_CALIBRATION = 1077;

// LCD Display Format radios, in the order of the lcdFormat values 0-3.
constexpr int IDC_LCD_XXXXXX = 1039;
constexpr int IDC_LCD_XXXX_X = 1040;
constexpr int IDC_LCD_XXX_XX = 1063;
constexpr int IDC_LCD_XX_XXX = 1064;
constexpr int kLcdRadios[4] = {IDC_LCD_XXXXXX, IDC_LCD_XXXX_X, IDC_LCD_XXX_XX, IDC_LCD_XX_XXX};

constexpr int IDC_PHOTO_GROUP = 1098;
constexpr int IDC_PHOTO_A = 1007;
constexpr int IDC_PHOTO_B = 1008;
constexpr int IDC_PHOTO_C = 1009;
constexpr int IDC_INDEX_GROUP = 1099;
constexpr int IDC_INDEX_A = 1016;
constexpr int IDC_INDEX_B = 1017;
constexpr int IDC_INDEX_C = 1018;
constexpr int IDC_TEMP_A = 1021;
constexpr int IDC_TEMP_B = 1019;
constexpr int IDC_TEMP_C = 1020;

// Multi-calibration rows 1-10: check box, name edit, factor edit.
constexpr int kMultiCalRows = 10;
constexpr int kMultiCalCheck[kMultiCalRows] = {1045, 1046, 1048, 1049, 1050,
                                               1051, 1052, 1053, 1054, 1055};
constexpr int kMultiCalName[kMultiCalRows] = {1013, 1015, 1023, 1025, 1028,
                                              1030, 1032, 1034, 1036, 1038};
constexpr int kMultiCalFactor[kMultiCalRows] = {1014, 1022, 1024, 1026, 1029,
                                                1031, 1033, 1035, 1037, 1041};

constexpr int IDC_OPEN = 1044;
constexpr int IDC_SAVE = 1047;
constexpr int IDC_BURN = 1043;

} // namespace ids136
