// Control ids of template 131, the telemetry log dialog.
#pragma once

namespace ids131 {
constexpr int IDC_OPERATOR = 1000;
constexpr int IDC_COMMENT = 1001;
constexpr int IDC_PATH = 1002;
constexpr int IDC_BROWSE = 1043;
} // namespace ids131
