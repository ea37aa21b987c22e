#include "tools/comlist/PortList.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace comlist {

namespace {

class Dir {
public:
    explicit Dir(const std::string& path) : m_dir(::opendir(path.c_str())) {}
    ~Dir() {
        if (m_dir != nullptr)
            ::closedir(m_dir);
    }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names;
    Dir dir(path);
    if (dir.get() == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    }
    return names;
}

std::string Join(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/')
        return directory + name;
    return directory + "/" + name;
}

// The number after "ttyACM", or -1 when the name is not an ACM port.
long AcmNumber(std::string_view name) {
    constexpr std::string_view prefix = "ttyACM";
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix)
        return -1;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::strtol(std::string(digits).c_str(), nullptr, 10);
}

} // namespace

std::string PortsDirectory() {
    const char* chosen = std::getenv("LUMI_PORTS_DIR");
    if (chosen != nullptr && chosen[0] != '\0')
        return chosen;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = (runtime != nullptr && runtime[0] != '\0') ? runtime : "/tmp";
    return Join(base, "lumiflex/ports");
}

std::vector<std::string> SimulatedPorts(const std::string& directory) {
    std::vector<std::string> ports;
    for (const std::string& name : Names(directory)) {
        const std::string path = Join(directory, name);
        struct stat link {};
        struct stat target {};
        // A link left behind by a simulator that has gone leads nowhere.
        if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
            ::stat(path.c_str(), &target) == 0)
            ports.push_back(path);
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

std::vector<std::string> AcmPorts(const std::string& devDirectory) {
    std::vector<std::pair<long, std::string>> found;
    for (const std::string& name : Names(devDirectory)) {
        const long number = AcmNumber(name);
        if (number >= 0)
            found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> ports;
    for (auto& [number, name] : found)
        ports.push_back(std::move(name));
    return ports;
}

std::string FormatList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += name;
        text += '\n';
    }
    return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string temp = path + "." + std::to_string(::getpid()) + ".tmp";
    const int fd =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    const char* data = text.data();
    std::size_t left = text.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok) {
            data += n;
            left -= static_cast<std::size_t>(n);
        }
    }
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace comlist
