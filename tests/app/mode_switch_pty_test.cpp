// The controller mode switch dialog against a simulated controller: texts per
// mode, the switch sequence on the wire and its effect on the controller and
// on head 0's record only, a serial the controller cannot take, and a head
// without a controller (nothing sent).
#include "MainWindowFixture.h"
#include "app/ModeSwitch.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog151Ids.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

using namespace mainwindow_test;
using platform::ui::OpenDialog;

constexpr int kModeSwitchTemplate = 151;
const char kPwmText[] = "The Lumiflex is currently in PWM mode.";
const char kDacText[] = "The Lumiflex is currently in DAC mode.";
const char kButton[] = "Click here to set Lumiflex to DAC mode";

bool SameRecord(const HeadRecord& a, const HeadRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::vector<int> Codes(const sim::Controller& c) {
    std::vector<int> codes;
    for (const auto& r : c.Requests())
        codes.push_back(r.code);
    return codes;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ModeSwitchTest : public ::testing::Test {
protected:
    // stateDir: where the simulated heads keep their EEPROM images; empty:
    // in memory only.
    void Start(const std::string& serial, uint8_t mode, const std::string& stateDir = "") {
        sim::ControllerOptions o;
        o.board.boardSerial = serial;
        o.board.intensitySetMode = mode;
        o.stateDir = stateDir;
        simulator = std::make_unique<sim::Controller>(o);
        board.m_strPort = simulator->SlavePath();
        ASSERT_EQ(board.Open(board.m_strPort.c_str(), 115200, 1000), SERIAL_OK);
        head.m_pBoard = &board;
        head.m_nChannel = 0;
        otherRecord = simulator->Record(1);
    }
    ~ModeSwitchTest() override { board.Close(); }

    HeadlessBackend ui;
    std::unique_ptr<sim::Controller> simulator;
    CControlBoard board;
    COpticalHead head;
    HeadRecord otherRecord{};
};

TEST_F(ModeSwitchTest, EmptyEditBurnsZeroAndSwitchesPwmToDac) {
    Start("01001001", 0);
    ui.OnModal(kModeSwitchTemplate, [](CDialog& d) {
        EXPECT_EQ(d.GetWindowText(), "Lumiflex Mode Switch");
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_MODE_TEXT), kPwmText);
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_DEFAULT_LABEL),
                  "Default PWM value while in DAC mode:");
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_SWITCH), kButton);
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_DEFAULT_VALUE), "");
        d.UserClick(ids151::IDC_SWITCH);
    });
    CModeSwitch dlg;
    dlg.m_pHead = &head;
    EXPECT_EQ(dlg.DoModal(), 0);
    // The burn goes out once a DAC read (107) has been answered.
    EXPECT_EQ(Codes(*simulator), (std::vector<int>{110, 103, 107, 104, 110, 111}));
    const auto requests = simulator->Requests();
    // Role 1, mode 1 (DAC), the board serial's 8 bytes.
    EXPECT_EQ(requests.back().payload,
              (std::vector<uint8_t>{1, 1, '0', '1', '0', '0', '1', '0', '0', '1'}));
    EXPECT_EQ(simulator->Board().intensitySetMode, 1);
    EXPECT_EQ(simulator->Record(0).initialDacPwm, 0);
    EXPECT_EQ(simulator->Record(0).marker, 'V');
    EXPECT_TRUE(SameRecord(simulator->Record(1), otherRecord));
    EXPECT_EQ(head.m_bPresent, 1);
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(ModeSwitchTest, DacModeTextsAndA16BitValue) {
    Start("01001001", 1);
    ui.OnModal(kModeSwitchTemplate, [](CDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_MODE_TEXT), kDacText);
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_DEFAULT_LABEL),
                  "Default DAC value while in PWM mode:");
        EXPECT_EQ(d.GetDlgItemText(ids151::IDC_SWITCH), kButton);
        d.UserType(ids151::IDC_DEFAULT_VALUE, "70000");
        d.UserClick(ids151::IDC_SWITCH);
    });
    CModeSwitch dlg;
    dlg.m_pHead = &head;
    EXPECT_EQ(dlg.DoModal(), 0);
    EXPECT_EQ(simulator->Board().intensitySetMode, 0);
    EXPECT_EQ(simulator->Record(0).initialDacPwm, 4464); // 70000 - 65536
    EXPECT_TRUE(SameRecord(simulator->Record(1), otherRecord));
}

TEST_F(ModeSwitchTest, AShortBoardSerialStopsAfterTheBurnAndKeepsTheDialogOpen) {
    Start("123", 0);
    ui.OnModal(kModeSwitchTemplate, [](CDialog& d) {
        d.UserType(ids151::IDC_DEFAULT_VALUE, "77");
        d.UserClick(ids151::IDC_SWITCH);
        EXPECT_FALSE(d.IsEnded());
    });
    CModeSwitch dlg;
    dlg.m_pHead = &head;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(ui.BoxCount(), 1u);
    EXPECT_EQ(Codes(*simulator), (std::vector<int>{110, 103, 107, 104, 110}));
    EXPECT_EQ(simulator->Record(0).initialDacPwm, 77);
    EXPECT_EQ(simulator->Board().intensitySetMode, 0);
}

TEST_F(ModeSwitchTest, AFailedRecordReadStopsBeforeTheBurnAndSendsNothingMore) {
    testing_support::TempDir state("lumi-modeswitch");
    Start("01001001", 0, state.Path());
    const HeadRecord stored = simulator->Record(0);
    ASSERT_NE(stored.model[0], 0);   // the simulated head has a model to lose
    simulator->SetRecord(0, stored); // its EEPROM image on disk
    const std::string image = state.Path() + "/01001001-A.rvx";
    const std::vector<uint8_t> eeprom = FileBytes(image);
    ASSERT_FALSE(eeprom.empty());
    // The head object has never read its record: it holds all zeros.
    ui.OnModal(kModeSwitchTemplate, [&](CDialog& d) {
        d.UserType(ids151::IDC_DEFAULT_VALUE, "300");
        simulator->DropReplies(1); // the reply to the record read (103)
        d.UserClick(ids151::IDC_SWITCH);
        EXPECT_FALSE(d.IsEnded());
        ASSERT_EQ(ui.BoxCount(), 1u);
        EXPECT_EQ(ui.LastBox().text, "The RVX configuration could not be read. Nothing was "
                                     "burned and the mode was not switched.");
        // The wire: the board information at opening, the unanswered record
        // read, nothing after it; the simulated EEPROM and the mode as they were.
        EXPECT_EQ(Codes(*simulator), (std::vector<int>{110, 103}));
        EXPECT_EQ(FileBytes(image), eeprom);
        EXPECT_TRUE(SameRecord(simulator->Record(0), stored));
        EXPECT_TRUE(SameRecord(simulator->Record(1), otherRecord));
        EXPECT_EQ(simulator->Board().intensitySetMode, 0);
        EXPECT_EQ(head.m_bPresent, 0);

        // Pressed again with the head answering, the switch goes through.
        simulator->ClearRequests();
        d.UserClick(ids151::IDC_SWITCH);
    });
    CModeSwitch dlg;
    dlg.m_pHead = &head;
    EXPECT_EQ(dlg.DoModal(), 0);
    // The record read goes behind a DAC read that pays for the lost reply.
    EXPECT_EQ(Codes(*simulator), (std::vector<int>{107, 103, 107, 104, 110, 111}));
    EXPECT_EQ(simulator->Record(0).initialDacPwm, 300);
    EXPECT_EQ(std::memcmp(simulator->Record(0).model, stored.model, sizeof stored.model), 0);
    EXPECT_NE(FileBytes(image), eeprom); // burned now
    EXPECT_EQ(simulator->Board().intensitySetMode, 1);
    EXPECT_EQ(ui.BoxCount(), 1u);
}

TEST(ModeSwitchWithoutController, SaysSoAndSendsNothing) {
    HeadlessBackend ui;
    COpticalHead head; // no controller
    for (COpticalHead* h : {&head, static_cast<COpticalHead*>(nullptr)}) {
        CModeSwitch dlg;
        dlg.m_pHead = h;
        OpenDialog open(dlg);
        ASSERT_TRUE(open.Ok());
        EXPECT_EQ(dlg.GetDlgItemText(ids151::IDC_MODE_TEXT), "No controller!");
        EXPECT_EQ(dlg.GetDlgItemText(ids151::IDC_DEFAULT_LABEL), "");
        EXPECT_FALSE(dlg.GetDlgItem(ids151::IDC_SWITCH)->IsEnabled());
        EXPECT_FALSE(dlg.GetDlgItem(ids151::IDC_DEFAULT_VALUE)->IsEnabled());
        dlg.OnBnClickedSwitch(); // even when reached: nothing, and the dialog stays
        EXPECT_FALSE(dlg.IsEnded());
    }
    EXPECT_EQ(ui.BoxCount(), 0u);
}

// The main window's hidden Switch Modes door works on head position 0 and
// pauses the telemetry timer around the dialog.
class ModeSwitchDoor : public MainWindowFixture<CSorvaneDlg> {};

TEST_F(ModeSwitchDoor, HeadZeroOfTheMainWindow) {
    Open(MakeConfig(2, {{1, "01001001", 10, 10}, {0, "01001001", 60, 10}}));
    EXPECT_FALSE(dlg->GetDlgItem(ids102::IDC_SWITCH_MODES)->IsVisible());
    const HeadRecord before = sims[0]->Record(0);
    ui.OnModal(kModeSwitchTemplate, [&](CDialog& d) {
        EXPECT_FALSE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
        d.UserType(ids151::IDC_DEFAULT_VALUE, "300");
        d.UserClick(ids151::IDC_SWITCH);
    });
    dlg->OnBnClickedSwitchModes();
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
    // Head position 0 is channel B here: only its record changed.
    EXPECT_EQ(sims[0]->Record(1).initialDacPwm, 300);
    EXPECT_TRUE(SameRecord(sims[0]->Record(0), before));
    EXPECT_EQ(sims[0]->Board().intensitySetMode, 1);
}

} // namespace
