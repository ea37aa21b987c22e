#pragma once
// Line settings from a text such as "baud=1200 parity=N data=8 stop=2".
#include "platform/SerialDevice.h"

namespace platform {

// Keys (any case, separated by blanks or tabs): baud=<bits per second>,
// parity=<N|O|E|M|S>, data=<5..8>, stop=<1|2>. Only the keys present change
// `settings`; an unknown key, a bad value or a missing '=' returns false and
// leaves `settings` as it was. The speed is not checked against the rates a
// device supports: applying the settings does that.
bool BuildLineSettings(const char* text, LineSettings& settings);

} // namespace platform
