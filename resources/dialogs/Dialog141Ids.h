// Control ids of dialog template 141 (calibration and calibration-check reports).
#pragma once

namespace ids141 {
constexpr int IDC_PRINT = 1043;
constexpr int IDC_REPORT_LIST = 1087;
} // namespace ids141
