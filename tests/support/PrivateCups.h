#pragma once
// A CUPS scheduler of a test's (or a benchmark's) own: its own configuration,
// spool and socket in a temporary folder, so that printing is measured and
// checked without touching the machine's queues. The spooler keeps each job's
// data file (what Qt handed over, a PDF). Starting cupsd needs root and the
// CUPS packages of scripts/setup.
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <regex>
#include <set>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {

inline bool OnPath(const char* program) {
    std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Runs a shell command; its standard output, and whether it exited with 0.
inline bool Shell(const std::string& cmd, std::string* out = nullptr) {
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p)
        return false;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    int status = ::pclose(p);
    if (out)
        *out = text;
    return status == 0;
}

template <class Pred> bool WaitFor(Pred pred, std::chrono::seconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return pred();
}

// A cupsd of our own, listening on a socket in a temporary folder, stopped
// (and its folder removed) when the object goes.
class PrivateCups {
public:
    static constexpr const char* kPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

    // The scheduler and the queue administration live in sbin, which a
    // test's PATH may lack.
    static void AddSbinToPath() {
        const char* path = std::getenv("PATH");
        ::setenv("PATH", (std::string(path ? path : "/usr/bin") + ":/usr/sbin:/sbin").c_str(), 1);
    }

    // Of the scheduler, its clients, the PDF queue's backend and `more`, the
    // ones this machine lacks, comma-separated; empty when all are there.
    static std::string MissingTools(std::initializer_list<const char*> more = {}) {
        std::string missing;
        const auto add = [&](const char* what) {
            missing += std::string(missing.empty() ? "" : ", ") + what;
        };
        for (const char* tool :
             {"cupsd", "lpadmin", "lpstat", "cupsreject", "cupsaccept", "cupsdisable"})
            if (!OnPath(tool))
                add(tool);
        for (const char* tool : more)
            if (!OnPath(tool))
                add(tool);
        if (!std::filesystem::exists("/usr/lib/cups/backend/cups-pdf") ||
            !std::filesystem::exists(kPdfPpd))
            add("cups-pdf");
        return missing;
    }

    // `socket`: where the scheduler listens; by default cups.sock in its folder.
    explicit PrivateCups(const std::string& socket = {}) : m_dir("lumi-cups") {
        namespace fs = std::filesystem;
        const fs::path d = m_dir.Path();
        for (const char* sub : {"root/ppd", "spool/tmp", "cache", "state", "logs", "home"})
            fs::create_directories(d / sub);
        // The scheduler's filters run as lp and must reach the spool.
        fs::permissions(d, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
        m_socket = socket.empty() ? (d / "cups.sock").string() : socket;
        std::ofstream(d / "root/cupsd.conf") << "Listen " << m_socket << "\n"
                                             << "LogLevel info\n"
                                                "PreserveJobFiles Yes\n"
                                                "PreserveJobHistory Yes\n"
                                                "Browsing No\n"
                                                "WebInterface No\n"
                                                "DefaultAuthType None\n"
                                                "<Location />\n  Order allow,deny\n  Allow all\n"
                                                "</Location>\n"
                                                "<Policy default>\n  <Limit All>\n"
                                                "    Order deny,allow\n  </Limit>\n</Policy>\n";
        std::ofstream(d / "root/cups-files.conf")
            << "ServerRoot " << (d / "root").string() << "\n"
            << "RequestRoot " << (d / "spool").string() << "\n"
            << "TempDir " << (d / "spool/tmp").string() << "\n"
            << "CacheDir " << (d / "cache").string() << "\n"
            << "StateDir " << (d / "state").string() << "\n"
            << "ErrorLog " << (d / "logs/error_log").string() << "\n"
            << "AccessLog " << (d / "logs/access_log").string() << "\n"
            << "PageLog " << (d / "logs/page_log").string() << "\n"
            << "SystemGroup root\n"
               "Sandboxing Relaxed\n";
        const std::string conf = (d / "root/cupsd.conf").string();
        const std::string files = (d / "root/cups-files.conf").string();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execlp("cupsd", "cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr);
            ::_exit(127);
        }
        m_running = m_pid > 0 &&
                    WaitFor([&] { return Shell(Lp("lpstat") + " -r"); }, std::chrono::seconds(30));
    }
    ~PrivateCups() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    bool Running() const { return m_running; }
    const std::string& Socket() const { return m_socket; }
    std::filesystem::path Dir() const { return m_dir.Path(); }
    std::filesystem::path Spool() const { return Dir() / "spool"; }
    // A client command talking to this scheduler.
    std::string Lp(const std::string& program) const { return program + " -h " + m_socket; }

    // Every CUPS client of this process, Qt's included, talks to this
    // scheduler from now on; no user default, system-wide lpoptions or
    // environment printer may get in the way. Call it before the process
    // makes its first CUPS call: libcups reads these once per thread.
    void ServeThisProcess() const {
        ::setenv("CUPS_SERVER", m_socket.c_str(), 1);
        ::setenv("CUPS_SERVERROOT", (Dir() / "root").c_str(), 1);
        ::setenv("HOME", (Dir() / "home").c_str(), 1);
        ::unsetenv("PRINTER");
        ::unsetenv("LPDEST");
    }

    // Adds the queue `name` on the cups-pdf backend and makes it the default
    // destination. On a busy machine a client's connection to the scheduler
    // now and then fails at once ("Unable to connect to server"); the
    // administration is retried for a while rather than taken as the
    // scheduler being gone. False, with the last command's output in `out`,
    // when it did not succeed.
    bool AddDefaultPdfQueue(const std::string& name, std::string& out) const {
        return AddPdfQueue(name, out) && Admin("lpadmin", " -d " + name, out);
    }
    // The same queue, not made the default destination (the scheduler makes
    // none of its own accord).
    bool AddPdfQueue(const std::string& name, std::string& out) const {
        return Admin("lpadmin", " -p " + name + " -E -v cups-pdf:/ -P " + kPdfPpd, out);
    }
    // Makes the instance `queue/instance` (an lpoptions entry of the queue)
    // the default destination of the clients ServeThisProcess serves. As
    // root lpoptions writes the system-wide file under CUPS_SERVERROOT: the
    // scheduler's own folder here, never the machine's.
    bool MakeDefaultInstance(const std::string& queue, const std::string& instance,
                             std::string& out) const {
        // The instance is made by giving it an option of its own.
        const std::string lpoptions = "CUPS_SERVERROOT=" + (Dir() / "root").string() +
                                      " HOME=" + (Dir() / "home").string() + " lpoptions";
        const std::string dest = queue + "/" + instance;
        return Admin(lpoptions, " -p " + dest + " -o sides=one-sided", out) &&
               Admin(lpoptions, " -d " + dest, out);
    }
    // Forgets every default lpoptions made.
    void ForgetDefaultInstances() const {
        std::error_code ec;
        std::filesystem::remove(Dir() / "root/lpoptions", ec);
        std::filesystem::remove(Dir() / "home/.cups/lpoptions", ec);
    }
    // The queue stops taking jobs (cupsreject) or takes them again.
    bool RejectJobs(const std::string& name, std::string& out) const {
        return Admin("cupsreject", " " + name, out);
    }
    bool AcceptJobs(const std::string& name, std::string& out) const {
        return Admin("cupsaccept", " " + name, out);
    }
    // The queue keeps the jobs it takes instead of printing them
    // (cupsdisable): no backend runs, and they stay listed as pending.
    bool HoldJobs(const std::string& name, std::string& out) const {
        return Admin("cupsdisable", " " + name, out);
    }
    // Removes the queue, its jobs, and the default destination if it was that.
    bool RemoveQueue(const std::string& name, std::string& out) const {
        return Admin("lpadmin", " -x " + name, out);
    }
    // Every job the queue has had, finished ones included (lpstat's lines);
    // empty when it never had one.
    std::string Jobs(const std::string& queue) const {
        std::string out;
        Shell(Lp("lpstat") + " -W all -o " + queue, &out);
        return out;
    }

    // The job data files the spooler keeps (d<job>-<file>), in job order.
    std::set<std::string> DataFiles() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(Spool()))
            if (std::regex_match(e.path().filename().string(), std::regex("d[0-9]+-[0-9]+")))
                out.insert(e.path().string());
        return out;
    }

private:
    bool Admin(const std::string& program, const std::string& args, std::string& out) const {
        return WaitFor([&] { return Shell(Lp(program) + args, &out); }, std::chrono::seconds(30));
    }

    TempDir m_dir;
    std::string m_socket;
    pid_t m_pid = -1;
    bool m_running = false;
};

} // namespace testing_support
