#pragma once

// What the port lister finds and how it writes it down.

#include <string>
#include <vector>

namespace comlist {

// Where simulated controllers leave a link to their pseudo-terminal:
// $LUMI_PORTS_DIR when set and not empty (a run that keeps its simulator's
// ports to itself, or lists none at all), else
// "${XDG_RUNTIME_DIR:-/tmp}/lumiflex/ports". lumiflex-sim chooses alike.
std::string PortsDirectory();

// Full paths of the links in `directory` whose target exists, sorted by name.
// Anything that is not a link (files, folders, names starting with a dot) is
// skipped; a missing directory lists nothing.
std::vector<std::string> SimulatedPorts(const std::string& directory);

// The USB CDC-ACM ports in `devDirectory` as bare names ("ttyACM0"), by
// number. USB-serial adapters (ttyUSB*) are not controllers and are left out.
std::vector<std::string> AcmPorts(const std::string& devDirectory);

// One name per line, each ending in LF.
std::string FormatList(const std::vector<std::string>& names);

// Writes `text` to a temporary file beside `path` and renames it over `path`,
// so a reader sees either no file or the whole list. False on any failure,
// with the temporary removed.
bool WriteFileAtomically(const std::string& path, const std::string& text);

} // namespace comlist
