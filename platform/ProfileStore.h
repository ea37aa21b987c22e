#pragma once
// Per-user settings store: the program's small registry of named text values.
//
// Values live in one file per application, under
//   ${XDG_CONFIG_HOME:-$HOME/.config}/<company>/<application>.ini
// (the company being the key name the program sets, e.g. "Lumiflex"). The file
// holds "entry=value" lines; values of the empty section come first, other
// sections follow under "[section]" headers. Texts are code page 1252 bytes;
// backslash, CR and LF are escaped so that every value stays on one line.
// Writes replace the file through a temporary file and a rename, so a crash
// mid-write never leaves a truncated store.

#include <map>
#include <string>
#include <utility>

namespace platform {

class ProfileStore {
public:
    ProfileStore() = default;
    // company: folder name under the configuration directory; application: file base name.
    ProfileStore(std::string company, std::string application);

    // Full path of the backing file; empty when no company is set.
    const std::string& Path() const { return m_path; }

    // The stored value, or `fallback` when the entry (or the whole file) is missing.
    std::string GetString(const std::string& section, const std::string& entry,
                          const std::string& fallback) const;

    // Stores the value and rewrites the file at once. False when the file could not be written
    // (the value is then lost at exit, as a failing registry write would be).
    bool WriteString(const std::string& section, const std::string& entry,
                     const std::string& value);

    // Parsing and formatting, apart from the file system (tested with plain texts).
    using Sections = std::map<std::string, std::map<std::string, std::string>>;
    static Sections Parse(const std::string& text);
    static std::string Format(const Sections& sections);

private:
    std::string m_path;
};

// Directory of per-user configuration files: $XDG_CONFIG_HOME, else $HOME/.config, else ".".
std::string UserConfigDir();

} // namespace platform
