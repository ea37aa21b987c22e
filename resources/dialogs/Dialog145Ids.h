#pragma once
// Control ids of template 145, the advanced index dialog.

namespace ids145 {
constexpr int IDC_INDEX = 1000;
constexpr int IDC_SET = 1043;
constexpr int IDC_OFF = 1044;
} // namespace ids145
