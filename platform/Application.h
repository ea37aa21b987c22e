// The application's name: the caption of its message boxes and the name of
// its settings file. Set once at start (the program sets its executable's name, "sorvane").
#pragma once

#include <string>

namespace platform {

void SetApplicationName(const std::string& name);
std::string GetApplicationName(); // "" until set

} // namespace platform
