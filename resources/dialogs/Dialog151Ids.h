// Control ids of template 151, the controller mode switch dialog.
#pragma once

namespace ids151 {
constexpr int IDC_DEFAULT_VALUE = 1000;
constexpr int IDC_MODE_TEXT = 1041;
constexpr int IDC_DEFAULT_LABEL = 1042;
constexpr int IDC_SWITCH = 1043;
} // namespace ids151
