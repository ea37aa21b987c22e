// A profile that runs while the configuration dialog is open over the main
// window, on a simulated controller: what the dialog holds before OK never
// reaches the run, and the run's pause and end switch off what the run switched
// on, also when OK changed the head count under it.
#include "MainWindowFixture.h"
#include "resources/dialogs/Dialog129Ids.h"

#include <gtest/gtest.h>

namespace {

using namespace mainwindow_test;
using namespace ids102;
using Frames = std::vector<Sent>;

constexpr int kConfigTemplate = 129;

// Command codes and payloads from the controller's command table.
const Sent kOffBoth{100, {2}};
Sent OffChannel(uint8_t channel) {
    return {100, {channel}};
}
Sent DualIntensity(float a, float b) {
    std::vector<uint8_t> payload = FloatBytes(a);
    const std::vector<uint8_t> second = FloatBytes(b);
    payload.insert(payload.end(), second.begin(), second.end());
    return {50, payload};
}
Sent SetIntensity(uint8_t channel, float mw) {
    std::vector<uint8_t> payload{channel};
    const std::vector<uint8_t> value = FloatBytes(mw);
    payload.insert(payload.end(), value.begin(), value.end());
    return {97, payload};
}

class RunUnderConfigTest : public MainWindowFixture<CSorvaneDlg> {
protected:
    void Add(const std::string& duration, const std::string& i1, const std::string& i2,
             bool pause) {
        dlg->UserType(IDC_DURATION, duration);
        dlg->UserType(IDC_INTENSITY1, i1);
        dlg->SetDlgItemText(IDC_INTENSITY2, i2);
        dlg->CheckDlgButton(IDC_PAUSE, pause ? BST_CHECKED : BST_UNCHECKED);
        ASSERT_TRUE(dlg->UserClick(IDC_ADD));
    }
    bool Running() const { return dlg->IsDlgButtonChecked(IDC_RUN) == BST_CHECKED; }
    // A 4 s step at a/b with a pause after it, then a 4 s step at a/b, started.
    void RunPausedProfile(const std::string& a, const std::string& b) {
        Add("4", a, b, true);
        Add("4", a, b, false);
        ASSERT_TRUE(dlg->UserClick(IDC_RUN));
    }
    void OpenConfigDoor() { dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 50, 30); }
};

TEST_F(RunUnderConfigTest, AHeadCountEmptiedInTheOpenDialogLeavesThePauseAndTheEndSwitchingOff) {
    Open(MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}}));
    RunPausedProfile("5", "7");
    EXPECT_EQ(TakeSent(), (Frames{DualIntensity(5, 7)}));
    Frames atPause, afterOk, atEnd;
    std::string indicatorAtPause;
    ui.OnModal(kConfigTemplate, [&](CDialog& d) {
        d.UserType(ids129::IDC_HEAD_COUNT, "");
        ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box& box) {
            EXPECT_EQ(box.text, "Press OK to continue.");
            atPause = TakeSent();
            indicatorAtPause = dlg->IndicatorText(1);
        });
        ui.Advance(4000);
        afterOk = TakeSent();
        ui.Advance(4000);
        atEnd = TakeSent();
        EXPECT_FALSE(Running());
        d.UserClick(IDCANCEL);
    });
    OpenConfigDoor();
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_EQ(atPause, (Frames{kOffBoth}));
    EXPECT_EQ(indicatorAtPause, " 0.0");
    EXPECT_EQ(afterOk, (Frames{DualIntensity(5, 7)}));
    EXPECT_EQ(atEnd, (Frames{kOffBoth}));
    EXPECT_EQ(dlg->m_config.m_record.headCount, 2);
}

// OK during the run: the next steps follow the new count at once, and what
// the run lit before goes off at its pause all the same.
TEST_F(RunUnderConfigTest, AHeadCountChangedWithOkUnderTheRunStillSwitchesOffWhatTheRunLit) {
    Open(MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}}));
    RunPausedProfile("5", "7");
    EXPECT_EQ(TakeSent(), (Frames{DualIntensity(5, 7)}));
    ui.OnModal(kConfigTemplate, [&](CDialog& d) {
        d.UserType(ids129::IDC_HEAD_COUNT, "1");
        d.UserClick(IDOK);
    });
    OpenConfigDoor();
    ASSERT_EQ(dlg->m_config.m_record.headCount, 1);
    Frames atPause;
    ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box&) { atPause = TakeSent(); });
    ui.Advance(4000);
    // Head 0 as one position now, and channel B, which only the run had lit.
    EXPECT_EQ(atPause, (Frames{OffChannel(0), kOffBoth}));
    EXPECT_EQ(TakeSent(), (Frames{SetIntensity(0, 5)}));
    ui.Advance(4000);
    EXPECT_EQ(TakeSent(), (Frames{OffChannel(0)}));
    EXPECT_FALSE(Running());
}

TEST_F(RunUnderConfigTest, OnePositionLitByTheRunGoesOffAtStopAfterOkSetNoPositions) {
    Open(MakeConfig(1, {{1, "01001001", 100, 200}}));
    RunPausedProfile("5", "");
    EXPECT_EQ(TakeSent(), (Frames{SetIntensity(1, 5)}));
    ui.OnModal(kConfigTemplate, [&](CDialog& d) {
        d.UserType(ids129::IDC_HEAD_COUNT, "0");
        d.UserClick(IDOK);
    });
    OpenConfigDoor();
    ASSERT_EQ(dlg->m_config.m_record.headCount, 0);
    ASSERT_TRUE(dlg->UserClick(IDC_RUN)); // Stop
    EXPECT_EQ(TakeSent(), (Frames{OffChannel(1)}));
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
    EXPECT_FALSE(Running());
}

} // namespace
