// The lumiflex-sim program: port links, stdin commands, clean exit on a signal.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

class SimProcess {
public:
    // `commandPipe`, when given, is a named pipe opened for reading and
    // writing as the standard input, as scripts/run opens it (`0<>pipe`);
    // `env` is added to the environment.
    SimProcess(const fs::path& runtime, std::vector<std::string> args,
               const std::string& commandPipe = "", std::vector<std::string> env = {}) {
        int in[2], out[2];
        EXPECT_EQ(::pipe2(in, O_CLOEXEC), 0);
        EXPECT_EQ(::pipe2(out, O_CLOEXEC), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (commandPipe.empty())
            posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        else
            posix_spawn_file_actions_addopen(&actions, 0, commandPipe.c_str(), O_RDWR, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        args.insert(args.begin(), LUMIFLEX_SIM_EXE);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        env.push_back("XDG_RUNTIME_DIR=" + runtime.string());
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 && entry.rfind("LUMI_PORTS_DIR=", 0) != 0)
                env.push_back(entry);
        }
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        EXPECT_EQ(
            posix_spawn(&m_pid, LUMIFLEX_SIM_EXE, &actions, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~SimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            Wait();
        }
        ::close(m_in);
        ::close(m_out);
    }
    // The next output line, or "" after 30 s (a loaded machine starts a
    // sanitized program slowly).
    std::string Line() {
        for (;;) {
            const std::size_t nl = m_buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            pollfd p{m_out, POLLIN, 0};
            char chunk[256];
            if (::poll(&p, 1, 30000) <= 0)
                return "";
            const ssize_t n = ::read(m_out, chunk, sizeof chunk);
            if (n <= 0)
                return "";
            m_buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    void Say(const std::string& text) {
        ASSERT_EQ(::write(m_in, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    int Wait() {
        int status = -1;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return status;
    }
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_buffer;
};

// Sends the trigger query over the port and returns the reply's payload byte.
int QueryTrigger(const std::string& port) {
    const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const uint8_t query[] = {0x02, 0x71, 0x8F, 0x03};
    int result = -1;
    if (::write(fd, query, sizeof query) == sizeof query) {
        uint8_t reply[5];
        std::size_t got = 0;
        pollfd p{fd, POLLIN, 0};
        while (got<sizeof reply&& ::poll(&p, 1, 2000)> 0) {
            const ssize_t n = ::read(fd, reply + got, sizeof reply - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (got == sizeof reply && reply[1] == 0x71)
            result = reply[2];
    }
    ::close(fd);
    return result;
}

struct Runtime {
    Runtime() : dir(fs::temp_directory_path() / ("lumisim-run-" + std::to_string(::getpid()))) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Runtime() { fs::remove_all(dir); }
    fs::path dir;
};

TEST(SimProgram, RegistersPortsTakesCommandsAndCleansUpOnSignal) {
    Runtime rt;
    SimProcess p(rt.dir, {"--controllers", "2", "--serial", "77000001", "--no-noise"});
    const fs::path ports = rt.dir / "lumiflex" / "ports";
    const std::string first = p.Line();
    const std::string second = p.Line();
    const std::string radiometer = p.Line();
    EXPECT_EQ(radiometer.rfind("radiometer: /dev/pts/", 0), 0u) << radiometer;
    EXPECT_EQ(p.Line().rfind("ready", 0), 0u);
    const std::string link1 = (ports / "sim-77000001").string();
    const std::string link2 = (ports / "sim-01001002").string();
    EXPECT_EQ(first.rfind("controller 1: " + link1 + " -> /dev/pts/", 0), 0u) << first;
    EXPECT_EQ(second.rfind("controller 2: " + link2 + " -> /dev/pts/", 0), 0u) << second;
    ASSERT_TRUE(fs::is_symlink(link1));
    ASSERT_TRUE(fs::is_symlink(link2));

    EXPECT_EQ(QueryTrigger(link2), 0);
    p.Say("trigger 2\n");
    EXPECT_EQ(p.Line(), "trigger fired");
    EXPECT_EQ(QueryTrigger(link1), 0);
    EXPECT_EQ(QueryTrigger(link2), 1);
    p.Say("trigger 3\n");
    EXPECT_EQ(p.Line(), "no controller 3");

    ::kill(p.Pid(), SIGTERM);
    const int status = p.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link1)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link2)));
}

TEST(SimProgram, LogsEveryRequestWithItsTimeControllerCodeAndPayload) {
    Runtime rt;
    const fs::path logPath = rt.dir / "requests.log";
    SimProcess p(rt.dir, {"--controllers", "2", "--log", logPath.string()});
    const fs::path ports = rt.dir / "lumiflex" / "ports";
    while (p.Line().rfind("ready", 0) != 0) {
    }
    EXPECT_EQ(QueryTrigger((ports / "sim-01001002").string()), 0);
    EXPECT_EQ(QueryTrigger((ports / "sim-01001001").string()), 0);
    p.Say("quit\n");
    p.Wait();

    std::FILE* f = std::fopen(logPath.c_str(), "r");
    ASSERT_NE(f, nullptr);
    std::vector<std::string> lines;
    char line[256];
    while (std::fgets(line, sizeof line, f))
        lines.push_back(line);
    std::fclose(f);
    ASSERT_EQ(lines.size(), 2u);
    unsigned long long t1 = 0, t2 = 0;
    char rest1[64] = {}, rest2[64] = {};
    ASSERT_EQ(std::sscanf(lines[0].c_str(), "%llu %63[^\n]", &t1, rest1), 2);
    ASSERT_EQ(std::sscanf(lines[1].c_str(), "%llu %63[^\n]", &t2, rest2), 2);
    EXPECT_STREQ(rest1, "2 71");
    EXPECT_STREQ(rest2, "1 71");
    EXPECT_LE(t1, t2);
    EXPECT_LT(t2, 60000u);
}

TEST(SimProgram, QuitCommandAndBadOptions) {
    Runtime rt;
    {
        SimProcess p(rt.dir, {"--heads", "1"});
        EXPECT_NE(p.Line().find("sim-01001001"), std::string::npos);
        EXPECT_NE(p.Line().find("under controller 1 head A"), std::string::npos);
        p.Line();
        p.Say("status\n");
        EXPECT_EQ(p.Line().rfind("controller 1: serial 01001001", 0), 0u);
        EXPECT_EQ(p.Line().rfind("  head A:", 0), 0u);
        p.Say("quit\n");
        const int status = p.Wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_TRUE(fs::is_empty(rt.dir / "lumiflex" / "ports"));
    }
    SimProcess bad(rt.dir, {"--controllers", "0"});
    const int status = bad.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

// The main thread's state letter ('S' while it sleeps in a wait), from
// /proc: a loop that never blocks is never seen sleeping.
char MainThreadState(pid_t pid) {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!f)
        return '?';
    char text[512] = {};
    const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    const std::string line(text, n);
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
}

bool SeenSleeping(pid_t pid) {
    for (int i = 0; i < 1000; ++i) { // 10 s
        if (MainThreadState(pid) == 'S')
            return true;
        ::usleep(10000);
    }
    return false;
}

// Each writer opens the pipe, writes its command and goes.
void WriteCommand(const fs::path& pipe, const std::string& text) {
    const int fd = ::open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    ::close(fd);
}

TEST(SimProgram, TakesCommandsFromANamedPipeWhoseWritersComeAndGo) {
    Runtime rt;
    const fs::path pipe = rt.dir / "sim-commands";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path ports = rt.dir / "run-ports";
    // No writer yet: the start does not wait for one.
    SimProcess p(rt.dir, {"--no-noise"}, pipe.string(), {"LUMI_PORTS_DIR=" + ports.string()});
    EXPECT_EQ(p.Line().rfind("controller 1: " + (ports / "sim-01001001").string() + " -> ", 0), 0u);
    p.Line(); // the radiometer
    EXPECT_EQ(p.Line().rfind("ready", 0), 0u);
    EXPECT_TRUE(SeenSleeping(p.Pid())) << "waiting for a first writer";

    WriteCommand(pipe, "trigger\n");
    EXPECT_EQ(p.Line(), "trigger fired");
    // The writer has gone: the simulator waits for the next one, neither
    // ending nor spinning on the pipe.
    EXPECT_TRUE(SeenSleeping(p.Pid())) << "after the writer closed";
    WriteCommand(pipe, "reply 50 never\n");
    EXPECT_EQ(p.Line(), "replies to 50: reply 50 never");
    WriteCommand(pipe, "quit\n");
    const int status = p.Wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(fs::is_empty(ports));
}

} // namespace
