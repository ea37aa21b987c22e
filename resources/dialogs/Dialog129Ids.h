#pragma once
// Control ids of template 129, the application configuration dialog.

namespace ids129 {
constexpr int IDC_TITLE_LUMIFLEX = 1061;
constexpr int IDC_TITLE_K310 = 1062;
constexpr int IDC_TITLE_7R40 = 1063;
constexpr int IDC_TITLE_MX12 = 1064;
constexpr int IDC_TITLE_TALON = 1068;
constexpr int IDC_TITLE_OPALINE = 1069;
constexpr int IDC_TITLE_OTHER = 1070;
constexpr int IDC_TITLE = 1006;
constexpr int IDC_HEAD_COUNT = 1017;
constexpr int IDC_HEAD_LIST = 1087;
constexpr int IDC_SERIAL = 1089;
constexpr int IDC_CHANNEL_A = 1039;
constexpr int IDC_CHANNEL_B = 1040;
constexpr int IDC_X = 1010;
constexpr int IDC_Y = 1011;
constexpr int IDC_PASSWORD_PROTECT = 1044;
} // namespace ids129
