// Both reports printed through Qt on a real print spooler: a CUPS scheduler of
// the test's own (tests/support/PrivateCups.h) with a PDF queue as the default
// destination. The spooler keeps each job's data file (Qt's PDF), which gives
// the page count and the text back. Also the prints that cannot be made: no
// default destination, a default queue that rejects jobs (cupsreject) before
// or after the document is painted, a document given up halfway, one without
// pages, and one whose spool file cannot be made or written whole. Needs
// root (cupsd) and the CUPS packages of scripts/setup; skipped without root.
// Each test starts with no queue and removes the ones it adds.
#include "calibration/CalibReport.h"
#include "calibration/CheckReport.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "platform/ui/Print.h"
#include "platform/ui/qt/QtPrinter.h"
#include "resources/dialogs/Dialog141Ids.h"
#include "tests/platform/ui/qt_test_app.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PrivateCups.h"

#include <QPrinterInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

using namespace ids141;

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
        // The printer's own temporary files, where the tests can count them.
        fs::create_directories(s_cups->Dir() / "tmp");
        ::setenv("TMPDIR", (s_cups->Dir() / "tmp").c_str(), 1);
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
    void TearDown() override {
        platform::InstallPrinterService(nullptr);
        if (!s_cups)
            return;
        std::string out;
        for (const auto& q : m_queues)
            EXPECT_TRUE(s_cups->RemoveQueue(q, out)) << out;
        // Every document's temporary file is gone with it.
        EXPECT_TRUE(fs::is_empty(s_cups->Dir() / "tmp"));
    }

    // The default destination `name`; with `hold`, it keeps the jobs it
    // takes (the PDF backend would write into the user's home).
    void AddDefaultPdfQueue(const std::string& name, bool hold = false) {
        std::string out;
        m_queues.push_back(name);
        ASSERT_TRUE(s_cups->AddDefaultPdfQueue(name, out)) << out;
        if (hold) {
            ASSERT_TRUE(s_cups->HoldJobs(name, out)) << out;
        }
    }
    static void RejectJobs(const std::string& name) {
        std::string out;
        ASSERT_TRUE(s_cups->RejectJobs(name, out)) << out;
    }
    static void AcceptJobs(const std::string& name) {
        std::string out;
        ASSERT_TRUE(s_cups->AcceptJobs(name, out)) << out;
    }
    static size_t JobCount(const std::string& queue) {
        const std::string jobs = s_cups->Jobs(queue);
        return size_t(std::count(jobs.begin(), jobs.end(), '\n'));
    }

    // A document of one page with `text` on the default printer, ended or
    // aborted; the result of EndDoc or AbortDoc.
    int OnePage(const std::string& text, bool abort) {
        platform::ui::CDC dc;
        EXPECT_TRUE(dc.Attach(m_printers.DefaultPrinter()));
        platform::ui::DOCINFO info{20, text.c_str(), nullptr, nullptr, 0};
        EXPECT_GT(dc.StartDoc(&info), 0);
        dc.SetMapMode(platform::MM_LOENGLISH);
        EXPECT_GT(dc.StartPage(), 0);
        EXPECT_TRUE(dc.TextOut(100, -100, text));
        EXPECT_GT(dc.EndPage(), 0);
        return abort ? dc.AbortDoc() : dc.EndDoc();
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
    std::vector<std::string> m_queues;
};

// The report with three points, as a calibration run leaves it.
void FillCalib(CCalibReport& r) {
    r.m_nPoints = 3;
    for (int i = 0; i < 3; ++i) {
        r.m_setPoint[i] = 255 - 5 * i;
        r.m_headValue[i] = 1000 - 20 * i;
        r.m_meterMw[i] = 1.0 - 0.02 * i;
    }
    r.m_photoToMw[1] = 1.0f;
    r.m_strSerial = "LM0042";
}

TEST_F(CupsReports, WithoutADefaultDestinationTheBoxSaysSoAndNothingIsSpooled) {
    const auto before = s_cups->DataFiles();
    CCheckReport r;
    r.m_nPoints = 1;
    r.m_setPoint[0] = r.m_headValue[0] = r.m_meterMw[0] = 1.0;
    OpenDialog open(r);
    r.UserClick(IDC_PRINT); // no queue at all
    EXPECT_EQ(ui.LastBox().text, "There is no default printer.");

    // A queue, but nobody made it the default destination.
    std::string out;
    m_queues.push_back("LumiSpare");
    ASSERT_TRUE(s_cups->AddPdfQueue("LumiSpare", out)) << out;
    r.UserClick(IDC_PRINT);
    EXPECT_EQ(ui.LastBox().text, "There is no default printer.");
    EXPECT_EQ(ui.BoxCount(), 2u);
    EXPECT_TRUE(r.IsOpen());
    EXPECT_EQ(s_cups->DataFiles(), before);
    EXPECT_EQ(JobCount("LumiSpare"), 0u);
}

TEST_F(CupsReports, ADefaultQueueThatRejectsJobsGetsNoneAndEachPressShowsTheBox) {
    AddDefaultPdfQueue("LumiReject", true);
    RejectJobs("LumiReject");
    const auto before = s_cups->DataFiles();
    CCalibReport cal;
    FillCalib(cal);
    CCheckReport chk;
    chk.m_nPoints = 1;
    chk.m_setPoint[0] = chk.m_headValue[0] = chk.m_meterMw[0] = 1.0;
    {
        OpenDialog openCal(cal);
        OpenDialog openChk(chk);
        cal.UserClick(IDC_PRINT);
        EXPECT_EQ(ui.BoxCount(), 1u);
        EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
        chk.UserClick(IDC_PRINT);
        EXPECT_EQ(ui.BoxCount(), 2u);
        EXPECT_EQ(ui.LastBox().text, "Printer wouldn't initalize");
        EXPECT_TRUE(cal.IsOpen());
        EXPECT_TRUE(chk.IsOpen());
        EXPECT_EQ(JobCount("LumiReject"), 0u);
        EXPECT_EQ(s_cups->DataFiles(), before);

        // The same queue taking jobs again gets the same report.
        AcceptJobs("LumiReject");
        cal.UserClick(IDC_PRINT);
    }
    EXPECT_EQ(ui.BoxCount(), 2u) << ui.LastBox().text;
    EXPECT_FALSE(NextJobFile(before).empty()) << "no job reached the spooler";
    EXPECT_EQ(JobCount("LumiReject"), 1u);
}

TEST_F(CupsReports, AJobTheQueueRefusesOnceItIsPaintedFailsItsEndDocAndLeavesNoJob) {
    AddDefaultPdfQueue("LumiRefuse", true);
    const auto before = s_cups->DataFiles();
    {
        platform::ui::CDC dc;
        ASSERT_TRUE(dc.Attach(m_printers.DefaultPrinter()));
        platform::ui::DOCINFO info{20, "refused", nullptr, nullptr, 0};
        ASSERT_GT(dc.StartDoc(&info), 0); // the queue still takes jobs here
        dc.SetMapMode(platform::MM_LOENGLISH);
        ASSERT_GT(dc.StartPage(), 0);
        EXPECT_TRUE(dc.TextOut(100, -100, "refused"));
        EXPECT_GT(dc.EndPage(), 0);
        RejectJobs("LumiRefuse");
        EXPECT_LE(dc.EndDoc(), 0);
    }
    EXPECT_EQ(JobCount("LumiRefuse"), 0u);
    AcceptJobs("LumiRefuse");
    EXPECT_GT(OnePage("taken", false), 0);
    EXPECT_FALSE(NextJobFile(before).empty()) << "no job reached the spooler";
    EXPECT_EQ(JobCount("LumiRefuse"), 1u);
}

TEST_F(CupsReports, AnAbortedDocumentNeverReachesTheQueue) {
    AddDefaultPdfQueue("LumiAbort", true);
    const auto before = s_cups->DataFiles();
    EXPECT_GT(OnePage("Dropped", true), 0);
    EXPECT_GT(OnePage("Kept", false), 0);
    const std::string file = NextJobFile(before);
    ASSERT_FALSE(file.empty()) << "no job reached the spooler";
    // The one job there is, is the second document.
    EXPECT_EQ(s_cups->DataFiles().size(), before.size() + 1);
    EXPECT_EQ(JobCount("LumiAbort"), 1u);
    std::string text;
    ASSERT_TRUE(Shell("pdftotext " + file + " -", &text));
    EXPECT_NE(text.find("Kept"), std::string::npos) << text;
    EXPECT_EQ(text.find("Dropped"), std::string::npos) << text;
}

// The temporary folder fills up while the spool file is written (no file may
// grow past 4096 bytes; a report is about 10 KB): the spooler never gets the
// cut-off file, and the box says the print failed. With room again the same
// report prints.
TEST_F(CupsReports, APrintCutShortByAFullTemporaryFolderShowsTheBoxAndQueuesNothing) {
    AddDefaultPdfQueue("LumiFull", true);
    const auto before = s_cups->DataFiles();
    CCalibReport cal;
    FillCalib(cal);
    {
        OpenDialog open(cal);
        {
            testing_support::FileSizeLimit limit(4096);
            ASSERT_TRUE(limit.Set());
            cal.UserClick(IDC_PRINT);
        }
        EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Printer wouldn't initalize"});
        EXPECT_EQ(JobCount("LumiFull"), 0u);
        EXPECT_EQ(s_cups->DataFiles(), before);
        EXPECT_TRUE(fs::is_empty(s_cups->Dir() / "tmp"));

        cal.UserClick(IDC_PRINT);
    }
    EXPECT_EQ(ui.BoxCount(), 1u) << ui.LastBox().text;
    const std::string file = NextJobFile(before);
    ASSERT_FALSE(file.empty()) << "no job reached the spooler";
    EXPECT_GT(fs::file_size(file), 4096u);
    std::string info;
    EXPECT_TRUE(Shell("pdfinfo " + file, &info)) << info;
}

// A document that fails is refused at StartDoc, before anything is painted,
// when the queue does not take jobs or no spool file can be made; one without
// pages ends without a word and hands the queue nothing.
TEST_F(CupsReports, DocumentsTheQueueMustNotGetFailAtTheStartOrHandNothingOver) {
    AddDefaultPdfQueue("LumiStart", true);
    const auto before = s_cups->DataFiles();
    platform::ui::DOCINFO info{20, "nothing", nullptr, nullptr, 0};
    {
        platform::ui::CDC dc;
        ASSERT_TRUE(dc.Attach(m_printers.DefaultPrinter()));
        ASSERT_GT(dc.StartDoc(&info), 0);
        EXPECT_GT(dc.EndDoc(), 0);
    }
    EXPECT_EQ(JobCount("LumiStart"), 0u);

    // A temporary folder that is a file, or that is missing (even root can
    // make no file in either; the missing one must not become "/").
    const std::string tmp = (s_cups->Dir() / "tmp").string();
    const fs::path notAFolder = s_cups->Dir() / "a-file";
    std::ofstream(notAFolder) << "not a folder\n";
    CCalibReport cal;
    FillCalib(cal);
    for (const fs::path& folder : {notAFolder, s_cups->Dir() / "no-such-folder"}) {
        ::setenv("TMPDIR", folder.c_str(), 1);
        {
            platform::ui::CDC dc;
            ASSERT_TRUE(dc.Attach(m_printers.DefaultPrinter()));
            EXPECT_LE(dc.StartDoc(&info), 0) << folder;
        }
        {
            OpenDialog open(cal);
            cal.UserClick(IDC_PRINT);
        }
    }
    ::setenv("TMPDIR", tmp.c_str(), 1);
    fs::remove(notAFolder);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>(2, "Printer wouldn't initalize"));

    RejectJobs("LumiStart");
    {
        platform::ui::CDC dc;
        ASSERT_TRUE(dc.Attach(m_printers.DefaultPrinter()));
        EXPECT_LE(dc.StartDoc(&info), 0);
    }
    EXPECT_EQ(JobCount("LumiStart"), 0u);
    EXPECT_EQ(s_cups->DataFiles(), before);
}

// An instance (an lpoptions set of a queue) may be the default destination:
// its jobs go to its queue, not to the scheduler's own default.
TEST_F(CupsReports, AnInstanceMadeTheDefaultDestinationPrintsOnItsQueue) {
    AddDefaultPdfQueue("LumiServerDefault", true);
    std::string out;
    m_queues.push_back("LumiInst");
    ASSERT_TRUE(s_cups->AddPdfQueue("LumiInst", out)) << out;
    ASSERT_TRUE(s_cups->HoldJobs("LumiInst", out)) << out;
    ASSERT_TRUE(s_cups->MakeDefaultInstance("LumiInst", "draft", out)) << out;
    ASSERT_EQ(QPrinterInfo::defaultPrinter().printerName(), "LumiInst/draft");
    const auto before = s_cups->DataFiles();
    CCalibReport cal;
    FillCalib(cal);
    {
        OpenDialog open(cal);
        ASSERT_TRUE(cal.UserClick(IDC_PRINT));
    }
    s_cups->ForgetDefaultInstances();
    EXPECT_EQ(ui.BoxCount(), 0u) << ui.LastBox().text;
    const std::string file = NextJobFile(before);
    ASSERT_FALSE(file.empty()) << "no job reached the spooler";
    EXPECT_EQ(JobCount("LumiInst"), 1u);
    EXPECT_EQ(JobCount("LumiServerDefault"), 0u);
    std::string info;
    ASSERT_TRUE(Shell("pdfinfo " + file, &info)) << info;
    EXPECT_NE(info.find("RVX Calibration Report (LM0042)"), std::string::npos) << info;
}

TEST_F(CupsReports, BothReportsComeOutOfTheDefaultQueueWithTheirPagesAndTexts) {
    AddDefaultPdfQueue("LumiPDF");

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
        ASSERT_TRUE(cal.UserClick(IDC_PRINT));
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
        ASSERT_TRUE(chk.UserClick(IDC_PRINT));
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
