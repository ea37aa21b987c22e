#include "platform/ProfileStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Names also escape '=' and '[' so that a name can never be mistaken for the value separator
// or for a section header.
std::string Escape(const std::string& s, bool name = false) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (name && (c == '=' || c == '[')) {
            out += '\\';
            out += c;
            continue;
        }
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool MakeDirs(const std::string& dir) {
    if (dir.empty())
        return true;
    struct stat st {};
    if (stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool ReadWhole(const std::string& path, std::string& out) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    close(fd);
    return n == 0;
}

bool WriteAtomically(const std::string& path, const std::string& data) {
    std::string tmp = path + ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    bool ok = true;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(tmp.c_str(), path.c_str()) == 0)
        return true;
    unlink(tmp.c_str());
    return false;
}

} // namespace

std::string UserConfigDir() {
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        return x;
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/.config";
    return ".";
}

ProfileStore::ProfileStore(std::string company, std::string application) {
    if (!company.empty())
        m_path = UserConfigDir() + "/" + company + "/" + application + ".ini";
}

ProfileStore::Sections ProfileStore::Parse(const std::string& text) {
    Sections out;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = Unescape(line.substr(1, line.size() - 2));
            continue;
        }
        size_t eq = 0;
        while (eq < line.size() && line[eq] != '=')
            eq += line[eq] == '\\' ? 2 : 1;
        if (eq >= line.size())
            continue;
        out[section][Unescape(line.substr(0, eq))] = Unescape(line.substr(eq + 1));
    }
    return out;
}

std::string ProfileStore::Format(const Sections& sections) {
    std::string out;
    // The empty section must come first: its entries have no header of their own.
    if (auto it = sections.find(""); it != sections.end())
        for (const auto& [k, v] : it->second)
            out += Escape(k, true) + "=" + Escape(v) + "\n";
    for (const auto& [name, entries] : sections) {
        if (name.empty())
            continue;
        out += "[" + Escape(name) + "]\n";
        for (const auto& [k, v] : entries)
            out += Escape(k, true) + "=" + Escape(v) + "\n";
    }
    return out;
}

std::string ProfileStore::GetString(const std::string& section, const std::string& entry,
                                    const std::string& fallback) const {
    std::string text;
    if (m_path.empty() || !ReadWhole(m_path, text))
        return fallback;
    Sections all = Parse(text);
    auto s = all.find(section);
    if (s == all.end())
        return fallback;
    auto e = s->second.find(entry);
    return e == s->second.end() ? fallback : e->second;
}

bool ProfileStore::WriteString(const std::string& section, const std::string& entry,
                               const std::string& value) {
    if (m_path.empty())
        return false;
    std::string text;
    ReadWhole(m_path, text);
    Sections all = Parse(text);
    all[section][entry] = value;
    if (!MakeDirs(m_path.substr(0, m_path.find_last_of('/'))))
        return false;
    return WriteAtomically(m_path, Format(all));
}

} // namespace platform
