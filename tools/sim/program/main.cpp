// lumiflex-sim: simulated controllers on pseudo-terminals, for running the
// program and its tests without hardware.

#include "tools/sim/Controller.h"
#include "tools/sim/PortLink.h"
#include "tools/sim/Radiometer.h"
#include "tools/sim/RequestLog.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace {

const char kUsage[] =
    "usage: lumiflex-sim [--controllers N] [--heads 0|1|2] [--serial S]... [--state-dir DIR]\n"
    "                    [--ports-dir DIR] [--no-noise] [--radiometer N:A|B]\n"
    "                    [--radiometer-line plain|exp[+cr][+unit]] [--bright-head N:A|B]\n"
    "                    [--log FILE]\n"
    "  --controllers N   simulated controllers (1-10, default 1)\n"
    "  --heads H         heads attached to each controller (default 2)\n"
    "  --serial S        board serial of the next controller (default 0100100<n>)\n"
    "  --state-dir DIR   keep the heads' EEPROM records in DIR across runs\n"
    "  --ports-dir DIR   register the ports here instead of the ports directory\n"
    "                    ($LUMI_PORTS_DIR, else ${XDG_RUNTIME_DIR:-/tmp}/lumiflex/ports)\n"
    "  --no-noise        photodiode and radiometer readings without noise\n"
    "  --radiometer N:C  the radiometer sits under head C (A or B) of controller N\n"
    "                    (default 1:A); its port is printed, not registered\n"
    "  --radiometer-line how the radiometer writes a reading (default plain)\n"
    "  --bright-head N:C head C of controller N reaches 180 mW/cm2 instead of 85\n"
    "                    (brighter than the radiometer's stability window follows)\n"
    "  --log FILE        one line per request received: ms since start, controller,\n"
    "                    code and payload in hex\n"
    "commands on standard input: trigger [n], status, reply CODE late MS|never|now, quit\n";

const char kCommands[] = "commands: trigger [n], status, reply CODE late MS|never|now, quit\n";

struct Options {
    int controllers = 1;
    int heads = 2;
    std::vector<std::string> serials;
    std::string stateDir;
    std::string portsDir;
    std::string logPath;
    bool noise = true;
    int radiometerController = 1;
    int radiometerChannel = 0;
    sim::LineStyle radiometerLine;
    int brightController = 0; // 0: every head has the default optics
    int brightChannel = 0;
};

bool ParseInt(const char* text, int low, int high, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high)
        return false;
    out = static_cast<int>(v);
    return true;
}

// "N:A" or "N:B" (channel letter in either case).
bool ParseHeadPosition(const char* text, int& controller, int& channel) {
    const std::string s = text;
    const std::size_t colon = s.find(':');
    if (colon == std::string::npos || colon + 2 != s.size())
        return false;
    const char letter = s[colon + 1];
    if (letter != 'A' && letter != 'a' && letter != 'B' && letter != 'b')
        return false;
    if (!ParseInt(s.substr(0, colon).c_str(), 1, 10, controller))
        return false;
    channel = (letter == 'A' || letter == 'a') ? 0 : 1;
    return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--controllers" && hasValue) {
            if (!ParseInt(argv[++i], 1, 10, o.controllers))
                return false;
        } else if (arg == "--heads" && hasValue) {
            if (!ParseInt(argv[++i], 0, 2, o.heads))
                return false;
        } else if (arg == "--serial" && hasValue) {
            o.serials.push_back(argv[++i]);
        } else if (arg == "--state-dir" && hasValue) {
            o.stateDir = argv[++i];
        } else if (arg == "--ports-dir" && hasValue) {
            o.portsDir = argv[++i];
        } else if (arg == "--radiometer" && hasValue) {
            if (!ParseHeadPosition(argv[++i], o.radiometerController, o.radiometerChannel))
                return false;
        } else if (arg == "--radiometer-line" && hasValue) {
            if (!sim::ParseLineStyle(argv[++i], o.radiometerLine))
                return false;
        } else if (arg == "--bright-head" && hasValue) {
            if (!ParseHeadPosition(argv[++i], o.brightController, o.brightChannel))
                return false;
        } else if (arg == "--log" && hasValue) {
            o.logPath = argv[++i];
        } else if (arg == "--no-noise") {
            o.noise = false;
        } else {
            return false;
        }
    }
    return true;
}

struct Simulated {
    std::unique_ptr<sim::Controller> controller;
    std::unique_ptr<sim::PortLink> link;
};

void PrintStatus(const std::vector<Simulated>& sims) {
    for (std::size_t i = 0; i < sims.size(); ++i) {
        const sim::Controller& c = *sims[i].controller;
        const BoardInfo b = c.Board();
        std::printf("controller %zu: serial %s, role %u, %s mode, trigger %s, persistence %s\n",
                    i + 1, b.boardSerial.c_str(), b.role, b.intensitySetMode ? "DAC" : "PWM",
                    b.externalTrigger ? "on" : "off", b.persistence ? "on" : "off");
        const sim::PulseTrain p = c.Pulse();
        if (p.running) {
            static const char* const kChannels[] = {"A", "B", "A+B"};
            std::printf("  pulse train: channel %s, on %u ms, off %u ms, index %u, mode %u, "
                        "count %u, ",
                        p.channel < 3 ? kChannels[p.channel] : "?", p.onMs, p.offMs, p.index,
                        p.mode, p.count);
            if (p.armed)
                std::printf("armed\n");
            else
                std::printf("pulse %u\n", c.PulseNumber());
        }
        for (int ch = 0; ch < 2; ++ch) {
            const sim::ChannelState s = c.Channel(ch);
            if (!s.present)
                continue;
            std::printf("  head %c: index %u, %.2f mW/cm2, %.1f C%s\n", 'A' + ch, s.index,
                        c.OpticalOutput(ch), c.Temperature(ch),
                        s.overTemperature ? ", over temperature" : "");
        }
    }
}

// Returns false on "quit".
bool RunCommand(const std::string& line, std::vector<Simulated>& sims) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word))
        return true;
    if (word == "quit" || word == "exit")
        return false;
    if (word == "trigger") {
        int n = 0;
        std::string which;
        if (in >> which && !ParseInt(which.c_str(), 1, static_cast<int>(sims.size()), n)) {
            std::printf("no controller %s\n", which.c_str());
        } else {
            for (std::size_t i = 0; i < sims.size(); ++i)
                if (n == 0 || static_cast<std::size_t>(n) == i + 1)
                    sims[i].controller->FireTrigger();
            std::printf("trigger fired\n");
        }
    } else if (word == "status") {
        PrintStatus(sims);
    } else if (word == "reply") {
        // reply CODE late MS | never | now: how every controller answers one request code.
        std::string codeText, how, msText;
        int code = 0, ms = 0;
        bool ok = in >> codeText >> how && ParseInt(codeText.c_str(), 0, 255, code);
        if (ok && how == "late")
            ok = in >> msText && ParseInt(msText.c_str(), 1, 60000, ms);
        else if (ok && how == "never")
            ms = -1;
        else if (ok && how != "now")
            ok = false;
        if (!ok) {
            std::printf("usage: reply CODE late MS | never | now\n");
        } else {
            for (Simulated& s : sims)
                s.controller->SetCodeReplyDelay(static_cast<uint8_t>(code), ms);
            std::printf("replies to %d: %s\n", code, line.c_str());
        }
    } else {
        std::printf("%s", kCommands);
    }
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Blocked before any thread starts, so every thread inherits the mask and
    // the signals arrive only through the descriptor below; the links are then
    // removed by the normal unwinding.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("signalfd");
        return 1;
    }

    // Made before the controllers and gone after them: their threads write to it.
    std::unique_ptr<sim::RequestLog> log;
    std::vector<Simulated> sims;
    try {
        if (!options.logPath.empty())
            log = std::make_unique<sim::RequestLog>(options.logPath);
        const std::string dir = options.portsDir.empty() ? sim::PortsDirectory() : options.portsDir;
        for (int i = 0; i < options.controllers; ++i) {
            sim::ControllerOptions co;
            co.board.boardSerial = static_cast<std::size_t>(i) < options.serials.size()
                                       ? options.serials[i]
                                       : "0100100" + std::to_string(i + 1);
            co.board.headCount = static_cast<uint8_t>(options.heads);
            co.headPresent[0] = options.heads >= 1;
            co.headPresent[1] = options.heads >= 2;
            co.stateDir = options.stateDir;
            co.noiseCounts = options.noise ? co.noiseCounts : 0.0;
            co.seed = static_cast<uint32_t>(i + 1);
            if (options.brightController == i + 1)
                co.optics[options.brightChannel] = sim::BrightOptics();
            if (log)
                co.onRequest = [&log, i](const sim::DecodedFrame& r) { log->Write(i + 1, r); };
            Simulated s;
            s.controller = std::make_unique<sim::Controller>(co);
            std::string name = "sim-" + co.board.boardSerial;
            for (char& c : name)
                if (c == '/')
                    c = '_';
            s.link = std::make_unique<sim::PortLink>(dir, name, s.controller->SlavePath());
            std::printf("controller %d: %s -> %s\n", i + 1, s.link->Path().c_str(),
                        s.controller->SlavePath().c_str());
            sims.push_back(std::move(s));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumiflex-sim: %s\n", e.what());
        close(signalFd);
        return 1;
    }
    if (options.radiometerController > options.controllers) {
        std::fprintf(stderr, "lumiflex-sim: no controller %d for the radiometer\n",
                     options.radiometerController);
        sims.clear();
        close(signalFd);
        return 2;
    }
    // The radiometer is no controller: its port is printed, never registered.
    const sim::Controller& under = *sims[options.radiometerController - 1].controller;
    const int channel = options.radiometerChannel;
    sim::RadiometerOptions ro;
    ro.style = options.radiometerLine;
    ro.noiseMicroWatts = options.noise ? ro.noiseMicroWatts : 0.0;
    sim::Radiometer radiometer([&under, channel] { return under.OpticalOutput(channel); }, ro);
    if (!radiometer.Start()) {
        std::fprintf(stderr, "lumiflex-sim: radiometer: %s\n", radiometer.LastError().c_str());
        sims.clear();
        close(signalFd);
        return 1;
    }
    std::printf("radiometer: %s (under controller %d head %c)\n", radiometer.PortPath().c_str(),
                options.radiometerController, 'A' + channel);
    std::printf("ready; %s", kCommands);
    std::fflush(stdout);

    bool stdinOpen = true;
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[0].revents != 0)
            break;
        if (fds[1].revents != 0) {
            char buffer[256];
            const ssize_t n = read(0, buffer, sizeof buffer);
            if (n <= 0) {
                stdinOpen = false; // keep serving until a signal
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            bool quit = false;
            for (std::size_t nl; !quit && (nl = pending.find('\n')) != std::string::npos;) {
                quit = !RunCommand(pending.substr(0, nl), sims);
                pending.erase(0, nl + 1);
            }
            if (quit)
                break;
        }
    }
    radiometer.Stop(); // it reads a controller's output until here
    sims.clear();
    close(signalFd);
    return 0;
}
