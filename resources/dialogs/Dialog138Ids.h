#pragma once
// Control ids of template 138, the head detail dialog.

namespace ids138 {
constexpr int IDC_PICTURE = 1058;
constexpr int IDC_MODEL = 1041;
constexpr int IDC_WAVELENGTH = 1042;
constexpr int IDC_SERIAL = 1049;
constexpr int IDC_CAL_DATE = 1052;
constexpr int IDC_VALUE = 1000;
constexpr int IDC_UNIT = 1053;
constexpr int IDC_SET = 1043;
constexpr int IDC_MORE = 1002;
} // namespace ids138
