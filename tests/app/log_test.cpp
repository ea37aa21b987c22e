// The telemetry log: its exact bytes, and the "Log Telemetry" dialog on the
// headless backend (Browse, Start Log, Cancel, a path that cannot be opened).
#include "app/Log.h"
#include "app/LogFile.h"
#include "platform/UniqueFd.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog131Ids.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace {

using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;
using namespace ids131;

constexpr int kLogTemplate = 131;

// Tuesday, March 14, 1995, 14:03:05.
std::tm Moment(int hour = 14, int minute = 3, int second = 5) {
    std::tm t{};
    t.tm_year = 95;
    t.tm_mon = 2;
    t.tm_mday = 14;
    t.tm_wday = 2;
    t.tm_yday = 72;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

void Fill(LogHeadInfo& r, const char* serial, float reading, int temperature) {
    r.present = 1;
    r.model = "RVX-1-420";
    r.serial = serial;
    r.calDate = "10/01/06";
    r.reading = reading;
    r.temperature = temperature;
}

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// A log whose clock the test sets.
class ClockedLog : public CLog {
public:
    std::tm now = Moment();

protected:
    std::tm Now() const override { return now; }
};

TEST(LogFile, HeaderAndSamplesForPositionsOneAndThree) {
    LogHeadInfo heads[kLogPositions];
    Fill(heads[0], "0906011", 12.5f, 31);
    Fill(heads[2], "0906013", 11.9f, 30);
    heads[1].model = "not logged"; // absent records leave no trace
    const std::string header = FormatLogHeader(heads, "Ann", "first\r\nsecond", Moment());
    EXPECT_EQ(header, "Optical Head Model Numbers:\tRVX-1-420\tRVX-1-420\r\n"
                      "Optical Head Serial Number:\t0906011\t0906013\r\n"
                      "Optical Head Calibration Date:\t10/01/06\t10/01/06\r\n"
                      "Operator:\tAnn\r\n"
                      "Comment:\tfirst\r\nsecond\r\n"
                      "Date:\tTuesday, March 14, 1995\r\n"
                      "\r\n"
                      "Time\tIntensity 1\tTemperature 1\tIntensity 3\tTemperature 3\r\n");
    std::string samples;
    AppendLogSample(samples, heads, Moment());
    heads[0].reading = 0.0f;
    heads[0].temperature = 255;
    heads[2].reading = -1.25f;
    AppendLogSample(samples, heads, Moment(9, 0, 0));
    EXPECT_EQ(samples, "14:03:05\t12.500000\t31\t11.900000\t30\r\n"
                       "09:00:00\t0.000000\t255\t-1.250000\t30\r\n");

    // A head without a reading at this sample: two empty fields keep the columns.
    heads[0].reading = std::numeric_limits<float>::quiet_NaN();
    samples.clear();
    AppendLogSample(samples, heads, Moment());
    EXPECT_EQ(samples, "14:03:05\t\t\t-1.250000\t30\r\n");
    // The largest float still fits its field.
    heads[2].reading = std::numeric_limits<float>::max();
    samples.clear();
    AppendLogSample(samples, heads, Moment());
    EXPECT_EQ(samples, "14:03:05\t\t\t340282346638528859811704183484516925440.000000\t30\r\n");
}

TEST(LogFile, NoPresentRecordLeavesOnlyLabelsAndTimes) {
    LogHeadInfo heads[kLogPositions];
    EXPECT_EQ(FormatLogHeader(heads, "", "", Moment()),
              "Optical Head Model Numbers:\r\nOptical Head Serial Number:\r\n"
              "Optical Head Calibration Date:\r\nOperator:\t\r\nComment:\t\r\n"
              "Date:\tTuesday, March 14, 1995\r\n\r\nTime\r\n");
    std::string samples;
    AppendLogSample(samples, heads, Moment());
    EXPECT_EQ(samples, "14:03:05\r\n");
}

TEST(LogFile, CreateCutsAnOldFileAndRefusesASecondWriter) {
    testing_support::TempDir dir("lumi-logfile");
    const std::string path = dir.Path() + "/a.log";
    { std::ofstream(path) << "old contents that must go"; }
    LogFile first;
    ASSERT_TRUE(first.Create(path));
    EXPECT_EQ(Slurp(path), "");
    LogFile second;
    EXPECT_FALSE(second.Create(path)); // not shared
    ASSERT_TRUE(first.Write("abc"));
    EXPECT_EQ(Slurp(path), "abc"); // the holder's bytes stay whole
    first.Close();
    EXPECT_FALSE(first.Write("x"));
    EXPECT_FALSE(second.Create(""));
    EXPECT_FALSE(second.Create(dir.Path() + "/no/such/folder.log"));
    EXPECT_FALSE(second.Create(dir.Path())); // a folder

    // A named pipe with no reader is refused at once rather than waited on.
    const std::string fifo = dir.Path() + "/pipe.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto created = std::async(std::launch::async, [&] { return second.Create(fifo); });
    const bool answered = created.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!answered) // release a waiting open() so the test ends
        platform::UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));
    EXPECT_TRUE(answered) << "Create waited for a reader";
    EXPECT_FALSE(created.get());
}

class LogDialogTest : public ::testing::Test {
protected:
    testing_support::TempDir dir{"lumi-logdlg"};
    HeadlessBackend ui;
    ClockedLog log;
    std::string Path(const char* name) const { return dir.Path() + "/" + name; }
};

TEST_F(LogDialogTest, StartLogWritesTheHeaderAndEachTickOneLine) {
    Fill(log.m_heads[0], "0906011", 0.0f, 0);
    Fill(log.m_heads[2], "0906013", 0.0f, 0);
    const std::string path = Path("run.log");
    ui.OnModal(kLogTemplate, [&](CDialog& d) {
        EXPECT_EQ(d.GetWindowText(), "Log Telemetry");
        d.UserType(IDC_PATH, path);
        d.UserType(IDC_OPERATOR, "Ann");
        d.UserType(IDC_COMMENT, "line one\r\nline two");
        d.UserPressEnter(); // Enter in the comment still starts the log
    });
    ASSERT_EQ(log.DoModal(), IDOK);
    EXPECT_EQ(log.m_bLogging, 1);
    EXPECT_EQ(log.m_strPath, path);
    const std::string header = "Optical Head Model Numbers:\tRVX-1-420\tRVX-1-420\r\n"
                               "Optical Head Serial Number:\t0906011\t0906013\r\n"
                               "Optical Head Calibration Date:\t10/01/06\t10/01/06\r\n"
                               "Operator:\tAnn\r\n"
                               "Comment:\tline one\r\nline two\r\n"
                               "Date:\tTuesday, March 14, 1995\r\n\r\n"
                               "Time\tIntensity 1\tTemperature 1\tIntensity 3\tTemperature 3\r\n";
    EXPECT_EQ(Slurp(path), header);

    // Heads on a controller in simulation mode read as 0.0 and 0.
    CControlBoard simulated;
    simulated.m_bDemo = true;
    COpticalHead heads[4];
    for (COpticalHead& h : heads) {
        h.m_bPresent = 1;
        h.m_pBoard = &simulated;
    }
    heads[1].m_bPresent = 0;
    log.now = Moment(14, 3, 8);
    ASSERT_TRUE(log.Tick(heads, 4, 4));
    // Head count 2: position 3 is no longer read, so it has no value.
    log.now = Moment(14, 3, 11);
    ASSERT_TRUE(log.Tick(heads, 4, 2));
    log.Close();
    EXPECT_EQ(log.m_bLogging, 0);
    log.now = Moment(14, 3, 14);
    ASSERT_TRUE(log.Tick(heads, 4, 4)); // not logging: nothing
    EXPECT_EQ(Slurp(path), header + "14:03:08\t0.000000\t0\t0.000000\t0\r\n"
                                    "14:03:11\t0.000000\t0\t\t\r\n");
}

TEST_F(LogDialogTest, CancelCreatesNothingAndReopeningKeepsOnlyThePath) {
    const std::string path = Path("kept.log");
    ui.OnModal(kLogTemplate, [&](CDialog& d) {
        d.UserType(IDC_PATH, path);
        d.UserType(IDC_OPERATOR, "Ann");
        d.UserClick(IDCANCEL);
    });
    EXPECT_EQ(log.DoModal(), IDCANCEL);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(log.m_bLogging, 0);

    // Browse: the save dialog as specified; its path lands in the edit.
    ui.CancelFile();
    ui.AnswerFile(path);
    ui.OnModal(kLogTemplate, [&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_PATH), ""); // a cancelled run kept nothing
        d.UserClick(IDC_BROWSE);
        EXPECT_EQ(d.GetDlgItemText(IDC_PATH), "");
        d.UserClick(IDC_BROWSE);
        EXPECT_EQ(d.GetDlgItemText(IDC_PATH), path);
        d.UserType(IDC_OPERATOR, "Ann");
        d.UserType(IDC_COMMENT, "note");
        d.UserClick(IDOK);
    });
    ASSERT_EQ(log.DoModal(), IDOK);
    ASSERT_EQ(ui.FileDialogs().size(), 2u);
    const auto& request = ui.FileDialogs()[0];
    EXPECT_FALSE(request.open);
    EXPECT_EQ(request.title, "Save DSC Log File");
    EXPECT_EQ(request.defaultExt, "dsc");
    EXPECT_EQ(request.initialName, "");
    EXPECT_TRUE(request.OverwritePrompt());
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].name, "DSC Log Files (*.log)");
    EXPECT_EQ(request.filters[0].pattern, "*.log");
    log.Close();

    ui.OnModal(kLogTemplate, [&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(IDC_PATH), path);
        EXPECT_EQ(d.GetDlgItemText(IDC_OPERATOR), "");
        EXPECT_EQ(d.GetDlgItemText(IDC_COMMENT), "");
    });
    EXPECT_EQ(log.DoModal(), IDCANCEL);
}

TEST_F(LogDialogTest, APathThatCannotBeOpenedKeepsTheDialogOpen) {
    ui.OnModal(kLogTemplate, [&](CDialog& d) {
        d.UserClick(IDOK); // empty path
        EXPECT_FALSE(d.IsEnded());
        d.UserType(IDC_PATH, Path("missing/folder/x.log"));
        d.UserClick(IDOK);
        EXPECT_FALSE(d.IsEnded());
        d.UserType(IDC_PATH, Path("ok.log"));
        d.UserClick(IDOK);
        EXPECT_TRUE(d.IsEnded());
    });
    EXPECT_EQ(log.DoModal(), IDOK);
    EXPECT_EQ(ui.BoxTexts(),
              (std::vector<std::string>{"File could not be opened.", "File could not be opened."}));
    EXPECT_TRUE(std::filesystem::exists(Path("ok.log")));
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}

// A file that takes no header (a full device in its place): the dialog says
// so and stays open, logging stays off, and the file is let go so that
// another path can be tried.
TEST_F(LogDialogTest, AHeaderThatCannotBeWrittenKeepsTheDialogOpen) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ui.OnModal(kLogTemplate, [&](CDialog& d) {
        d.UserType(IDC_PATH, "/dev/full");
        d.UserClick(IDOK);
        EXPECT_FALSE(d.IsEnded());
        EXPECT_FALSE(log.m_file.IsOpen());
        EXPECT_EQ(log.m_bLogging, 0);
        d.UserClick(IDCANCEL);
    });
    EXPECT_EQ(log.DoModal(), IDCANCEL);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Log file could not be written."});
    EXPECT_EQ(log.m_bLogging, 0);
}

} // namespace
