// The profile runner against simulated controllers on the virtual clock: the
// frames each step sends and when, the trigger wait, pauses, looping, the end
// of a run, and the progress bars.
#include "MainWindowFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

using namespace mainwindow_test;
using namespace ids102;

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

using Frames = std::vector<Sent>;

// Command codes and payloads from the controller's command table.
const Sent kAllOffBoth{100, {2}};
const Sent kTriggerQuery{113, {}};
Sent DualIntensity(float a, float b) {
    return {50, Cat({FloatBytes(a), FloatBytes(b)})};
}
Sent DualIndex(uint16_t a, uint16_t b) {
    return {51, {uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8)}};
}

class ProfileRunnerTest : public MainWindowFixture<RecordingMainWindow> {
protected:
    void Add(const std::string& duration, const std::string& i1, const std::string& i2 = "",
             bool pause = false) {
        dlg->UserType(IDC_DURATION, duration);
        dlg->UserType(IDC_INTENSITY1, i1);
        dlg->SetDlgItemText(IDC_INTENSITY2, i2);
        dlg->CheckDlgButton(IDC_PAUSE, pause ? BST_CHECKED : BST_UNCHECKED);
        ASSERT_TRUE(dlg->UserClick(IDC_ADD));
    }
    void Run() { ASSERT_TRUE(dlg->UserClick(IDC_RUN)); }
    bool Running() const { return dlg->IsDlgButtonChecked(IDC_RUN) == BST_CHECKED; }
    const platform::ui::Control& Bar(int id) const { return *dlg->GetDlgItem(id); }
};

ConfigRecord TwoPositions() {
    return MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}});
}

TEST_F(ProfileRunnerTest, TwoStepProfileSendsEachStepsFrameAtItsTimeThenAllOff) {
    Open(TwoPositions());
    Add("2", "12.5", "7.5");
    Add("1", "20", "0");
    dlg->UserType(IDC_MANUAL, "3");
    const uint64_t t0 = ui.Now();
    Run();
    EXPECT_EQ(dlg->GetDlgItemText(IDC_RUN), "Stop");
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(12.5f, 7.5f)}));
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    EXPECT_EQ(dlg->IndicatorText(1), " 7.5");
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_STEP_END), t0 + 2000);
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).RangeHigh(), 3);
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).RangeHigh(), 2);

    ui.Advance(1999);
    EXPECT_EQ(SentTo().size(), 1u);
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).Pos(), 1);
    ui.Advance(1);
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(12.5f, 7.5f), DualIntensity(20.0f, 0.0f)}));
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).RangeHigh(), 1);
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).Pos(), 2);
    ui.Advance(999);
    EXPECT_TRUE(Running());
    ui.Advance(1);
    EXPECT_EQ(SentTo().back(), kAllOffBoth);
    EXPECT_EQ(SentTo().size(), 3u);
    EXPECT_FALSE(Running());
    EXPECT_EQ(dlg->GetDlgItemText(IDC_RUN), "Run");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_MANUAL), "");
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).Pos(), 3); // the bars keep their places
    for (auto id :
         {CSorvaneDlg::IDT_TRIGGER_POLL, CSorvaneDlg::IDT_STEP_END, CSorvaneDlg::IDT_PROGRESS_TICK})
        EXPECT_FALSE(dlg->HasTimer(id));
}

TEST_F(ProfileRunnerTest, IndexModeTwoPositionsUseTheDualIndexAndFileValuesStayInRange) {
    Open(TwoPositions());
    dlg->UserClick(IDC_INDEX_MODE);
    Forget();
    Add("1", "40", "255");
    // A file may hold what the editor refuses: -1 and 300, and a negative time.
    {
        std::vector<uint8_t> r(20, 0);
        const float a = -1.0f, b = 300.0f;
        const int32_t d = -5;
        std::memcpy(&r[4], &d, 4);
        std::memcpy(&r[8], &a, 4);
        std::memcpy(&r[12], &b, 4);
        std::ofstream("odd.profile", std::ios::binary).write(reinterpret_cast<char*>(r.data()), 20);
    }
    Run();
    EXPECT_EQ(SentTo(), (Frames{DualIndex(40, 255)}));
    EXPECT_EQ(dlg->IndicatorText(0), " 40");
    EXPECT_EQ(dlg->IndicatorText(1), "255");
    ui.Advance(1000);
    EXPECT_FALSE(Running());

    ui.AnswerFile("odd.profile");
    dlg->UserClick(IDC_OPEN);
    ASSERT_EQ(dlg->m_listSteps.GetItemCount(), 1);
    Forget();
    Run();
    EXPECT_EQ(SentTo(), (Frames{DualIndex(0, 255)}));
    // The indicators show what the heads were sent; the list what the file holds.
    EXPECT_EQ(dlg->IndicatorText(0), "  0");
    EXPECT_EQ(dlg->IndicatorText(1), "255");
    EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 255.0f);
    EXPECT_EQ(dlg->m_listSteps.GetItemText(0, 1), " -1");
    EXPECT_EQ(dlg->m_listSteps.GetItemText(0, 2), "300");
    // The negative step runs as no time at all, never as a timer of weeks.
    EXPECT_LE(ui.DueTime(*dlg, CSorvaneDlg::IDT_STEP_END), ui.Now() + 10);
    ui.Advance(10);
    EXPECT_FALSE(Running());
}

// An index beyond int's range in a file is still held at its nearer end:
// 2^31 and 3e9 are full output, -3e9 is off; the list shows the file's sign.
TEST_F(ProfileRunnerTest, IndexesBeyondIntsRangeInAFileAreHeldAtTheirNearerEnd) {
    Open(TwoPositions());
    dlg->UserClick(IDC_INDEX_MODE);
    // Two index-mode steps of 1 s: 3e9 and -3e9, then 2^31 and 1e10.
    const std::vector<uint8_t> file = {
        0, 0, 0, 0, 1, 0, 0, 0, 0x5E, 0xD0, 0x32, 0x4F, 0x5E, 0xD0, 0x32, 0xCF, 0, 0, 0, 0,
        0, 0, 0, 0, 1, 0, 0, 0, 0x00, 0x00, 0x00, 0x4F, 0xF9, 0x02, 0x15, 0x50, 0, 0, 0, 0};
    std::ofstream("huge.profile", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    ui.AnswerFile("huge.profile");
    dlg->UserClick(IDC_OPEN);
    ASSERT_EQ(dlg->m_listSteps.GetItemCount(), 2);
    EXPECT_EQ(dlg->m_listSteps.GetItemText(0, 1), "2147483647");
    EXPECT_EQ(dlg->m_listSteps.GetItemText(0, 2), "-2147483648");
    EXPECT_EQ(dlg->m_listSteps.GetItemText(1, 1), "2147483647");
    Forget();
    Run();
    EXPECT_EQ(SentTo(), (Frames{DualIndex(255, 0)}));
    EXPECT_EQ(dlg->IndicatorText(0), "255");
    EXPECT_EQ(dlg->IndicatorText(1), "  0");
    ui.Advance(1000);
    EXPECT_EQ(SentTo(), (Frames{DualIndex(255, 0), DualIndex(255, 255)}));
    ui.Advance(1000);
    EXPECT_FALSE(Running());
}

// The dual command bypasses the head objects: what it sent is what each
// head's display shows again when its detail door closes.
TEST_F(ProfileRunnerTest, TwoPositionStepsLeaveEachHeadTheSettingItWasSent) {
    Open(TwoPositions());
    Add("1", "12.5", "7.5");
    Add("1", "20", "0", true);
    Run();
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(12.5f, 7.5f)}));
    dlg->UserMouseDown(0, 110, 210);
    dlg->UserMouseDown(0, 310, 160);
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    EXPECT_EQ(dlg->IndicatorText(1), " 7.5");
    ui.Advance(1000);
    dlg->UserMouseDown(0, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), "20.0");
    // The pause turns both off: so do their settings.
    ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box&) {
        dlg->UserMouseDown(0, 110, 210);
        EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
    });
    ui.Advance(1000);
    EXPECT_FALSE(Running());
    EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 0.0f);

    // Index mode: the indexes as sent, held to 0-255.
    dlg->UserClick(IDC_INDEX_MODE);
    Add("1", "40", "255");
    Forget();
    Run();
    EXPECT_EQ(SentTo(), (Frames{DualIndex(40, 255)}));
    dlg->UserMouseDown(0, 110, 210);
    dlg->UserMouseDown(0, 310, 160);
    EXPECT_EQ(dlg->IndicatorText(0), " 40");
    EXPECT_EQ(dlg->IndicatorText(1), "255");
}

TEST_F(ProfileRunnerTest, AStepEndThatFiresLateDelaysTheNextStepButNeverShortensIt) {
    Open(TwoPositions());
    Add("2", "12.5", "7.5");
    Add("3", "20", "0");
    Run();
    ui.Advance(1999);
    // The UI thread is held past the first step's end (a request waiting out
    // its timeout, say): that end comes 1.5 s late.
    ui.Hold(1500);
    ui.Advance(0);
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(12.5f, 7.5f), DualIntensity(20.0f, 0.0f)}));
    // The second step still lasts its 3 s from its own start.
    ui.Advance(2999);
    EXPECT_EQ(SentTo().size(), 2u);
    EXPECT_TRUE(Running());
    ui.Advance(1);
    EXPECT_EQ(SentTo().back(), kAllOffBoth);
    EXPECT_FALSE(Running());
}

TEST_F(ProfileRunnerTest, OneAndThreePositionsSetEveryHeadToIntensityOne) {
    Open(
        MakeConfig(3, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}, {1, "02002002", 110, 10}}),
        2);
    dlg->UserClick(IDC_INDEX_MODE);
    Forget();
    Add("1", "30", "99");
    Run();
    EXPECT_EQ(SentTo(0), (Frames{{98, {0, 30, 0}}, {98, {1, 30, 0}}}));
    EXPECT_EQ(SentTo(1), (Frames{{98, {1, 30, 0}}}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dlg->IndicatorText(i), " 30");
}

TEST_F(ProfileRunnerTest, IndexModeThreePositionsSendAndShowFileValuesHeldInRange) {
    Open(
        MakeConfig(3, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}, {1, "02002002", 110, 10}}),
        2);
    dlg->UserClick(IDC_INDEX_MODE);
    // Two index-mode steps of 1 s with what the editor refuses: -1, then 300.
    std::vector<uint8_t> file(40, 0);
    file[4] = file[24] = 1;           // durations
    file[10] = 0x80, file[11] = 0xBF; // -1.0f
    file[30] = 0x96, file[31] = 0x43; // 300.0f
    std::ofstream("odd.profile", std::ios::binary).write(reinterpret_cast<char*>(file.data()), 40);
    ui.AnswerFile("odd.profile");
    dlg->UserClick(IDC_OPEN);
    ASSERT_EQ(dlg->m_listSteps.GetItemCount(), 2);
    Forget();
    Run();
    EXPECT_EQ(TakeSent(0), (Frames{{98, {0, 0, 0}}, {98, {1, 0, 0}}}));
    EXPECT_EQ(TakeSent(1), (Frames{{98, {1, 0, 0}}}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dlg->IndicatorText(i), "  0") << i;
    ui.Advance(1000);
    EXPECT_EQ(SentTo(0), (Frames{{98, {0, 255, 0}}, {98, {1, 255, 0}}}));
    EXPECT_EQ(SentTo(1), (Frames{{98, {1, 255, 0}}}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dlg->IndicatorText(i), "255") << i;
}

TEST_F(ProfileRunnerTest, OnePositionCalibratedSendsItsChannelAndZeroSwitchesOff) {
    Open(MakeConfig(1, {{1, "01001001", 10, 10}}));
    Add("1", "12.5");
    Add("0", "0");
    Run();
    EXPECT_EQ(SentTo(), (Frames{{97, Cat({{1}, FloatBytes(12.5f)})}}));
    ui.Advance(1000);
    // The 0 s step: its off command, then its timer ends it at the shortest period.
    EXPECT_EQ(SentTo().back(), (Sent{100, {1}}));
    EXPECT_TRUE(Running());
    ui.Advance(10);
    EXPECT_FALSE(Running());
    EXPECT_EQ(SentTo().size(), 3u);
}

TEST_F(ProfileRunnerTest, EmptyListEndsAtOnceAlsoWhenLooping) {
    Open(TwoPositions());
    for (bool loop : {false, true}) {
        dlg->CheckDlgButton(IDC_LOOP, loop ? BST_CHECKED : BST_UNCHECKED);
        Forget();
        Run();
        EXPECT_FALSE(Running());
        EXPECT_EQ(dlg->GetDlgItemText(IDC_RUN), "Run");
        EXPECT_EQ(SentTo(), (Frames{kAllOffBoth}));
    }
}

TEST_F(ProfileRunnerTest, PauseStepHoldsTheLightOffUntilOk) {
    Open(TwoPositions());
    Add("1", "10", "10", true);
    Add("1", "20", "20");
    Run();
    Frames whileShown;
    ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box& box) {
        EXPECT_EQ(box.text, "Press OK to continue.");
        EXPECT_EQ(box.caption, "Awaiting User Interaction");
        EXPECT_EQ(box.flags, MB_OK | MB_ICONINFORMATION);
        ui.Advance(5000); // nothing of the run moves while the operator is away
        whileShown = SentTo();
    });
    ui.Advance(1000);
    EXPECT_EQ(whileShown, (Frames{DualIntensity(10, 10), kAllOffBoth}));
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(10, 10), kAllOffBoth, DualIntensity(20, 20)}));
    // The next step is timed from OK.
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_STEP_END), ui.Now() + 1000);
}

TEST_F(ProfileRunnerTest, LoopRestartsAfterTheLastStepsPauseAndEndsOnceTheListIsCleared) {
    Open(TwoPositions());
    dlg->CheckDlgButton(IDC_LOOP, BST_CHECKED);
    Add("1", "5", "6", true);
    Forget();
    Run();
    Frames whileShown;
    ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box&) { whileShown = SentTo(); });
    ui.Advance(1000);
    EXPECT_EQ(whileShown, (Frames{DualIntensity(5, 6), kAllOffBoth}));
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(5, 6), kAllOffBoth, DualIntensity(5, 6)}));
    EXPECT_TRUE(Running());

    // Emptied under the running step: that step ends with its pause, then the
    // run ends although it loops.
    dlg->UserClick(IDC_CLEAR_ALL);
    Forget();
    ui.AnswerBox(IDOK);
    ui.Advance(1000);
    EXPECT_FALSE(Running());
    EXPECT_EQ(dlg->GetDlgItemText(IDC_RUN), "Run");
    EXPECT_EQ(SentTo(), (Frames{kAllOffBoth, kAllOffBoth}));
    ui.Advance(5000);
    EXPECT_EQ(SentTo().size(), 2u);
}

TEST_F(ProfileRunnerTest, TwoPositionsOnTwoControllersAreBothSetThroughTheFirst) {
    Open(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "02002002", 60, 10}}), 2);
    Add("1", "12.5", "7.5");
    Run();
    EXPECT_EQ(SentTo(0), (Frames{DualIntensity(12.5f, 7.5f)}));
    EXPECT_TRUE(SentTo(1).empty());
}

TEST_F(ProfileRunnerTest, AStepBeyondTheLongestTimerEndsWithItAndTheNextIsTimedFromThen) {
    Open(TwoPositions());
    Add("3000000", "1", "1"); // about 35 days: more than a timer can wait
    Add("1", "2", "2");
    dlg->KillTimer(CSorvaneDlg::IDT_TELEMETRY);
    Run();
    dlg->KillTimer(CSorvaneDlg::IDT_PROGRESS_TICK); // 2^31 ticks would only slow the test
    const uint64_t longest = 0x7FFFFFFF;
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_STEP_END), ui.Now() + longest);
    ui.Advance(longest);
    EXPECT_EQ(SentTo().back(), DualIntensity(2, 2));
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_STEP_END), ui.Now() + 1000);
}

TEST_F(ProfileRunnerTest, LoopingProfileAwaitsTheTriggerOnlyBeforeItsFirstPass) {
    Open(TwoPositions());
    ASSERT_TRUE(dlg->UserClick(IDC_EXTERNAL_TRIGGER));
    dlg->CheckDlgButton(IDC_LOOP, BST_CHECKED);
    Add("1", "5", "6");
    Forget();
    Run();
    EXPECT_EQ(SentTo(), (Frames{kTriggerQuery}));
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TRIGGER_POLL));
    ui.Advance(1000);
    EXPECT_EQ(SentTo(), (Frames{kTriggerQuery, kTriggerQuery}));
    sims[0]->FireTrigger();
    ui.Advance(1000);
    EXPECT_EQ(SentTo(), (Frames{kTriggerQuery, kTriggerQuery, kTriggerQuery, DualIntensity(5, 6)}));
    EXPECT_FALSE(dlg->HasTimer(CSorvaneDlg::IDT_TRIGGER_POLL));
    Forget();
    ui.Advance(2000);
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(5, 6), DualIntensity(5, 6)}));
    EXPECT_TRUE(Running());

    Forget();
    ASSERT_TRUE(dlg->UserClick(IDC_RUN));
    EXPECT_EQ(SentTo(), (Frames{kAllOffBoth}));
    EXPECT_EQ(dlg->GetDlgItemText(IDC_RUN), "Run");
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).Pos(), 0);
    ui.Advance(5000);
    EXPECT_EQ(SentTo().size(), 1u);
}

TEST_F(ProfileRunnerTest, TriggerWaitEndsWhenTheBoxIsUncheckedOrTheRunStopped) {
    Open(TwoPositions());
    ASSERT_TRUE(dlg->UserClick(IDC_EXTERNAL_TRIGGER));
    Add("3", "5", "6");
    Forget();
    Run();
    ui.Advance(2000);
    ASSERT_TRUE(dlg->UserClick(IDC_RUN));
    // Stopped while waiting: the queries and the all-off command, nothing else.
    EXPECT_EQ(SentTo(), (Frames{kTriggerQuery, kTriggerQuery, kTriggerQuery, kAllOffBoth}));
    EXPECT_FALSE(dlg->HasTimer(CSorvaneDlg::IDT_TRIGGER_POLL));
    ui.Advance(3000);
    EXPECT_EQ(SentTo().size(), 4u);

    Run();
    ASSERT_TRUE(dlg->UserClick(IDC_EXTERNAL_TRIGGER)); // off: tells the controller
    Forget();
    ui.Advance(1000);
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(5, 6)}));
}

TEST_F(ProfileRunnerTest, ProgressRangesAndASumBeyondSixteenBits) {
    Open(TwoPositions());
    Add("5", "1", "1");
    Add("3", "1", "1");
    Run();
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).RangeHigh(), 8);
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).RangeHigh(), 5);
    ui.Advance(5000);
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).RangeHigh(), 3);
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).Pos(), 0);
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).Pos(), 5);
    ASSERT_TRUE(dlg->UserClick(IDC_RUN));

    dlg->UserClick(IDC_CLEAR_ALL);
    Add("40000", "1", "1");
    Add("30000", "1", "1");
    Run();
    EXPECT_EQ(Bar(IDC_OVERALL_PROGRESS).RangeHigh(), 70000 - 65536);
    EXPECT_EQ(Bar(IDC_STEP_PROGRESS).RangeHigh(), 40000);
}

TEST_F(ProfileRunnerTest, RunGoesOnUnderAnotherModalWindowAndSeesListEdits) {
    Open(TwoPositions());
    Add("1", "1", "1");
    Add("1", "2", "2");
    Run();
    Forget();
    // A message box of the main window is up for 1.5 s: the next step comes anyway.
    ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box&) { ui.Advance(1500); });
    dlg->Dispatch(IDC_VEXOR, BN_CLICKED);
    EXPECT_EQ(SentTo(), (Frames{DualIntensity(2, 2)}));
    // A step added behind the running one is played: rows are read afresh.
    Add("1", "3", "3");
    ui.Advance(500);
    EXPECT_EQ(SentTo().back(), DualIntensity(3, 3));
}

} // namespace
