#include "platform/Settings.h"

#include "platform/Application.h"
#include "platform/FileImage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

std::mutex g_mutex;
std::string g_key;

struct Line {
    std::string section; // the section this line belongs to
    std::string entry;   // empty for headers and other lines
    std::string text;    // the line as stored
};

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool ValidName(const std::string& s) {
    return !s.empty() && s.find_first_of("\r\n=[]") == std::string::npos;
}

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

std::string PathLocked() {
    std::string app = GetApplicationName();
    if (g_key.empty() || app.empty())
        return {};
    return ConfigHome() + "/" + g_key + "/" + app;
}

std::vector<Line> ReadLines(const std::string& path) {
    std::vector<Line> lines;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return lines;
    std::string section, text;
    int ch;
    auto flush = [&] {
        Line l{section, {}, text};
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
            section = text.substr(1, text.size() - 2);
            l.section = section;
        } else if (auto eq = text.find('='); eq != std::string::npos && eq > 0) {
            l.entry = text.substr(0, eq);
        }
        lines.push_back(std::move(l));
        text.clear();
    };
    while ((ch = std::fgetc(f)) != EOF) {
        if (ch == '\n')
            flush();
        else if (ch != '\r')
            text += char(ch);
    }
    if (!text.empty())
        flush();
    std::fclose(f);
    return lines;
}

bool MakeDirs(const std::string& dir) {
    for (size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos == dir.size() || dir[pos] == '/') {
            std::string part = dir.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

bool WriteAtomically(const std::string& path, const std::string& content) {
    std::string dir = path.substr(0, path.find_last_of('/'));
    if (!MakeDirs(dir))
        return false;
    std::string tmp = path + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, reinterpret_cast<const uint8_t*>(content.data()), content.size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(name.data(), path.c_str()) == 0;
    if (!ok)
        ::unlink(name.data());
    return ok;
}

} // namespace

void SetRegistryKey(const std::string& key) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_key = key;
}

std::string ProfilePath() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return PathLocked();
}

std::string GetProfileString(const std::string& section, const std::string& entry,
                             const std::string& defaultValue) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string path = PathLocked();
    if (path.empty())
        return defaultValue;
    for (const Line& l : ReadLines(path))
        if (!l.entry.empty() && SameName(l.section, section) && SameName(l.entry, entry))
            return l.text.substr(l.entry.size() + 1);
    return defaultValue;
}

bool WriteProfileString(const std::string& section, const std::string& entry,
                        const std::string& value) {
    // The empty section holds values directly under the application's key.
    if ((!section.empty() && !ValidName(section)) || !ValidName(entry) ||
        value.find_first_of("\r\n") != std::string::npos)
        return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string path = PathLocked();
    if (path.empty())
        return false;
    std::vector<Line> lines = ReadLines(path);
    const std::string text = entry + "=" + value;
    bool done = false;
    for (Line& l : lines)
        if (!l.entry.empty() && SameName(l.section, section) && SameName(l.entry, entry)) {
            l.text = l.entry + "=" + value; // the stored name keeps its spelling
            done = true;
            break;
        }
    if (!done) {
        // Append to the section's last line, or start the section at the end.
        size_t at = section.empty() ? 0 : lines.size();
        bool found = section.empty();
        for (size_t i = 0; i < lines.size(); ++i)
            if (SameName(lines[i].section, section)) {
                at = i + 1;
                found = true;
            }
        if (!found)
            lines.push_back(Line{section, {}, "[" + section + "]"}), at = lines.size();
        lines.insert(lines.begin() + long(at), Line{section, entry, text});
    }
    std::string content;
    for (const Line& l : lines)
        content += l.text + "\n";
    return WriteAtomically(path, content);
}

} // namespace platform
