// From launching the program's process to its main window on screen, as a
// person sees it: each iteration starts a fresh sorvane process on an X
// server (Xvfb, started here unless DISPLAY is set), with one simulated
// controller and two heads, in a fresh working directory with the built port
// lister. The clock stops when the main window ("Lumiflex, version ...") is
// mapped and viewable. Included: the process start, Qt's start, the settings
// file, the port lister and its 250 ms wait, the controller's open and board
// information, the start-up dialog's own 2 s display of the finished search,
// the head-record reads and the main window.
//
// Reported: real time of the whole start; "without_hold_ms" (less the
// start-up dialog's 2000 ms display). Target: under 1 s without the hold.

#include "app/config/ConfigFile.h"
#include "tests/app/WorkFiles.h"
#include "tools/sim/Controller.h"
#include "tools/sim/PortLink.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// An X server for the whole run: the one in DISPLAY, else an Xvfb of our own.
class Screen {
public:
    Screen() {
        if (const char* d = std::getenv("DISPLAY"); d && *d) {
            m_display = XOpenDisplay(nullptr);
            return;
        }
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",   "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                              "-nolisten", "tcp",     nullptr};
        if (::posix_spawnp(&m_server, "Xvfb", nullptr, nullptr, const_cast<char**>(argv),
                           environ) != 0) {
            m_server = 0;
            ::close(fds[0]);
            ::close(fds[1]);
            return;
        }
        ::close(fds[1]);
        char number[16] = {};
        const ssize_t n = ::read(fds[0], number, sizeof number - 1); // written once it listens
        ::close(fds[0]);
        if (n <= 0)
            return;
        number[std::strcspn(number, "\n")] = '\0';
        std::string name(":");
        name += number;
        ::setenv("DISPLAY", name.c_str(), 1);
        m_display = XOpenDisplay(name.c_str());
    }
    ~Screen() {
        if (m_display)
            XCloseDisplay(m_display);
        if (m_server > 0) {
            ::kill(m_server, SIGTERM);
            ::waitpid(m_server, nullptr, 0);
        }
    }
    Display* display() const { return m_display; }

    // True when a viewable top-level window's title begins with `prefix`.
    bool Shows(const char* prefix) const {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children,
                        &count))
            return false;
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(m_display, children[i], &a) || a.map_state != IsViewable)
                continue;
            XTextProperty title;
            if (XGetWMName(m_display, children[i], &title) && title.value) {
                found = std::strncmp(reinterpret_cast<char*>(title.value), prefix,
                                     std::strlen(prefix)) == 0;
                XFree(title.value);
            }
        }
        if (children)
            XFree(children);
        return found;
    }

private:
    pid_t m_server = 0;
    Display* m_display = nullptr;
};

void BM_ProgramStart(benchmark::State& state) {
    static Screen screen;
    if (!screen.display()) {
        state.SkipWithError("no X server (Xvfb) to show the program on");
        return;
    }
    const fs::path old = fs::current_path();
    double withoutHoldMs = 0;
    for (auto _ : state) {
        char dir[] = "/tmp/lumi-start-bench-XXXXXX";
        if (!mkdtemp(dir)) {
            state.SkipWithError("no temporary directory");
            break;
        }
        fs::current_path(dir);
        ::setenv("XDG_RUNTIME_DIR", dir, 1);
        ::setenv("XDG_CONFIG_HOME", (std::string(dir) + "/config").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        bool shown = false;
        {
            sim::ControllerOptions o;
            o.board.boardSerial = "01001001";
            sim::Controller controller(o);
            sim::PortLink link(sim::PortsDirectory(), "lumiflex-0", controller.SlavePath());
            WriteConfigFileAtomically("config.ini",
                                      mainwindow_test::MakeConfig(2, {{0, "01001001", 279, 273},
                                                                      {1, "01001001", 351, 273}}));
            fs::copy_file(COMLIST_EXE, "ComList.exe");

            const auto start = Clock::now();
            pid_t pid = 0;
            const char* argv[] = {SORVANE_EXE, nullptr};
            if (::posix_spawn(&pid, SORVANE_EXE, nullptr, nullptr, const_cast<char**>(argv),
                              environ) == 0) {
                const auto deadline = start + std::chrono::seconds(30);
                while (!(shown = screen.Shows("Lumiflex, version")) && Clock::now() < deadline &&
                       ::waitpid(pid, nullptr, WNOHANG) == 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(500));
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                state.SetIterationTime(ms / 1000.0);
                withoutHoldMs += ms - 2000.0;
                ::kill(pid, SIGTERM);
                ::waitpid(pid, nullptr, 0);
            }
        }
        fs::current_path(old);
        fs::remove_all(dir);
        if (!shown) {
            state.SkipWithError("the main window did not come up against the simulator");
            break;
        }
    }
    state.counters["without_hold_ms"] = withoutHoldMs / double(state.iterations());
}
BENCHMARK(BM_ProgramStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
