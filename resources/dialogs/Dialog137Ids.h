// Control ids of the calibration utility (template 137).
#pragma once

namespace ids137 {
constexpr int IDD_CALIB = 137;

// Head identity.
constexpr int IDC_MODEL = 1041;
constexpr int IDC_SERIAL = 1049;
constexpr int IDC_CAL_DATE = 1052;

// Light meter.
constexpr int IDC_METER_PORT = 1042;
constexpr int IDC_METER_OPEN = 1051;
constexpr int IDC_METER_READOUT = 1092;

// Run set-up.
constexpr int IDC_START = 1037;
constexpr int IDC_STOP = 1038;
constexpr int IDC_STEP = 1008;
constexpr int IDC_START_UNIT = 1066;
constexpr int IDC_STOP_UNIT = 1067;
constexpr int IDC_STEP_UNIT = 1068;
constexpr int IDC_FACTOR = 1013;
constexpr int IDC_GO = 1044;
constexpr int IDC_CHECK_MODE = 1047;
constexpr int IDC_POINTS = 1087;
constexpr int IDC_PROGRESS = 1034;

// Temporary DAC and PWM values.
constexpr int IDC_DAC = 1001;
constexpr int IDC_DAC_GET = 1032;
constexpr int IDC_DAC_SET = 1027;
constexpr int IDC_PWM = 1006;
constexpr int IDC_PWM_SET = 1033;
constexpr int IDC_PWM_OFF = 1030;

// Calibration results.
constexpr int IDC_PHOTO_A = 1053;
constexpr int IDC_PHOTO_B = 1054;
constexpr int IDC_PHOTO_C = 1076;
constexpr int IDC_PHOTO_R2 = 1056;
constexpr int IDC_INDEX_A = 1057;
constexpr int IDC_INDEX_B = 1058;
constexpr int IDC_INDEX_C = 1059;
constexpr int IDC_INDEX_R2 = 1060;
constexpr int IDC_BURN = 1045;
constexpr int IDC_COEFFS = 1005;
constexpr int IDC_SHOW_REPORT = 1048;
constexpr int IDC_SAVE_RAW = 1050;

// Photodiode.
constexpr int IDC_POLL = 1055;
constexpr int IDC_HEAD_MW = 1093;
constexpr int IDC_HEAD_RAW = 1094;

// Controller board.
constexpr int IDC_ROLE_LUMIFLEX = 1061;
constexpr int IDC_ROLE_MX12 = 1062;
constexpr int IDC_ROLE_TALON = 1039;
constexpr int IDC_ROLE_HB7R40 = 1040;
constexpr int IDC_ROLE_K310 = 1063;
constexpr int IDC_MODE_PWM = 1064;
constexpr int IDC_MODE_DAC = 1065;
constexpr int IDC_BOARD_SERIAL = 1009;
constexpr int IDC_FIRMWARE = 1095;
constexpr int IDC_BOARD_GET = 1028;
constexpr int IDC_BOARD_SET = 1029;
constexpr int IDC_SUGGEST = 1043;
constexpr int IDC_CALIBRATION_MODE = 1002;
constexpr int IDC_FAN_OFF = 1003;
constexpr int IDC_CANCEL_OVERTEMP = 1007;
constexpr int IDC_DEBUG_NO_HEAD = 1004;
constexpr int IDC_ERASE_EEPROM = 1046;
} // namespace ids137
