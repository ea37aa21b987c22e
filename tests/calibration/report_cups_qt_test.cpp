// Both reports printed through Qt on a real print spooler: a CUPS scheduler of
// the test's own (tests/support/PrivateCups.h) with a PDF queue as the default
// destination. The spooler keeps each job's data file (Qt's PDF), which gives
// the page count and the text back. Needs root (cupsd) and the CUPS packages of
// scripts/setup; skipped without root.
#include "calibration/CalibReport.h"
#include "calibration/CheckReport.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "platform/ui/qt/QtPrinter.h"
#include "tests/platform/ui/qt_test_app.h"
#include "tests/support/PrivateCups.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <regex>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;
using testing_support::PrivateCups;
using testing_support::Shell;
using testing_support::WaitFor;

namespace {

constexpr int kPrint = 1043;

class CupsReports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PrivateCups::AddSbinToPath();
        s_missing =
            ::geteuid() != 0 ? "" : PrivateCups::MissingTools({"pdfinfo", "pdftotext", "pdftoppm"});
        if (::geteuid() != 0 || !s_missing.empty())
            return;
        s_started = fs::file_time_type::clock::now();
        s_cups = new PrivateCups();
        s_cups->ServeThisProcess();
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

    static void AddDefaultPdfQueue() {
        std::string out;
        ASSERT_TRUE(s_cups->AddDefaultPdfQueue("LumiPDF", out)) << out;
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
