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
    // Both heads light up; the head objects keep their own settings.
    EXPECT_NEAR(sims[0]->Channel(0).index, 12, 1);
    EXPECT_NEAR(sims[0]->Channel(1).index, 12, 1);
    EXPECT_FLOAT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);
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
}

TEST_F(ManualIntensityTest, IndicatorsShowTheValueEvenWithoutAnAcknowledgement) {
    Open(TwoPositions(), 1);
    sims[0]->DropReplies(1);
    Set("5");
    EXPECT_EQ(SentTo(0).size(), 1u);
    EXPECT_EQ(dlg->IndicatorText(0), " 5.0");
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(ManualIntensityTest, ThreeHeadsOnTwoControllersInIndexMode) {
    Open(ThreeOnTwo(), 2);
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    for (auto& s : sims)
        s->ClearRequests();
    Set("300");
    EXPECT_EQ(SentTo(0), (std::vector<Sent>{{98, {0, 0x2C, 0x01}}, {98, {1, 0x2C, 0x01}}}));
    EXPECT_EQ(SentTo(1), (std::vector<Sent>{{98, {1, 0x2C, 0x01}}}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(dlg->IndicatorText(i), "300");
        EXPECT_FLOAT_EQ(dlg->m_pHeads[i].m_fSetting, 300.0f);
    }

    for (auto& s : sims)
        s->ClearRequests();
    Set("-1");
    EXPECT_EQ(SentTo(0).front(), (Sent{98, {0, 0xFF, 0xFF}}));
    EXPECT_EQ(dlg->IndicatorText(2), "65535");

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
