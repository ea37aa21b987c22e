#pragma once
// Registers a simulated controller's pty in the ports directory, where the
// port lister finds it as it would find a USB controller.

#include <string>

namespace sim {

// $LUMI_PORTS_DIR when set and not empty, else ${XDG_RUNTIME_DIR:-/tmp}/lumiflex/ports
// (XDG_RUNTIME_DIR when set and not empty): the folder the port lister reads.
std::string PortsDirectory();

// A symbolic link <dir>/<name> -> target for the object's life. A stale link
// of the same name is replaced; the destructor removes the link only while it
// still points at our target, so it never deletes another simulator's port.
class PortLink {
public:
    // Creates the directory as needed. Throws std::system_error on failure.
    PortLink(const std::string& dir, const std::string& name, const std::string& target);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_target;
};

} // namespace sim
