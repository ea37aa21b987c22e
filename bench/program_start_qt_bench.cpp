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
//
// BM_ProgramEndOnEsc: from Esc on the main window to the end of the process,
// with the simulated controller and in simulation mode (no controller found,
// the start-up dialog left with Esc).

#include "bench/BenchSupport.h"
#include "tools/sim/PortLink.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
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
        // A window may go between listing it and asking for its attributes.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        if (const char* d = std::getenv("DISPLAY"); d && *d) {
            m_display = XOpenDisplay(nullptr);
            return;
        }
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        const std::string fd = std::to_string(fds[1]);
        const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                              "1280x1024x24", "-nolisten",  "tcp",      nullptr};
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

    void PressEscape() const {
        const KeyCode key = XKeysymToKeycode(m_display, XK_Escape);
        XTestFakeKeyEvent(m_display, key, True, 0);
        XTestFakeKeyEvent(m_display, key, False, 0);
        XFlush(m_display);
    }

    // True when a viewable top-level window's title begins with `prefix`.
    bool Shows(const char* prefix) const {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
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

// A fresh working directory with the settings file and the port lister, a
// simulated controller listed when `withController`, and the program started
// in it. Ends the program (if still running) and cleans up when it goes.
class Run {
public:
    explicit Run(bool withController) {
        if (!m_dir.Valid())
            return;
        m_dir.HoldQtFiles();
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        if (withController) {
            sim::ControllerOptions o;
            o.board.boardSerial = "01001001";
            m_controller = std::make_unique<sim::Controller>(o);
            m_link = std::make_unique<sim::PortLink>(sim::PortsDirectory(), "lumiflex-0",
                                                     m_controller->SlavePath());
        }
        bench::WriteTwoHeadConfig();
        fs::copy_file(COMLIST_EXE, "ComList.exe");
        started = Clock::now();
        const char* argv[] = {SORVANE_EXE, nullptr};
        if (::posix_spawn(&m_pid, SORVANE_EXE, nullptr, nullptr, const_cast<char**>(argv),
                          environ) != 0)
            m_pid = 0;
    }
    ~Run() {
        if (m_pid > 0 && !Ended(std::chrono::seconds(0))) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool Started() const { return m_pid > 0; }
    // Polls until `done` holds or the program ended or 30 s passed.
    template <class Done> bool Until(Done done) {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!done()) {
            if (Clock::now() > deadline || Ended(std::chrono::seconds(0)))
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return true;
    }
    // Waits up to `limit` for the program to end.
    bool Ended(std::chrono::seconds limit) {
        if (m_ended)
            return true;
        const auto deadline = Clock::now() + limit;
        do {
            if (::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
                return m_ended = true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        } while (Clock::now() < deadline);
        return false;
    }
    // After Ended: a clean end is status 0 (a crash, or a sanitizer's report,
    // is not).
    bool EndedCleanly() const {
        return m_ended && WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0;
    }
    Clock::time_point started;

private:
    bench::ScratchDir m_dir{"lumi-start-bench"}; // goes last, after the program and controller
    std::unique_ptr<sim::Controller> m_controller;
    std::unique_ptr<sim::PortLink> m_link;
    pid_t m_pid = 0;
    bool m_ended = false;
    int m_status = 0;
};

Screen& TheScreen(benchmark::State& state) {
    static Screen screen;
    if (!screen.display())
        state.SkipWithError("no X server (Xvfb) to show the program on");
    return screen;
}

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void BM_ProgramStart(benchmark::State& state) {
    Screen& screen = TheScreen(state);
    if (!screen.display())
        return;
    double withoutHoldMs = 0;
    for (auto _ : state) {
        Run run(true);
        if (!run.Started() || !run.Until([&] { return screen.Shows("Lumiflex, version"); })) {
            state.SkipWithError("the main window did not come up against the simulator");
            break;
        }
        const double ms = MsSince(run.started);
        state.SetIterationTime(ms / 1000.0);
        withoutHoldMs += ms - 2000.0;
    }
    state.counters["without_hold_ms"] = withoutHoldMs / double(state.iterations());
}
BENCHMARK(BM_ProgramStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// state.range(0): 1 with the simulated controller, 0 in simulation mode.
void BM_ProgramEndOnEsc(benchmark::State& state) {
    Screen& screen = TheScreen(state);
    if (!screen.display())
        return;
    const bool withController = state.range(0) == 1;
    state.SetLabel(withController ? "with a controller" : "simulation mode");
    for (auto _ : state) {
        Run run(withController);
        if (!withController) {
            // The start-up dialog stays with its report until it is left with Esc.
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            screen.PressEscape();
        }
        if (!run.Started() || !run.Until([&] { return screen.Shows("Lumiflex, version"); })) {
            state.SkipWithError("the main window did not come up");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // as a person would
        const auto pressed = Clock::now();
        screen.PressEscape();
        if (!run.Ended(std::chrono::seconds(30))) {
            state.SkipWithError("the program did not end on Esc");
            break;
        }
        state.SetIterationTime(MsSince(pressed) / 1000.0);
        if (!run.EndedCleanly()) {
            state.SkipWithError("the program did not end with status 0");
            break;
        }
    }
}
BENCHMARK(BM_ProgramEndOnEsc)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
