// Per-user profile strings, in place of the registry's application key.
// SetRegistryKey("Lumiflex") with application name "sorvane" keeps the values
// in ${XDG_CONFIG_HOME:-$HOME/.config}/Lumiflex/sorvane, a small text file of
// "[section]" headers and "entry=value" lines. Every write rewrites the file
// atomically (temporary file, then rename), so a crash never leaves half a file.
#pragma once

#include <string>

namespace platform {

// Chooses the company key (the folder under the configuration directory).
// Until it is called, profile strings are not stored: reads give the
// default, writes fail.
void SetRegistryKey(const std::string& key);

// The file that holds the values ("" before SetRegistryKey).
std::string ProfilePath();

// The value of section/entry, or `defaultValue` when there is none.
std::string GetProfileString(const std::string& section, const std::string& entry,
                             const std::string& defaultValue = "");

// Stores the value; false when the file could not be written. Section and
// entry names are compared ignoring case, as the registry does; values may
// hold any byte but CR and LF. The empty section name keeps the value
// directly under the application's key (at the top of the file).
bool WriteProfileString(const std::string& section, const std::string& entry,
                        const std::string& value);

} // namespace platform
