// ComList.exe: lists the controllers' serial ports in comlist.txt in the
// current directory, one per line: first the simulated controllers (full
// paths of their links), then the USB CDC-ACM ports (bare names; the program
// opens them under /dev). No arguments; exit status 0 when the list was
// written, 1 otherwise.

#include "tools/comlist/PortList.h"

#include <cstdio>

int main() {
    std::vector<std::string> ports = comlist::SimulatedPorts(comlist::PortsDirectory());
    for (std::string& name : comlist::AcmPorts("/dev"))
        ports.push_back(std::move(name));
    if (!comlist::WriteFileAtomically("comlist.txt", comlist::FormatList(ports))) {
        std::perror("ComList.exe: comlist.txt");
        return 1;
    }
    return 0;
}
