// Set, Off, Persistence and External Trigger against simulated controllers:
// the exact frames each controller receives and what the indicators show.
#include "MainWindowFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace mainwindow_test;

std::vector<uint8_t> Payload(uint8_t channel, const std::vector<uint8_t>& rest) {
    std::vector<uint8_t> p{channel};
    p.insert(p.end(), rest.begin(), rest.end());
    return p;
}

class ManualIntensityTest : public MainWindowFixture<RecordingMainWindow> {
protected:
    void Set(const std::string& text) {
        dlg->UserType(ids102::IDC_MANUAL, text);
        ASSERT_TRUE(dlg->UserClick(ids102::IDC_SET));
    }
    void RefusesWhatCannotBeSent() {
        Set("12.5");
        for (auto& s : sims)
            s->ClearRequests();
        ui.ClearBoxes();
        Set("1e39"); // beyond a float: infinity
        Set("-5");
        Set("-1e39");
        const std::string negative = "The intensity must be 0 mW/cm2 or more. Nothing was sent.";
        EXPECT_EQ(ui.BoxTexts(),
                  (std::vector<std::string>{"The intensity is too large. Nothing was sent.",
                                            negative, negative}));
        for (auto& s : sims)
            EXPECT_TRUE(Received(*s).empty());
        EXPECT_EQ(dlg->IndicatorText(0), "12.5");
        EXPECT_EQ(dlg->IndicatorText(1), "12.5");
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 12.5f);
        EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 12.5f);
        // The box is selected for the value to be typed again.
        const auto* box = dlg->GetDlgItem(ids102::IDC_MANUAL);
        EXPECT_EQ(dlg->FocusedControl(), box);
        EXPECT_EQ(box->SelStart(), 0);
        EXPECT_EQ(box->SelEnd(), 5);
    }
};

ConfigRecord TwoPositions() {
    return MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}});
}

ConfigRecord ThreeOnTwo() {
    return MakeConfig(3,
                      {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}, {1, "02002002", 110, 10}});
}

TEST_F(ManualIntensityTest, TwoPositionsSendOneFrameForBothChannels) {
    Open(TwoPositions(), 2);
    Set("12.5");
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{97, Payload(2, FloatBytes(12.5f))}}));
    EXPECT_TRUE(SentTo(1).empty());
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    EXPECT_EQ(dlg->IndicatorText(1), "12.5");
    // Both heads light up, and both head objects keep what they were sent.
    EXPECT_NEAR(sims[0]->Channel(0).index, 12, 1);
    EXPECT_NEAR(sims[0]->Channel(1).index, 12, 1);
    EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 12.5f);
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 12.5f);
    // The box is selected for the next value, and Enter presses Set again.
    const auto* box = dlg->GetDlgItem(ids102::IDC_MANUAL);
    EXPECT_EQ(dlg->FocusedControl(), box);
    EXPECT_EQ(box->SelStart(), 0);
    EXPECT_EQ(box->SelEnd(), static_cast<int>(box->Text().size()));
    EXPECT_GE(box->ScrollCaretCount(), 1);
    sims[0]->ClearRequests();
    dlg->UserPressEnter();
    EXPECT_EQ(SentTo(0).size(), 1u);
    EXPECT_FALSE(dlg->IsEnded());

    sims[0]->ClearRequests();
    Set("0");
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{100, {2}}}));
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 0.0f);

    Set("8");
    sims[0]->ClearRequests();
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_OFF));
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{100, {2}}}));
    EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 0.0f);
}

TEST_F(ManualIntensityTest, TwoPositionsInIndexModeHoldTheTypedIndexToTheControllersRange) {
    Open(TwoPositions(), 1);
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    sims[0]->ClearRequests();
    Set("-1");
    Set("300");
    Set("40");
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{98, {2, 0, 0}}, {98, {2, 255, 0}}, {98, {2, 40, 0}}}));
    EXPECT_EQ(dlg->IndicatorText(0), " 40");
    EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 40.0f);
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 40.0f);
    Set("999");
    EXPECT_EQ(dlg->IndicatorText(0), "255");
    EXPECT_EQ(dlg->IndicatorText(1), "255");
    EXPECT_EQ(dlg->m_pHeads[1].m_fSetting, 255.0f);
    EXPECT_EQ(ui.BoxCount(), 0u);
}

// Calibrated values that would reach a controller as infinity or as a
// negative intensity: a box each, nothing sent, the displays unchanged.
TEST_F(ManualIntensityTest, CalibratedValueThatCannotBeSentGivesABoxAndSendsNothing) {
    Open(TwoPositions(), 1);
    RefusesWhatCannotBeSent();
}

TEST_F(ManualIntensityTest, CalibratedValueThatCannotBeSentGoesToNoHead) {
    Open(ThreeOnTwo(), 2);
    RefusesWhatCannotBeSent();
    EXPECT_EQ(dlg->IndicatorText(2), "12.5");
    EXPECT_EQ(dlg->m_pHeads[2].m_fSetting, 12.5f);
}

TEST_F(ManualIntensityTest, IndicatorsShowTheValueEvenWithoutAnAcknowledgement) {
    Open(TwoPositions(), 1);
    sims[0]->DropReplies(1);
    Set("5");
    EXPECT_EQ(SentTo(0).size(), 1u);
    EXPECT_EQ(dlg->IndicatorText(0), " 5.0");
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(ManualIntensityTest, ThreeHeadsOnTwoControllersInIndexModeHeldToTheControllersRange) {
    Open(ThreeOnTwo(), 2);
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    for (auto& s : sims)
        s->ClearRequests();
    Set("300");
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{98, {0, 0xFF, 0x00}}, {98, {1, 0xFF, 0x00}}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{98, {1, 0xFF, 0x00}}}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dlg->IndicatorText(i), "255");
        EXPECT_FLOAT_EQ(dlg->m_pHeads[i].m_fSetting, 255.0f);
    }

    // A stray minus is index 0, not 65535 (full output).
    for (auto& s : sims)
        s->ClearRequests();
    Set("-1");
    EXPECT_EQ(SentTo(0).front(), (Sent{98, {0, 0x00, 0x00}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{98, {1, 0x00, 0x00}}}));
    EXPECT_EQ(dlg->IndicatorText(2), "  0");
    EXPECT_EQ(ui.BoxCount(), 0u);

    // Text that is not a whole number is index 0.
    Set("12.5");
    EXPECT_EQ(dlg->IndicatorText(0), "  0");

    for (auto& s : sims)
        s->ClearRequests();
    dlg->UserClick(ids102::IDC_OFF);
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{100, {0}}, {100, {1}}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{100, {1}}}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dlg->IndicatorText(i), "  0");
}

TEST_F(ManualIntensityTest, EmptyBoxInCalibratedModeTurnsEveryHeadOff) {
    Open(ThreeOnTwo(), 2);
    Set("7");
    for (auto& s : sims)
        s->ClearRequests();
    Set("");
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{100, {0}}, {100, {1}}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{100, {1}}}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(dlg->IndicatorText(i), " 0.0");
    // Leading blanks and a trailing unit are read as the C library reads them.
    Set("  12.5 mW");
    EXPECT_EQ(dlg->IndicatorText(1), "12.5");
}

TEST_F(ManualIntensityTest, PersistenceReportsEachControllerThatDoesNotAcknowledge) {
    Open(ThreeOnTwo(), 2);
    sims[1]->DropReplies(1);
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_PERSISTENCE));
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{114, {1}}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{114, {1}}}));
    ASSERT_EQ(ui.BoxCount(), 1u);
    EXPECT_EQ(ui.LastBox().text, "No Acknowledgement.");
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_PERSISTENCE), 1u);
    EXPECT_TRUE(sims[0]->Board().persistence);

    ui.ClearBoxes();
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_PERSISTENCE));
    EXPECT_EQ(ui.BoxCount(), 0u);
    EXPECT_FALSE(sims[1]->Board().persistence);
}

TEST_F(ManualIntensityTest, ExternalTriggerSwitchesEveryController) {
    Open(ThreeOnTwo(), 2);
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_EXTERNAL_TRIGGER));
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{106, {1}}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{106, {1}}}));
    EXPECT_EQ(ui.BoxCount(), 0u);
    sims[0]->DropReplies(1);
    ASSERT_TRUE(dlg->UserClick(ids102::IDC_EXTERNAL_TRIGGER));
    EXPECT_EQ(ui.BoxCount(), 1u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_EXTERNAL_TRIGGER), 0u);
    EXPECT_FALSE(sims[1]->Board().externalTrigger);
}

} // namespace
