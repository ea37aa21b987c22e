// The pulse-mode dialog against a simulated controller: the start and stop
// frames it sends (channel code, on/off ms, clamped index, mode, count), its
// twin buttons and timed runs on the virtual clock, and the simulator's light
// following the train. The main window's hidden pulse door at the end.
#include "MainWindowFixture.h"
#include "app/PulseDlg.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog150Ids.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace mainwindow_test;
using platform::ui::OpenDialog;

// The start frame's payload as the wire table has it: channel, on ms (LE16),
// off ms (LE16), index, mode, count (LE16).
Sent Start(int channel, int onMs, int offMs, int index, int mode, int count) {
    auto lo = [](int v) { return static_cast<uint8_t>(v & 0xFF); };
    auto hi = [](int v) { return static_cast<uint8_t>((v >> 8) & 0xFF); };
    return {115,
            {lo(channel), lo(onMs), hi(onMs), lo(offMs), hi(offMs), lo(index), lo(mode), lo(count),
             hi(count)}};
}
const Sent kStop{116, {}};

using namespace ids150;

class PulseTest : public ::testing::Test {
protected:
    PulseTest() {
        sim::ControllerOptions o;
        o.noiseCounts = 0.0;
        simulator = std::make_unique<sim::Controller>(o);
        board.m_strPort = simulator->SlavePath();
        EXPECT_EQ(board.Open(board.m_strPort.c_str(), 115200, 1000), SERIAL_OK);
        headA.m_pBoard = &board;
        headA.m_nChannel = 0;
        headB.m_pBoard = &board;
        headB.m_nChannel = 1;
        dlg.m_pHeadA = &headA;
        dlg.m_pHeadB = &headB;
        open = std::make_unique<OpenDialog>(dlg);
        EXPECT_TRUE(open->Ok());
    }
    ~PulseTest() override {
        open.reset();
        board.Close();
    }
    void Pulse(const char* on, const char* off, const char* index) {
        dlg.UserType(IDC_ON_DURATION, on);
        dlg.UserType(IDC_OFF_DURATION, off);
        dlg.UserType(IDC_INTENSITY, index);
    }
    bool Pressed(int id) const { return dlg.IsDlgButtonChecked(id) == BST_CHECKED; }
    bool Enabled(int id) const { return dlg.GetDlgItem(id)->IsEnabled(); }
    int Radio() const { return dlg.GetCheckedRadioButton(IDC_MODE_PULSES, IDC_MODE_TRIGGER); }

    HeadlessBackend ui;
    std::unique_ptr<sim::Controller> simulator;
    CControlBoard board;
    COpticalHead headA, headB;
    pulseDlg dlg;
    std::unique_ptr<OpenDialog> open;
};

TEST_F(PulseTest, CountedTrainClampsTheIndexAndEndsAfterTheTruncatedTotal) {
    dlg.UserClick(IDC_CHANNEL_A);
    Pulse("0.2", "0.3", "300");
    dlg.UserType(IDC_PULSE_COUNT, "5");
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{Start(0, 200, 300, 255, 0, 5)});
    EXPECT_TRUE(Pressed(IDC_START_PULSES));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_START_PULSES), "Cancel");
    EXPECT_EQ(Radio(), IDC_MODE_PULSES);
    for (int id : {IDC_START_TIME_LIMIT, IDC_ON, IDC_ARM})
        EXPECT_FALSE(Enabled(id)) << id;
    // 5 x 0.5 s = 2.5 s, truncated: the dialog's run is over after 2 s.
    int lo = -1, hi = -1;
    dlg.m_progressPulses.GetRange(lo, hi);
    EXPECT_EQ(hi, 2);
    ui.Advance(1000);
    EXPECT_EQ(dlg.m_progressPulses.GetPos(), 1);
    ui.Advance(999);
    EXPECT_TRUE(Pressed(IDC_START_PULSES));
    ui.Advance(1);
    EXPECT_FALSE(Pressed(IDC_START_PULSES));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_START_PULSES), "Start");
    for (int id : {IDC_START_PULSES, IDC_START_TIME_LIMIT, IDC_ON, IDC_ARM})
        EXPECT_TRUE(Enabled(id)) << id;
    // The finished run leaves a full bar (2 of 2), whichever of the two timers
    // due at 2 s comes first; it is not started over.
    EXPECT_EQ(dlg.m_progressPulses.GetPos(), 2);
    EXPECT_EQ(Radio(), IDC_MODE_PULSES);
    EXPECT_FALSE(dlg.HasTimer(pulseDlg::IDT_PULSE_PROGRESS));
    EXPECT_EQ(Received(*simulator).size(), 1u); // no stop: the controller ends the train

    // A negative index is sent as 0; B alone goes through head B with code 1.
    simulator->ClearRequests();
    dlg.UserClick(IDC_CHANNEL_A);
    dlg.UserClick(IDC_CHANNEL_B);
    Pulse("1.5", "0.25", "-5");
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{Start(1, 1500, 250, 0, 0, 5)});
}

TEST_F(PulseTest, TimeLimitDividesIntoACountAndCancelStops) {
    dlg.UserClick(IDC_CHANNEL_A);
    dlg.UserClick(IDC_CHANNEL_B);
    Pulse("0.5", "0.5", "128");
    dlg.UserType(IDC_TIME_LIMIT, "10");
    EXPECT_EQ(Radio(), IDC_MODE_TIME_LIMIT); // typing selects the row
    ASSERT_TRUE(dlg.UserClick(IDC_START_TIME_LIMIT));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{Start(2, 500, 500, 128, 0, 10)});
    EXPECT_EQ(ui.DueTime(dlg, pulseDlg::IDT_PULSE_END), ui.Now() + 10000);
    // Typing a count during the run moves the radio, not the run.
    dlg.UserType(IDC_PULSE_COUNT, "3");
    EXPECT_EQ(Radio(), IDC_MODE_PULSES);
    EXPECT_TRUE(Pressed(IDC_START_TIME_LIMIT));
    ui.Advance(4000);
    EXPECT_EQ(dlg.m_progressTimeLimit.GetPos(), 4);

    // Cancel: the stop goes to head A (A is checked), the bar returns to 0.
    simulator->ClearRequests();
    ASSERT_TRUE(dlg.UserClick(IDC_START_TIME_LIMIT));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{kStop});
    EXPECT_EQ(dlg.m_progressTimeLimit.GetPos(), 0);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_START_TIME_LIMIT), "Start");
    EXPECT_FALSE(dlg.HasTimer(pulseDlg::IDT_PULSE_END));
    for (int id : {IDC_START_PULSES, IDC_ON, IDC_ARM})
        EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(PulseTest, ManualAndTriggerModesSendTheirModeBytesAndNoTimers) {
    dlg.UserClick(IDC_CHANNEL_B);
    Pulse("0.1", "0.1", "50");
    dlg.UserType(IDC_PULSE_COUNT, "7");
    ASSERT_TRUE(dlg.UserClick(IDC_ON));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_ON), "Off");
    EXPECT_EQ(Radio(), IDC_MODE_MANUAL);
    EXPECT_FALSE(dlg.HasTimer(pulseDlg::IDT_PULSE_END));
    ASSERT_TRUE(dlg.UserClick(IDC_ON));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_ON), "On");
    ASSERT_TRUE(dlg.UserClick(IDC_ARM));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_ARM), "Disarm");
    EXPECT_FALSE(Enabled(IDC_ON));
    ASSERT_TRUE(dlg.UserClick(IDC_ARM));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_ARM), "Arm");
    EXPECT_EQ(Received(*simulator), (std::vector<Sent>{Start(1, 100, 100, 50, 2, 7), kStop,
                                                       Start(1, 100, 100, 50, 3, 7), kStop}));
}

TEST_F(PulseTest, NoChannelSendsNothingYetRunsTheBar) {
    Pulse("0.5", "0.5", "10");
    dlg.UserType(IDC_PULSE_COUNT, "3");
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    EXPECT_TRUE(Pressed(IDC_START_PULSES));
    ui.Advance(3000);
    EXPECT_FALSE(Pressed(IDC_START_PULSES));
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES)); // started and cancelled: no stop either
    EXPECT_TRUE(Received(*simulator).empty());
}

TEST_F(PulseTest, ZeroPeriodAndLongTrainsEndSensibly) {
    dlg.UserClick(IDC_CHANNEL_A);
    // On and off both 0 with a time limit: no pulse fits, count 0, the run ends at once.
    Pulse("0", "0", "10");
    dlg.UserType(IDC_TIME_LIMIT, "10");
    ASSERT_TRUE(dlg.UserClick(IDC_START_TIME_LIMIT));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{Start(0, 0, 0, 10, 0, 0)});
    ui.Advance(10);
    EXPECT_FALSE(Pressed(IDC_START_TIME_LIMIT));

    // 40000 pulses of 1 s: 40000 s, past a signed 16-bit number; the run ends
    // when the train does, not never.
    simulator->ClearRequests();
    Pulse("0.5", "0.5", "10");
    dlg.UserType(IDC_PULSE_COUNT, "40000");
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{Start(0, 500, 500, 10, 0, 40000)});
    EXPECT_EQ(ui.DueTime(dlg, pulseDlg::IDT_PULSE_END), ui.Now() + 40000000);
    int lo = -1, hi = -1;
    dlg.m_progressPulses.GetRange(lo, hi);
    EXPECT_EQ(hi, 40000);
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));

    // 70000 pulses: the controller gets the low 16 bits (4464) and the run lasts as long.
    simulator->ClearRequests();
    dlg.UserType(IDC_PULSE_COUNT, "70000");
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    EXPECT_EQ(Received(*simulator), std::vector<Sent>{Start(0, 500, 500, 10, 0, 4464)});
    EXPECT_EQ(ui.DueTime(dlg, pulseDlg::IDT_PULSE_END), ui.Now() + 4464000);
}

TEST_F(PulseTest, TheSimulatorLightsTheHeadByTheSchedule) {
    dlg.UserClick(IDC_CHANNEL_A);
    Pulse("0.3", "0.3", "200");
    dlg.UserType(IDC_PULSE_COUNT, "2");
    ASSERT_TRUE(dlg.UserClick(IDC_START_PULSES));
    // Seen from outside: the train runs, lights head A, then ends by itself
    // after 2 x 0.6 s. Waited for with a generous deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool sawLight = false, sawDark = false;
    while (std::chrono::steady_clock::now() < deadline && simulator->Pulse().running) {
        const double out = simulator->OpticalOutput(0);
        sawLight = sawLight || out > 0.0;
        sawDark = sawDark || out == 0.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(simulator->Pulse().running);
    EXPECT_TRUE(sawLight);
    EXPECT_EQ(simulator->OpticalOutput(0), 0.0);
    EXPECT_EQ(simulator->OpticalOutput(1), 0.0);
    (void)sawDark; // the off phase may fall between two looks on a busy machine
}

// The main window's pulse door (its radio stays hidden): closing the dialog
// during a run sends no stop from the dialog; the window then switches all
// heads off in index mode.
class PulseDoor : public MainWindowFixture<CSorvaneDlg> {};

TEST_F(PulseDoor, ClosingDuringARunLeavesTheStopToTheMainWindowsAllOff) {
    Open(MakeConfig(3, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}));
    EXPECT_FALSE(dlg->GetDlgItem(ids102::IDC_PULSE_MODE)->IsVisible());
    ui.OnModal(150, [&](CDialog& d) {
        EXPECT_FALSE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
        d.UserClick(IDC_CHANNEL_A);
        d.UserType(IDC_ON_DURATION, "1");
        d.UserType(IDC_OFF_DURATION, "1");
        d.UserType(IDC_INTENSITY, "9");
        d.UserType(IDC_PULSE_COUNT, "100");
        d.UserClick(IDC_START_PULSES);
        ui.Advance(5000);
        d.UserClose();
    });
    dlg->CheckDlgButton(ids102::IDC_PULSE_MODE, BST_CHECKED);
    dlg->OnBnClickedPulseMode();
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
    EXPECT_EQ(SentTo(),
              (std::vector<Sent>{Start(0, 1000, 1000, 9, 0, 100), {100, {0}}, {100, {1}}}));
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_INDEX_MODE), 1u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_UNIT), "Index");
}

} // namespace
