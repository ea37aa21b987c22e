#include "tools/sim/PortLink.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sim {

namespace {

void MakeDirectories(const std::string& dir) {
    for (std::size_t pos = 1; pos != std::string::npos;) {
        pos = dir.find('/', pos + 1);
        const std::string prefix = dir.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::system_error(errno, std::generic_category(), "mkdir " + prefix);
    }
}

std::string ReadLink(const std::string& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

} // namespace

std::string PortsDirectory() {
    const char* chosen = std::getenv("LUMI_PORTS_DIR");
    if (chosen != nullptr && *chosen != '\0')
        return chosen;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string base = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
    return base + "/lumiflex/ports";
}

PortLink::PortLink(const std::string& dir, const std::string& name, const std::string& target)
    : m_path(dir + "/" + name), m_target(target) {
    MakeDirectories(dir);
    ::unlink(m_path.c_str());
    if (::symlink(target.c_str(), m_path.c_str()) != 0)
        throw std::system_error(errno, std::generic_category(), "symlink " + m_path);
}

PortLink::~PortLink() {
    if (ReadLink(m_path) == m_target)
        ::unlink(m_path.c_str());
}

} // namespace sim
