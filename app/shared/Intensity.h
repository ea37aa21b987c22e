// What a head may be sent, shared by every door that sends a typed or stored
// intensity: the main window, its head dialogs and profiles, and the
// calibration utility.
#pragma once

// The controller's intensity indexes run from 0 to kMaxIndex.
inline constexpr int kMaxIndex = 255;

// Why a calibrated intensity (mW/cm2) must not go to a controller, as the
// opening sentence of a box ("The intensity ..."), or null when it may go:
// it must be a number, finite and not negative (-0 is 0, the off command).
const char* IntensityProblem(float mw);
