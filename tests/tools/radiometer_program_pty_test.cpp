// lumiflex-sim as a whole: its radiometer sits under the chosen head, reads
// what the controller link sets, and is not listed among the controllers.
#include "link/ControlBoard.h"
#include "link/SensorComm.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The program with its standard input and output on pipes.
class SimProgram {
public:
    explicit SimProgram(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::vector<char*> argv{const_cast<char*>(LUMIFLEX_SIM_EXE)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, LUMIFLEX_SIM_EXE, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~SimProgram() {
        if (m_pid > 0) {
            Say("quit");
            int status = 0;
            for (int i = 0; i < 200 && ::waitpid(m_pid, &status, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(10ms);
            if (::waitpid(m_pid, &status, WNOHANG) == 0) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
            }
        }
        ::close(m_in);
        ::close(m_out);
    }
    bool Running() const { return m_pid > 0; }
    void Say(const std::string& line) {
        std::string l = line + "\n";
        [[maybe_unused]] ssize_t n = ::write(m_in, l.data(), l.size());
    }
    // Reads output until a line matches; its groups go to `match`.
    // 30 s by default: a loaded machine starts a sanitized program slowly.
    bool WaitForLine(const std::regex& pattern, std::smatch& match,
                     std::chrono::milliseconds limit = 30000ms) {
        const auto end = Clock::now() + limit;
        for (;;) {
            size_t nl;
            while ((nl = m_buffer.find('\n')) != std::string::npos) {
                m_line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                if (std::regex_search(m_line, match, pattern))
                    return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            pollfd p{m_out, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buf[512];
            ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0)
                return false;
            m_buffer.append(buf, static_cast<size_t>(n));
        }
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_buffer;
    std::string m_line; // the string a match refers to
};

TEST(RadiometerProgram, ReadsTheChosenHeadAndIsNotAController) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("radiometer-program-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    SimProgram program({"--ports-dir", dir.string(), "--controllers", "2", "--radiometer", "2:b",
                        "--radiometer-line", "exp+cr+unit", "--no-noise"});
    ASSERT_TRUE(program.Running());
    std::smatch m;
    ASSERT_TRUE(program.WaitForLine(std::regex("^controller 2: \\S+ -> (\\S+)$"), m));
    const std::string controllerPort = m[1];
    ASSERT_TRUE(
        program.WaitForLine(std::regex("^radiometer: (\\S+) \\(under controller 2 head B\\)$"), m));
    const std::string radiometerPort = m[1];
    ASSERT_TRUE(program.WaitForLine(std::regex("^ready"), m));

    // Only the two controllers are listed for the port lister.
    std::vector<std::string> listed;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        listed.push_back(std::filesystem::read_symlink(e.path()).string());
    EXPECT_EQ(listed.size(), 2u);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), radiometerPort), 0);

    CSensorComm meter;
    ASSERT_TRUE(meter.Open(radiometerPort.c_str()));
    CControlBoard board;
    ASSERT_EQ(board.Open(controllerPort.c_str(), 115200, 1000), SERIAL_OK);
    // From before the light changes, so that a slow status below does not
    // eat into the settling time checked at the end.
    const auto start = Clock::now();
    ASSERT_TRUE(board.SetIndex(1, 80));
    program.Say("status");
    ASSERT_TRUE(program.WaitForLine(std::regex("^  head B: index 80, ([0-9.]+) mW/cm2"), m));
    const double mw = std::stod(m[1]);
    ASSERT_GT(mw, 5.0);
    ASSERT_LT(mw, 95.0);

    // The meter's own pace and lag: a few seconds to a stable reading.
    bool settled = false;
    while (!settled && Clock::now() - start < 30s) {
        std::this_thread::sleep_for(50ms);
        const CSensorComm::Window window = meter.LatestWindow();
        settled =
            window.stable && std::fabs(window.reading - mw * 1000.0) < mw * 1000.0 * 0.01 + 100.0;
    }
    EXPECT_TRUE(settled) << meter.m_fReading.load() << " for " << mw;
    EXPECT_GT(Clock::now() - start, 1s);
    board.Close();
    meter.Close();
    std::filesystem::remove_all(dir);
}

} // namespace
