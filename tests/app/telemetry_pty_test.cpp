// The telemetry log driven by the main window against simulated controllers:
// the Log button and its captions, the log dialog as the window's member, one
// sample line per 3 s tick with the heads' readings, a head that stops
// answering, more than eight head positions.
#include "MainWindowFixture.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog131Ids.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>

namespace {

using namespace mainwindow_test;

constexpr int kLogTemplate = 131;

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Lines without their CR LF; fails the test on a line without one.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> f;
    std::size_t at = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', at);
        f.push_back(line.substr(at, tab - at));
        if (tab == std::string::npos)
            return f;
        at = tab + 1;
    }
}

class TelemetryTest : public MainWindowFixture<CSorvaneDlg> {
protected:
    // A clean search over `serials.size()` controllers.
    void Open(const ConfigRecord& record, const std::vector<std::string>& serials) {
        std::vector<sim::ControllerOptions> options(serials.size());
        for (std::size_t j = 0; j < serials.size(); ++j) {
            options[j].board.boardSerial = serials[j];
            options[j].noiseCounts = 0.0;
        }
        ASSERT_NO_FATAL_FAILURE(OpenOn(record, options));
        // The Log button starts hidden; the test plays a user who can see it.
        dlg->GetDlgItem(ids102::IDC_LOG)->SetVisible(true);
    }
    void StartLog(const std::string& path) {
        ui.OnModal(kLogTemplate, [path](CDialog& d) {
            d.UserType(ids131::IDC_PATH, path);
            d.UserType(ids131::IDC_OPERATOR, "Ann");
            d.UserClick(IDOK);
        });
        ASSERT_TRUE(dlg->UserClick(ids102::IDC_LOG));
    }
    std::string Path() const { return std::filesystem::current_path() / "t.log"; }
};

TEST_F(TelemetryTest, ALogOfThreeHeadsOnTwoControllers) {
    Open(
        MakeConfig(3, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}, {1, "02002002", 110, 10}}),
        {"01001001", "02002002"});
    dlg->UserType(ids102::IDC_MANUAL, "40");
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_SET));

    StartLog(Path());
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_LOG), 1u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Stop Log");
    std::vector<std::string> lines = Lines(Slurp(Path()));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Optical Head Model Numbers:\tRVX-1-365\tRVX-1-395\tRVX-1-395");
    EXPECT_EQ(lines[1], "Optical Head Serial Number:\tS001001A\tS001001B\tS002002B");
    EXPECT_EQ(lines[2], "Optical Head Calibration Date:\t01/15/24\t01/15/24\t01/15/24");
    EXPECT_EQ(lines[3], "Operator:\tAnn");
    EXPECT_EQ(lines[4], "Comment:\t");
    EXPECT_TRUE(std::regex_match(lines[5], std::regex("Date:\t[A-Z][a-z]+day, [A-Z][a-z]+ "
                                                      "[1-9][0-9]?, 20[0-9][0-9]")))
        << lines[5];
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "Time\tIntensity 1\tTemperature 1\tIntensity 2\tTemperature 2"
                        "\tIntensity 3\tTemperature 3");

    for (auto& s : sims)
        s->ClearRequests();
    ui.Advance(2999);
    EXPECT_EQ(Lines(Slurp(Path())).size(), 8u);
    ui.Advance(1);
    lines = Lines(Slurp(Path()));
    ASSERT_EQ(lines.size(), 9u);
    // One read-output request per head, on its own channel and controller.
    ASSERT_EQ(sims[0]->Requests().size(), 2u);
    EXPECT_EQ(sims[0]->Requests()[0].code, 102);
    EXPECT_EQ(sims[0]->Requests()[0].payload, std::vector<uint8_t>{0});
    EXPECT_EQ(sims[0]->Requests()[1].payload, std::vector<uint8_t>{1});
    ASSERT_EQ(sims[1]->Requests().size(), 1u);
    EXPECT_EQ(sims[1]->Requests()[0].payload, std::vector<uint8_t>{1});

    std::vector<std::string> f = Fields(lines[8]);
    ASSERT_EQ(f.size(), 7u);
    EXPECT_TRUE(std::regex_match(f[0], std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"))) << f[0];
    // Lit heads read something near 40 mW/cm2 (the factory gain is rough) and
    // a temperature matching the simulator's.
    const int controllerOf[3] = {0, 0, 1};
    const int channelOf[3] = {0, 1, 1};
    for (int h = 0; h < 3; ++h) {
        EXPECT_TRUE(std::regex_match(f[1 + 2 * h], std::regex("[0-9]+\\.[0-9]{6}")));
        const double reading = std::atof(f[1 + 2 * h].c_str());
        EXPECT_GT(reading, 10.0) << h;
        EXPECT_LT(reading, 100.0) << h;
        EXPECT_EQ(std::atoi(f[2 + 2 * h].c_str()),
                  std::lround(sims[controllerOf[h]]->Temperature(channelOf[h])))
            << h;
    }

    // Head 2 (controller 1, channel B) stops answering: its columns stay, empty.
    sims[0]->SetHeadPresent(1, false);
    ui.Advance(3000);
    lines = Lines(Slurp(Path()));
    ASSERT_EQ(lines.size(), 10u);
    f = Fields(lines[9]);
    ASSERT_EQ(f.size(), 7u);
    EXPECT_FALSE(f[1].empty());
    EXPECT_EQ(f[3], "");
    EXPECT_EQ(f[4], "");
    EXPECT_FALSE(f[5].empty());
    // ... and comes back.
    sims[0]->SetHeadPresent(1, true);
    ui.Advance(3000);
    lines = Lines(Slurp(Path()));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_FALSE(Fields(lines[10])[3].empty());

    // Releasing the button closes the file: no more lines.
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_LOG));
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Log");
    EXPECT_EQ(dlg->m_log.m_bLogging, 0);
    ui.Advance(9000);
    EXPECT_EQ(Lines(Slurp(Path())).size(), 11u);
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(TelemetryTest, CancelCreatesNoFileAndReleasesTheButton) {
    Open(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}), {"01001001"});
    ui.OnModal(kLogTemplate, [this](CDialog& d) {
        d.UserType(ids131::IDC_PATH, Path());
        EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Stop Log");
        d.UserClick(IDCANCEL);
    });
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_LOG));
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_LOG), 0u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Log");
    EXPECT_FALSE(std::filesystem::exists(Path()));
    for (auto& s : sims)
        s->ClearRequests();
    ui.Advance(3000); // not logging: no head is read
    EXPECT_EQ(sims[0]->RequestCount(), 0u);
}

TEST_F(TelemetryTest, AHeadNoLongerPresentIsNotReadAndItsColumnsStayEmpty) {
    Open(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}), {"01001001"});
    StartLog(Path());
    // As a record read that failed later (the mode switch reads it again)
    // leaves it: bound to its controller, not present.
    dlg->m_pHeads[1].m_bPresent = 0;
    sims[0]->ClearRequests();
    ui.Advance(3000);
    ASSERT_EQ(sims[0]->Requests().size(), 1u);
    EXPECT_EQ(sims[0]->Requests()[0].code, 102);
    EXPECT_EQ(sims[0]->Requests()[0].payload, std::vector<uint8_t>{0});
    const std::vector<std::string> lines = Lines(Slurp(Path()));
    ASSERT_EQ(lines.size(), 9u);
    const std::vector<std::string> f = Fields(lines[8]);
    ASSERT_EQ(f.size(), 5u);
    EXPECT_FALSE(f[1].empty());
    EXPECT_EQ(f[3], "");
    EXPECT_EQ(f[4], "");
}

TEST_F(TelemetryTest, OnlyTheFirstEightPositionsAreLogged) {
    std::vector<HeadPlace> places;
    std::vector<std::string> serials;
    for (int j = 0; j < 5; ++j) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "0%d00100%d", j + 1, j + 1);
        serials.push_back(serial);
        places.push_back({0, serials.back(), 10 + 50 * j, 10});
        places.push_back({1, serials.back(), 10 + 50 * j, 60});
    }
    Open(MakeConfig(10, places), serials);
    StartLog(Path());
    for (auto& s : sims)
        s->ClearRequests();
    ui.Advance(3000);
    const std::vector<std::string> lines = Lines(Slurp(Path()));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(Fields(lines[0]).size(), 9u);
    EXPECT_EQ(Fields(lines[7]).back(), "Temperature 8");
    EXPECT_EQ(Fields(lines[8]).size(), 17u);
    EXPECT_EQ(sims[3]->RequestCount(), 2u);
    EXPECT_EQ(sims[4]->RequestCount(), 0u); // positions 9 and 10 are not read
}

} // namespace

namespace {

// A log file that stops taking lines (here: a full device in its place) ends
// logging: the button is released and the operator told once.
TEST_F(TelemetryTest, AFileThatStopsTakingLinesReleasesTheButton) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    Open(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}), {"01001001"});
    StartLog(Path());
    ASSERT_TRUE(dlg->m_log.m_file.Create("/dev/full"));
    ui.Advance(3000);
    EXPECT_EQ(dlg->m_log.m_bLogging, 0);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_LOG), 0u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Log");
    ui.Advance(9000);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Log file could not be written."});
}

} // namespace
