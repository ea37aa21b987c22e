// The main window in simulation mode (no port-listing program, the start-up
// dialog left with "Cancel Search and Continue for Troubleshooting"): layout
// by head count, click boxes, password gate, title, timers, default button.
#include "MainWindowFixture.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog135Ids.h"

#include <gtest/gtest.h>

namespace {

using namespace mainwindow_test;
using platform::ui::Control;

class MainWindowTest : public MainWindowFixture<RecordingMainWindow> {
protected:
    // Opens the window on a settings file with these heads; the start-up dialog
    // finds nothing and is left with Cancel (simulation mode).
    void Open(const ConfigRecord& record) {
        ui.OnModal(kStartUpTemplate, IDCANCEL);
        ASSERT_NO_FATAL_FAILURE(OpenWindow(record));
        ASSERT_TRUE(dlg->m_bDemo);
    }
    int IndicatorControls() const {
        int n = 0;
        for (const auto& c : dlg->Controls())
            n += c->Id() == ids102::IDC_INDICATOR;
        return n;
    }
    std::vector<std::string> DoorKinds() const {
        std::vector<std::string> k;
        for (const auto& d : dlg->doors)
            k.push_back(d.kind);
        return k;
    }
};

const std::vector<HeadPlace> kTwoHeads = {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}};

TEST_F(MainWindowTest, NoHeadPositions) {
    Open(MakeConfig(0, {}));
    EXPECT_EQ(IndicatorControls(), 0);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_CALIBRATED_MODE), 1u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_UNIT), "mW/cm\xB2");
    ASSERT_EQ(dlg->m_listSteps.GetControl()->Columns().size(), 3u);
    EXPECT_EQ(dlg->m_listSteps.GetControl()->Columns()[1].title, "Intensity");
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_INTENSITY1_CHECK), "Intensity");
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_INTENSITY1_CHECK), 1u);
    EXPECT_FALSE(dlg->GetDlgItem(ids102::IDC_INTENSITY2)->IsVisible());
    EXPECT_FALSE(dlg->GetDlgItem(ids102::IDC_INTENSITY2_CHECK)->IsVisible());

    // Set, Off and clicks on the picture do nothing; the configuration door still opens.
    dlg->UserType(ids102::IDC_MANUAL, "12.5");
    EXPECT_TRUE(dlg->UserClick(ids102::IDC_SET));
    EXPECT_TRUE(dlg->UserClick(ids102::IDC_OFF));
    dlg->UserMouseDown(0, 0, 0);
    dlg->UserMouseDown(MK_CONTROL, 100, 200);
    EXPECT_TRUE(dlg->doors.empty());
    dlg->UserMouseDown(MK_CONTROL, 50, 30);
    EXPECT_EQ(DoorKinds(), std::vector<std::string>{"config"});
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(MainWindowTest, TwoHeadPositionsLayout) {
    Open(MakeConfig(2, kTwoHeads));
    EXPECT_EQ(IndicatorControls(), 2);
    const auto& cols = dlg->m_listSteps.GetControl()->Columns();
    ASSERT_EQ(cols.size(), 4u);
    EXPECT_EQ(cols[0].title, "Duration");
    EXPECT_EQ(cols[0].width, 54);
    EXPECT_EQ(cols[0].align, platform::ui::Align::Left);
    EXPECT_EQ(cols[1].title, "Intensity 1");
    EXPECT_EQ(cols[2].title, "Intensity 2");
    EXPECT_EQ(cols[2].width, 64);
    EXPECT_EQ(cols[2].align, platform::ui::Align::Center);
    EXPECT_EQ(cols[3].title, "Pause");
    EXPECT_EQ(cols[3].width, 45);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_INTENSITY1_CHECK), 1u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_INTENSITY2_CHECK), 1u);
    EXPECT_TRUE(dlg->GetDlgItem(ids102::IDC_INTENSITY2_CHECK)->IsVisible());
    EXPECT_TRUE(dlg->GetDlgItem(ids102::IDC_INTENSITY2)->IsVisible());
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_INTENSITY1_CHECK), "Intensity 1:");
    // Hidden at start: VEXOR, Setup and Switch Modes.
    for (int id : {ids102::IDC_VEXOR, ids102::IDC_SETUP, ids102::IDC_SWITCH_MODES})
        EXPECT_FALSE(dlg->GetDlgItem(id)->IsVisible()) << id;
    // The first tab stop has the focus: the manual box.
    ASSERT_NE(dlg->FocusedControl(), nullptr);
    EXPECT_EQ(dlg->FocusedControl()->Id(), ids102::IDC_MANUAL);
}

TEST_F(MainWindowTest, SimulatedHeadsAndIndicatorsAtTheirPixels) {
    Open(MakeConfig(3, {{0, "AAA", 100, 200}, {1, "BBB", 300, 150}, {0, "CCC", 10, 20}}));
    ASSERT_EQ(dlg->m_nBoards, 1);
    EXPECT_EQ(IndicatorControls(), 3);
    for (int i = 0; i < 3; ++i) {
        const Control* c = dlg->Indicator(i).GetControl();
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->HasPixelRect());
        const auto& e = dlg->m_config.m_record.heads[i];
        EXPECT_EQ(c->PixelRect().x, e.x);
        EXPECT_EQ(c->PixelRect().y, e.y);
        EXPECT_EQ(c->PixelRect().width, 40);
        EXPECT_EQ(c->PixelRect().height, 20);
        EXPECT_TRUE(c->Has(platform::ui::style::AlignRight));
        ASSERT_NE(c->Font(), nullptr);
        EXPECT_EQ(c->Font()->face, "Microsoft Sans Serif");
        EXPECT_EQ(dlg->IndicatorText(i), "0.0");
    }
    // Only positions 0 and 1 have head objects: only they react to clicks and Set.
    dlg->UserMouseDown(0, 105, 205);
    dlg->UserMouseDown(0, 305, 155);
    dlg->UserMouseDown(0, 15, 25);
    ASSERT_EQ(dlg->doors.size(), 2u);
    EXPECT_EQ(dlg->doors[0].head, 0);
    EXPECT_EQ(dlg->doors[1].head, 1);

    dlg->UserType(ids102::IDC_MANUAL, "7.5");
    dlg->UserClick(ids102::IDC_SET);
    EXPECT_EQ(dlg->IndicatorText(0), " 7.5");
    EXPECT_EQ(dlg->IndicatorText(1), " 7.5");
    EXPECT_EQ(dlg->IndicatorText(2), "0.0");
    EXPECT_FLOAT_EQ(dlg->m_pHeads[0].m_fSetting, 7.5f);
    EXPECT_FLOAT_EQ(dlg->m_pHeads[1].m_fSetting, 7.5f);
}

TEST_F(MainWindowTest, IndicatorAtTheLargestPositionStaysInsideTheCoordinates) {
    // Positions come from the settings file as typed.
    Open(MakeConfig(1, {{0, "X", INT32_MAX - 10, INT32_MAX}}));
    const Control* c = dlg->Indicator(0).GetControl();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->PixelRect().x, INT32_MAX - 10);
    EXPECT_EQ(c->PixelRect().width, 10);
    EXPECT_EQ(c->PixelRect().height, 0);
    dlg->UserMouseDown(0, INT32_MAX, INT32_MAX);
    EXPECT_EQ(dlg->doors.size(), 1u);
}

TEST_F(MainWindowTest, HeadClickBoxEdges) {
    Open(MakeConfig(2, kTwoHeads));
    struct Case {
        int x, y;
        bool opens;
    } cases[] = {{100, 200, true},  {133, 236, true}, {134, 200, false},
                 {100, 237, false}, {99, 210, false}, {110, 199, false}};
    for (const Case& c : cases) {
        dlg->doors.clear();
        dlg->UserMouseDown(0, c.x, c.y);
        EXPECT_EQ(dlg->doors.size(), c.opens ? 1u : 0u) << c.x << "," << c.y;
        if (c.opens && !dlg->doors.empty()) {
            EXPECT_EQ(dlg->doors[0].kind, "detail");
            EXPECT_EQ(dlg->doors[0].head, 0);
            EXPECT_TRUE(dlg->doors[0].calibrated);
            EXPECT_FALSE(dlg->doors[0].telemetryRunning);
        }
    }
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
}

TEST_F(MainWindowTest, OverlappingBoxesOpenOneAfterTheOther) {
    Open(MakeConfig(2, {{0, "X", 100, 100}, {1, "X", 120, 120}}));
    dlg->UserMouseDown(0, 125, 125);
    ASSERT_EQ(dlg->doors.size(), 2u);
    EXPECT_EQ(dlg->doors[0].head, 0);
    EXPECT_EQ(dlg->doors[1].head, 1);
}

TEST_F(MainWindowTest, ConfigurationBoxOverTheLogo) {
    Open(MakeConfig(0, {}));
    struct Case {
        int x, y;
        bool opens;
    } cases[] = {{23, 6, true},    {177, 61, true},  {22, 30, false},
                 {100, 62, false}, {178, 30, false}, {100, 5, false}};
    for (const Case& c : cases) {
        dlg->doors.clear();
        dlg->UserMouseDown(MK_CONTROL, c.x, c.y);
        EXPECT_EQ(dlg->doors.size(), c.opens ? 1u : 0u) << c.x << "," << c.y;
        dlg->doors.clear();
        dlg->UserMouseDown(0, c.x, c.y); // without Ctrl nothing happens there
        EXPECT_TRUE(dlg->doors.empty());
    }
}

TEST_F(MainWindowTest, CtrlClickInAHeadBoxAndTheLogoOpensCalibrationThenConfiguration) {
    Open(MakeConfig(2, {{0, "X", 40, 20}, {1, "X", 300, 300}}));
    dlg->UserMouseDown(MK_CONTROL, 50, 30);
    EXPECT_EQ(DoorKinds(), (std::vector<std::string>{"calibration", "config"}));
    EXPECT_EQ(dlg->doors[0].head, 0);
    EXPECT_FALSE(dlg->doors[0].telemetryRunning);
    EXPECT_FALSE(dlg->doors[1].telemetryRunning);
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
}

TEST_F(MainWindowTest, ShiftClickShowsOnlyTheCoordinates) {
    Open(MakeConfig(2, kTwoHeads));
    dlg->UserMouseDown(MK_SHIFT | MK_CONTROL, 110, 210);
    dlg->UserMouseDown(MK_SHIFT, 5, 7);
    EXPECT_TRUE(dlg->doors.empty());
    auto boxes = ui.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "x:110 y:210 flags:12 control: 8");
    EXPECT_EQ(boxes[1].text, "x:5 y:7 flags:4 control: 0");
}

TEST_F(MainWindowTest, PasswordGate) {
    Open(MakeConfig(2, kTwoHeads, "Lumiflex", true));
    // Cancel: nothing, no message.
    ui.OnModal(
        kPasswordTemplate, [](CDialog& d) { d.UserType(ids135::IDC_PASSWORD, "pelrud"); },
        IDCANCEL);
    dlg->UserMouseDown(MK_CONTROL, 50, 30);
    EXPECT_TRUE(dlg->doors.empty());
    EXPECT_EQ(ui.BoxCount(), 0u);
    // Letter case counts.
    ui.OnModal(kPasswordTemplate, [](CDialog& d) {
        d.UserType(ids135::IDC_PASSWORD, "Pelrud");
        d.UserClick(IDOK);
    });
    dlg->UserMouseDown(MK_CONTROL, 110, 210);
    EXPECT_TRUE(dlg->doors.empty());
    ASSERT_EQ(ui.BoxCount(), 1u);
    EXPECT_EQ(ui.LastBox().text, "Invalid Password.");
    // The right word opens the door; the gate asks again at the next door.
    ui.OnModal(kPasswordTemplate, [](CDialog& d) {
        d.UserType(ids135::IDC_PASSWORD, "pelrud");
        d.UserClick(IDOK);
    });
    dlg->UserMouseDown(MK_CONTROL, 110, 210);
    EXPECT_EQ(DoorKinds(), std::vector<std::string>{"calibration"});
    // Protection switched off during the run: no prompt at all.
    dlg->m_config.m_record.passwordProtect = 0;
    size_t runs = ui.Runs().size();
    dlg->UserMouseDown(MK_CONTROL, 50, 30);
    EXPECT_EQ(ui.Runs().size(), runs);
    EXPECT_EQ(dlg->doors.back().kind, "config");
    // The head detail door is never guarded.
    dlg->m_config.m_record.passwordProtect = 1;
    dlg->UserMouseDown(0, 110, 210);
    EXPECT_EQ(dlg->doors.back().kind, "detail");
    EXPECT_EQ(ui.Runs().size(), runs);
}

TEST_F(MainWindowTest, TitleFollowsTheConfigurationDialog) {
    Open(MakeConfig(0, {}));
    EXPECT_EQ(dlg->GetWindowText(), "Lumiflex, version 3.02");
    dlg->onConfig = [&] {
        std::strcpy(dlg->m_config.m_record.title, "Line 4");
        return IDCANCEL;
    };
    dlg->UserMouseDown(MK_CONTROL, 50, 30);
    EXPECT_EQ(dlg->GetWindowText(), "Lumiflex, version 3.02");
    dlg->onConfig = [] { return IDOK; };
    dlg->UserMouseDown(MK_CONTROL, 50, 30);
    EXPECT_EQ(dlg->GetWindowText(), "Line 4, version 3.02");
    // A title that fills its field without a terminator stays inside it.
    std::memset(dlg->m_config.m_record.title, 'T', sizeof dlg->m_config.m_record.title);
    dlg->UpdateTitle();
    EXPECT_EQ(dlg->GetWindowText(), std::string(64, 'T') + ", version 3.02");
}

// What the head was told, each unit in its own text: an index never reads as
// mW/cm2, nor an intensity as an index.
TEST_F(MainWindowTest, DetailDialogLeavesWhatTheHeadWasToldInTheIndicator) {
    Open(MakeConfig(2, kTwoHeads));
    dlg->onDetail = [](COpticalHead& h) {
        h.SetIntensity(12.5f);
        return IDOK;
    };
    dlg->UserMouseDown(0, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    EXPECT_EQ(dlg->IndicatorText(1), "0.0");
    dlg->onDetail = [](COpticalHead& h) {
        h.SetIndex(255);
        return IDOK;
    };
    dlg->UserMouseDown(0, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), "#255");

    dlg->UserClick(ids102::IDC_INDEX_MODE);
    dlg->onDetail = [](COpticalHead& h) {
        h.SetIndex(40);
        return IDOK;
    };
    dlg->UserMouseDown(0, 310, 160);
    ASSERT_FALSE(dlg->doors.back().calibrated);
    EXPECT_EQ(dlg->IndicatorText(1), " 40");
    dlg->onDetail = [](COpticalHead& h) {
        h.SetIntensity(40.9f);
        return IDOK;
    };
    dlg->UserMouseDown(0, 310, 160);
    EXPECT_EQ(dlg->IndicatorText(1), "40.9");
    dlg->onDetail = [](COpticalHead& h) {
        h.Off();
        return IDOK;
    };
    dlg->UserMouseDown(0, 310, 160);
    EXPECT_EQ(dlg->IndicatorText(1), "  0");
}

TEST_F(MainWindowTest, ModeRadiosSwitchUnitsTurnHeadsOffAndClearTheProfile) {
    Open(MakeConfig(3, {{0, "X", 10, 10}, {1, "X", 60, 10}, {0, "X", 110, 10}}));
    dlg->UserType(ids102::IDC_MANUAL, "30");
    dlg->UserClick(ids102::IDC_SET);
    dlg->m_listSteps.InsertItem(0, "10");
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_UNIT), "Index");
    EXPECT_EQ(dlg->m_listSteps.GetItemCount(), 0);
    EXPECT_EQ(dlg->IndicatorText(0), "  0");
    EXPECT_EQ(dlg->IndicatorText(1), "  0");
    EXPECT_EQ(dlg->IndicatorText(2), "0.0"); // no head object behind it
    EXPECT_FLOAT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);

    // The checked radio clicked again: again all off and an empty profile.
    dlg->UserClick(ids102::IDC_SET);
    dlg->m_listSteps.InsertItem(0, "10");
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    EXPECT_EQ(dlg->m_listSteps.GetItemCount(), 0);
    EXPECT_EQ(dlg->IndicatorText(0), "  0");

    dlg->UserClick(ids102::IDC_CALIBRATED_MODE);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_UNIT), "mW/cm\xB2");
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
}

TEST_F(MainWindowTest, PulseRadioEndsInIndexMode) {
    Open(MakeConfig(2, kTwoHeads));
    dlg->Dispatch(ids102::IDC_PULSE_MODE, BN_CLICKED); // the radio is hidden: no user can click it
    ASSERT_EQ(dlg->doors.size(), 1u);
    EXPECT_EQ(dlg->doors[0].kind, "pulse");
    EXPECT_EQ(dlg->doors[0].head, 0);
    EXPECT_FALSE(dlg->doors[0].telemetryRunning);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_INDEX_MODE), 1u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_CALIBRATED_MODE), 0u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_PULSE_MODE), 0u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_UNIT), "Index");
    EXPECT_EQ(dlg->IndicatorText(0), "  0");
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
}

TEST_F(MainWindowTest, TimersRouteByIdAndTelemetryRunsEveryThreeSeconds) {
    Open(MakeConfig(0, {}));
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_TELEMETRY), ui.Now() + 3000);
    ui.Advance(9000);
    EXPECT_EQ(dlg->timerCalls[3], 3);
    for (uintptr_t id : {uintptr_t{1}, uintptr_t{10}, uintptr_t{11}, uintptr_t{2}, uintptr_t{99}})
        dlg->OnTimer(id);
    EXPECT_EQ(dlg->timerCalls[0], 1);
    EXPECT_EQ(dlg->timerCalls[1], 1);
    EXPECT_EQ(dlg->timerCalls[2], 1);
    EXPECT_EQ(dlg->timerCalls[3], 3);
}

TEST_F(MainWindowTest, ProfileTimersRunOnUnderADoorWhileTelemetryPauses) {
    Open(MakeConfig(2, kTwoHeads));
    dlg->SetTimer(CSorvaneDlg::IDT_PROGRESS_TICK, 1000);
    int progressDuring = -1, telemetryDuring = -1;
    dlg->onDetail = [&](COpticalHead&) {
        const int progress = dlg->timerCalls[2], telemetry = dlg->timerCalls[3];
        ui.Advance(6500);
        progressDuring = dlg->timerCalls[2] - progress;
        telemetryDuring = dlg->timerCalls[3] - telemetry;
        return IDOK;
    };
    dlg->UserMouseDown(0, 110, 210);
    EXPECT_EQ(progressDuring, 6);
    EXPECT_EQ(telemetryDuring, 0);
    // Re-armed with its full period when the door closes.
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_TELEMETRY), ui.Now() + 3000);
}

TEST_F(MainWindowTest, EnterPressesSetOrAddAfterAnEdit) {
    Open(MakeConfig(2, kTwoHeads));
    EXPECT_EQ(dlg->GetDefID(), 0);
    dlg->UserType(ids102::IDC_INTENSITY1, "5");
    EXPECT_EQ(dlg->GetDefID(), 0);
    dlg->UserType(ids102::IDC_MANUAL, "5");
    EXPECT_EQ(dlg->GetDefID(), ids102::IDC_SET);
    dlg->UserType(ids102::IDC_DURATION, "5");
    EXPECT_EQ(dlg->GetDefID(), ids102::IDC_ADD);
    dlg->UserType(ids102::IDC_INTENSITY2, "5");
    EXPECT_EQ(dlg->GetDefID(), ids102::IDC_ADD);
    dlg->UserType(ids102::IDC_MANUAL, "6");
    EXPECT_EQ(dlg->GetDefID(), ids102::IDC_SET);
}

TEST_F(MainWindowTest, SmallButtons) {
    Open(MakeConfig(2, kTwoHeads));
    dlg->Dispatch(ids102::IDC_VEXOR, BN_CLICKED);
    EXPECT_EQ(ui.LastBox().text, "No VEXOR was detected on the USB.");
    dlg->Dispatch(ids102::IDC_SETUP, BN_CLICKED); // Setup: nothing
    EXPECT_EQ(ui.BoxCount(), 1u);

    dlg->Dispatch(ids102::IDC_SWITCH_MODES, BN_CLICKED);
    EXPECT_EQ(dlg->doors.back().kind, "modeswitch");
    EXPECT_EQ(dlg->doors.back().head, 0);
    EXPECT_FALSE(dlg->doors.back().telemetryRunning);

    // Log: a cancelled log dialog leaves the button up; an accepted one down.
    dlg->CheckDlgButton(ids102::IDC_LOG, BST_CHECKED);
    dlg->Dispatch(ids102::IDC_LOG, BN_CLICKED);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_LOG), 0u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Log");
    EXPECT_TRUE(dlg->doors.back().telemetryRunning); // the log dialog does not pause it
    dlg->logResult = IDOK;
    dlg->CheckDlgButton(ids102::IDC_LOG, BST_CHECKED);
    dlg->Dispatch(ids102::IDC_LOG, BN_CLICKED);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_LOG), 1u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Stop Log");
    dlg->CheckDlgButton(ids102::IDC_LOG, BST_UNCHECKED);
    dlg->Dispatch(ids102::IDC_LOG, BN_CLICKED);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_LOG), "Log");
}

} // namespace

namespace {

// Without any way to show the start-up dialog there is nothing to work with,
// and no simulation either.
TEST(MainWindowSetUp, NoStartUpDialogMeansNoControllersAndNoHeads) {
    mainwindow_test::WorkDir dir;
    mainwindow_test::WriteConfig(mainwindow_test::MakeConfig(2, {{0, "A", 1, 1}, {1, "A", 50, 1}}));
    ASSERT_EQ(platform::ui::GetBackend(), nullptr);
    CSorvaneDlg dlg;
    dlg.SetUpControllers();
    EXPECT_FALSE(dlg.m_bDemo);
    EXPECT_EQ(dlg.m_nBoards, 0);
    EXPECT_EQ(dlg.m_pBoards, nullptr);
    EXPECT_EQ(dlg.m_pHeads, nullptr);
    EXPECT_EQ(dlg.HeadsInUse(), 0);
    dlg.AllOff(); // nothing to address
    for (const LogHeadInfo& h : dlg.m_log.m_heads)
        EXPECT_EQ(h.present, 0);
}

} // namespace
