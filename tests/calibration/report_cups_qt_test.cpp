// Both reports printed through Qt on a real print spooler: a CUPS scheduler of
// the test's own (its own configuration, spool and socket) with a PDF queue as
// the default destination. The spooler keeps each job's data file (Qt's PDF),
// which gives the page count and the text back. Needs root (cupsd) and the
// CUPS packages of scripts/setup; skipped without them.
#include "calibration/CalibReport.h"
#include "calibration/CheckReport.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "platform/ui/qt/QtPrinter.h"
#include "tests/platform/ui/qt_test_app.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <pwd.h>
#include <regex>
#include <set>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;

namespace {

constexpr int kPrint = 1043;

bool OnPath(const char* program) {
    std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

// Runs a shell command; its standard output, and whether it exited with 0.
bool Shell(const std::string& cmd, std::string* out = nullptr) {
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
    PrivateCups() : m_dir("lumi-cups") {
        const fs::path d = m_dir.Path();
        for (const char* sub : {"root/ppd", "spool/tmp", "cache", "state", "logs", "home"})
            fs::create_directories(d / sub);
        // The scheduler's filters run as lp and must reach the spool.
        fs::permissions(d, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
        m_socket = (d / "cups.sock").string();
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
    fs::path Dir() const { return m_dir.Path(); }
    fs::path Spool() const { return Dir() / "spool"; }
    // A client command talking to this scheduler.
    std::string Lp(const std::string& program) const { return program + " -h " + m_socket; }

    // The job data files the spooler keeps (d<job>-<file>), in job order.
    std::set<std::string> DataFiles() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(Spool()))
            if (std::regex_match(e.path().filename().string(), std::regex("d[0-9]+-[0-9]+")))
                out.insert(e.path().string());
        return out;
    }

private:
    testing_support::TempDir m_dir;
    std::string m_socket;
    pid_t m_pid = -1;
    bool m_running = false;
};

class CupsReports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The scheduler and the queue administration live in sbin, which a
        // test's PATH may lack.
        ::setenv("PATH",
                 (std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin") +
                  ":/usr/sbin:/sbin")
                     .c_str(),
                 1);
        s_missing = ::geteuid() != 0 ? "" : MissingTools();
        if (::geteuid() != 0 || !s_missing.empty())
            return;
        s_started = fs::file_time_type::clock::now();
        s_cups = new PrivateCups();
        // Every CUPS client of this process, Qt's included, talks to ours; no
        // user default or environment printer may get in the way.
        ::setenv("CUPS_SERVER", s_cups->Socket().c_str(), 1);
        ::setenv("HOME", (s_cups->Dir() / "home").c_str(), 1);
        ::unsetenv("PRINTER");
        ::unsetenv("LPDEST");
    }
    static void TearDownTestSuite() {
        delete s_cups; // stops the scheduler
        s_cups = nullptr;
    }
    void SetUp() override {
        // As root (CI) the CUPS packages of scripts/setup must be there;
        // anyone else cannot start a scheduler and skips.
        if (::geteuid() != 0)
            GTEST_SKIP() << "starting cupsd needs root";
        ASSERT_TRUE(s_missing.empty()) << "missing " << s_missing << ": run scripts/setup";
        ASSERT_TRUE(s_cups->Running()) << "cupsd did not come up";
        platform::SetApplicationName("sorvane");
        platform::InstallPrinterService(&m_printers);
    }
    void TearDown() override { platform::InstallPrinterService(nullptr); }

    // On a busy machine a client's connection to the scheduler now and then
    // fails at once ("Unable to connect to server"); the administration is
    // retried for a while rather than taken as the scheduler being gone.
    static void AddDefaultPdfQueue() {
        std::string out;
        const auto admin = [&](const std::string& args) {
            return WaitFor([&] { return Shell(s_cups->Lp("lpadmin") + args, &out); },
                           std::chrono::seconds(30));
        };
        ASSERT_TRUE(admin(" -p LumiPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"))
            << out;
        ASSERT_TRUE(admin(" -d LumiPDF")) << out;
    }

    // Waits for the next job's data file and returns its path.
    static std::string NextJobFile(const std::set<std::string>& before) {
        std::string file;
        WaitFor(
            [&] {
                for (const auto& f : s_cups->DataFiles())
                    if (!before.count(f)) {
                        file = f;
                        return true;
                    }
                return false;
            },
            std::chrono::seconds(30));
        return file;
    }

    static void Keep(const std::string& file, const std::string& name) {
        const char* out = std::getenv("LUMI_TEST_OUTPUT");
        if (!out)
            return;
        fs::create_directories(out);
        const fs::path pdf = fs::path(out) / (name + ".pdf");
        fs::copy_file(file, pdf, fs::copy_options::overwrite_existing);
        Shell("pdftoppm -r 60 -png -f 1 -l 1 -singlefile " + pdf.string() + " " +
              (fs::path(out) / name).string());
    }

    // PDFs that cups-pdf wrote since the suite started (its names restart
    // with each scheduler's job numbers, so an old file may be overwritten).
    static std::vector<std::string> NewQueueOutputs() {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(QueueOutputDir(), ec))
            if (e.last_write_time(ec) >= s_started)
                out.push_back(e.path().string());
        return out;
    }
    static fs::path QueueOutputDir() {
        const passwd* pw = ::getpwuid(::geteuid());
        return fs::path(pw && pw->pw_dir ? pw->pw_dir : "/root") / "PDF";
    }

    static std::string MissingTools() {
        std::string missing;
        for (const char* tool : {"cupsd", "lpadmin", "lpstat", "pdfinfo", "pdftotext", "pdftoppm"})
            if (!OnPath(tool))
                missing += std::string(missing.empty() ? "" : ", ") + tool;
        if (!fs::exists("/usr/lib/cups/backend/cups-pdf"))
            missing += std::string(missing.empty() ? "" : ", ") + "cups-pdf";
        return missing;
    }

    static inline PrivateCups* s_cups = nullptr;
    static inline std::string s_missing;
    static inline fs::file_time_type s_started;
    platform::ui::qt::QtPrinterService m_printers;
    HeadlessBackend ui;
};

TEST_F(CupsReports, WithoutADefaultDestinationTheBoxSaysSoAndNothingIsSpooled) {
    if (Shell(s_cups->Lp("lpstat") + " -d 2>&1 | grep -q 'system default destination:'"))
        GTEST_SKIP() << "a default destination was set by an earlier test";
    CCheckReport r;
    r.m_nPoints = 1;
    r.m_setPoint[0] = r.m_headValue[0] = r.m_meterMw[0] = 1.0;
    OpenDialog open(r);
    r.UserClick(kPrint);
    EXPECT_EQ(ui.LastBox().text, "There is no default printer.");
    EXPECT_TRUE(s_cups->DataFiles().empty());
}

TEST_F(CupsReports, BothReportsComeOutOfTheDefaultQueueWithTheirPagesAndTexts) {
    AddDefaultPdfQueue();

    CCalibReport cal;
    cal.m_nPoints = 61;
    for (int i = 0; i < 61; ++i) {
        cal.m_setPoint[i] = 255 - i;
        cal.m_headValue[i] = 1000 - 10 * i;
        cal.m_meterMw[i] = 1001 - 10 * i;
    }
    cal.m_photoToMw[1] = 1000.0f;
    cal.m_mwToIndex[0] = 0.5f;
    cal.m_r2PhotoToMw = 0.999;
    cal.m_strSerial = "LM0042";
    auto before = s_cups->DataFiles();
    {
        OpenDialog open(cal);
        ASSERT_TRUE(cal.UserClick(kPrint));
    }
    EXPECT_EQ(ui.BoxCount(), 0u) << ui.LastBox().text;
    const std::string calFile = NextJobFile(before);
    ASSERT_FALSE(calFile.empty()) << "no job reached the spooler";

    CCheckReport chk;
    chk.m_nPoints = 60;
    for (int i = 0; i < 60; ++i) {
        chk.m_setPoint[i] = 10.0 - 0.125 * i;
        chk.m_headValue[i] = 10.0 - 0.125 * i;
        chk.m_meterMw[i] = 10.5 - 0.125 * i;
    }
    chk.m_strSerial = "LM0042";
    before = s_cups->DataFiles();
    {
        OpenDialog open(chk);
        ASSERT_TRUE(chk.UserClick(kPrint));
    }
    const std::string chkFile = NextJobFile(before);
    ASSERT_FALSE(chkFile.empty()) << "no job reached the spooler";

    // The queue's own output: cups-pdf writes a PDF per job into a folder of
    // the printing user's home. Its text does not extract (the fonts come out
    // as symbols) but its pages count; the files are removed afterwards.
    // A job leaves the queue's list before the backend has always finished
    // its file, so wait for both files too (a loaded machine shows it).
    EXPECT_TRUE(WaitFor(
        [] {
            std::string jobs;
            return Shell(s_cups->Lp("lpstat") + " -o", &jobs) && jobs.empty() &&
                   NewQueueOutputs().size() >= 2;
        },
        std::chrono::seconds(60)))
        << "jobs still pending or their PDFs not written";
    const auto outputs = NewQueueOutputs();
    EXPECT_EQ(outputs.size(), 2u);
    for (const auto& out : outputs) {
        // The backend may still be finishing the file it has just created.
        EXPECT_TRUE(WaitFor(
            [&] { return Shell("pdfinfo '" + out + "' 2>/dev/null | grep -qE '^Pages: +2$'"); },
            std::chrono::seconds(30)))
            << out;
        fs::remove(out);
    }

    std::string info, text;
    // The calibration report: 60 points on page 1, point 61 and the summary on page 2.
    ASSERT_TRUE(Shell("pdfinfo " + calFile, &info)) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +2\n"))) << info;
    EXPECT_NE(info.find("RVX Calibration Report (LM0042)"), std::string::npos) << info;
    ASSERT_TRUE(Shell("pdftotext -layout -f 1 -l 1 " + calFile + " -", &text));
    EXPECT_NE(text.find("Calibration Report, Serial number LM0042"), std::string::npos) << text;
    EXPECT_TRUE(
        std::regex_search(text, std::regex("Index +IL-1400 +Photo +Calib +Step +Diff +Accuracy")))
        << text;
    EXPECT_TRUE(
        std::regex_search(text, std::regex("255 +1001\\.00 +1000 +1000\\.000 +1\\.00 +0\\.10%")))
        << text;
    EXPECT_EQ(text.find("Photo-to-mW"), std::string::npos);
    ASSERT_TRUE(Shell("pdftotext -layout -f 2 -l 2 " + calFile + " -", &text));
    EXPECT_TRUE(std::regex_search(text, std::regex("195 +401\\.00 +400 +400\\.000 +10\\.000")))
        << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("Avg: +9\\.836 +1\\.00% +0\\.15%"))) << text;
    EXPECT_TRUE(std::regex_search(
        text, std::regex("Photo-to-mW Coeffs \\(ax2 \\+ bx \\+ c\\) +mW-to-Index Coeffs")))
        << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("b: +1000\\.000000000"))) << text;
    Keep(calFile, "calibration-report");

    // The check report: 59 points on page 1, point 60 and Avg on page 2.
    ASSERT_TRUE(Shell("pdfinfo " + chkFile, &info)) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +2\n"))) << info;
    ASSERT_TRUE(Shell("pdftotext -layout -f 1 -l 1 " + chkFile + " -", &text));
    EXPECT_NE(text.find("Calibration Check Report, Serial number LM0042"), std::string::npos);
    EXPECT_TRUE(
        std::regex_search(text, std::regex("Set +RVX +IL-1400 +RVX Reading +% +Set Point +%")))
        << text;
    EXPECT_TRUE(std::regex_search(
        text, std::regex("10\\.0 +10\\.0 +10\\.50 +0\\.50 +4\\.8% +0\\.50 +4\\.8%")))
        << text;
    ASSERT_TRUE(Shell("pdftotext -layout -f 2 -l 2 " + chkFile + " -", &text));
    EXPECT_TRUE(std::regex_search(text, std::regex("Avg: +0\\.50 +"))) << text;
    Keep(chkFile, "check-report");
}

} // namespace
