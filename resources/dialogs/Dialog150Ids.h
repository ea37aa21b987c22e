// Control ids of template 150, the pulse-mode dialog.
#pragma once

namespace ids150 {
constexpr int IDC_ON_DURATION = 1000;  // seconds
constexpr int IDC_OFF_DURATION = 1001; // seconds
constexpr int IDC_INTENSITY = 1002;    // index 0-255
constexpr int IDC_PULSE_COUNT = 1003;
constexpr int IDC_TIME_LIMIT = 1004; // seconds
constexpr int IDC_PROGRESS_PULSES = 1034;
constexpr int IDC_PROGRESS_TIME_LIMIT = 1035;
constexpr int IDC_MODE_PULSES = 1061;
constexpr int IDC_MODE_TIME_LIMIT = 1062;
constexpr int IDC_MODE_MANUAL = 1063;
constexpr int IDC_MODE_TRIGGER = 1064;
constexpr int IDC_CHANNEL_A = 1077;
constexpr int IDC_CHANNEL_B = 1078;
constexpr int IDC_ON = 1090;
constexpr int IDC_ARM = 1091;
constexpr int IDC_START_PULSES = 1092;
constexpr int IDC_START_TIME_LIMIT = 1093;
} // namespace ids150
