// Each head's indicator against simulated controllers: whatever door told a
// head something (the detail and advanced dialogs, the calibration utility,
// a command for both channels), its indicator shows that, in its own unit.
#include "MainWindowFixture.h"
#include "resources/dialogs/Dialog137Ids.h"
#include "resources/dialogs/Dialog138Ids.h"
#include "resources/dialogs/Dialog145Ids.h"

#include <gtest/gtest.h>

namespace {

using namespace mainwindow_test;
using namespace ids102;
using Frames = std::vector<Sent>;

constexpr int kDetail = 138, kAdvanced = 145, kCalibration = 137;

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class HeadDisplaysTest : public MainWindowFixture<CSorvaneDlg> {
protected:
    void Type(CDialog& d, int id, const std::string& text, int button) {
        d.UserType(id, text);
        ASSERT_TRUE(d.UserClick(button));
    }
};

// Head A at (100, 200).
ConfigRecord OnePosition() {
    return MakeConfig(1, {{0, "01001001", 100, 200}});
}

TEST_F(HeadDisplaysTest, AnIndexSetThroughMoreReadsAsAnIndexInCalibratedMode) {
    Open(OnePosition());
    ui.OnModal(kDetail, [&](CDialog& d) { ASSERT_TRUE(d.UserClick(ids138::IDC_MORE)); });
    ui.OnModal(kAdvanced, [&](CDialog& a) {
        Type(a, ids145::IDC_INDEX, "300", ids145::IDC_SET);
        EXPECT_EQ(TakeSent(), (Frames{{98, {0, 0xFF, 0x00}}}));
    });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    // Index 255, never "255.0" mW/cm2.
    EXPECT_EQ(dlg->IndicatorText(0), "#255");

    // Back to an intensity through the detail dialog itself.
    ui.OnModal(kDetail, [&](CDialog& d) { Type(d, ids138::IDC_VALUE, "12.5", ids138::IDC_SET); });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(TakeSent(), (Frames{{97, Cat({0}, FloatBytes(12.5f))}}));
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
}

TEST_F(HeadDisplaysTest, WhatTheCalibrationUtilityToldTheHeadShowsWhenItCloses) {
    Open(OnePosition());
    dlg->UserType(IDC_MANUAL, "12.5");
    ASSERT_TRUE(dlg->UserClick(IDC_SET));
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    TakeSent();

    // The utility's "off"; closing it sends nothing more.
    ui.OnModal(kCalibration, [&](CDialog& c) {
        ASSERT_TRUE(c.UserClick(ids137::IDC_PWM_OFF));
        EXPECT_EQ(TakeSent(), (Frames{{100, {0}}}));
        c.UserPressEscape();
    });
    dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 110, 210);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_TRUE(TakeSent().empty());
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");

    // Its PWM "set" tells the head an index.
    ui.OnModal(kCalibration, [&](CDialog& c) {
        Type(c, ids137::IDC_PWM, "44", ids137::IDC_PWM_SET);
        EXPECT_EQ(TakeSent(), (Frames{{99, {0, 44}}}));
    });
    dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), "#44");
    dlg->UserClick(IDC_INDEX_MODE);
    ASSERT_EQ(TakeSent(), (Frames{{100, {0}}}));
    EXPECT_EQ(dlg->IndicatorText(0), "  0");
}

// Entry 0 on channel B, entry 1 on channel A: one command for both channels
// sends A, then B; each indicator shows what its own channel got.
TEST_F(HeadDisplaysTest, ACommandForBothChannelsShowsOnEachHeadByItsChannel) {
    Open(MakeConfig(2, {{1, "01001001", 100, 200}, {0, "01001001", 300, 150}}));
    dlg->UserType(IDC_DURATION, "4");
    dlg->UserType(IDC_INTENSITY1, "5");
    dlg->UserType(IDC_INTENSITY2, "7");
    ASSERT_TRUE(dlg->UserClick(IDC_ADD));
    ASSERT_TRUE(dlg->UserClick(IDC_RUN));
    EXPECT_EQ(TakeSent(), (Frames{{50, Cat(FloatBytes(5.0f), FloatBytes(7.0f))}}));
    EXPECT_EQ(dlg->IndicatorText(0), " 7.0"); // channel B
    EXPECT_EQ(dlg->IndicatorText(1), " 5.0"); // channel A
    // The detail door shows the same again when it closes.
    ui.OnModal(kDetail, [](CDialog& d) { d.UserPressEscape(); });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), " 7.0");
    ASSERT_TRUE(dlg->UserClick(IDC_RUN)); // Stop
    EXPECT_EQ(TakeSent(), (Frames{{100, {2}}}));
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
    EXPECT_EQ(dlg->IndicatorText(1), " 0.0");

    // The same by index: 5 to channel A, 7 to channel B.
    dlg->UserClick(IDC_INDEX_MODE);
    dlg->UserType(IDC_DURATION, "4");
    dlg->UserType(IDC_INTENSITY1, "5");
    dlg->UserType(IDC_INTENSITY2, "7");
    ASSERT_TRUE(dlg->UserClick(IDC_ADD));
    TakeSent();
    ASSERT_TRUE(dlg->UserClick(IDC_RUN));
    EXPECT_EQ(TakeSent(), (Frames{{51, {5, 0, 7, 0}}}));
    EXPECT_EQ(dlg->IndicatorText(0), "  7");
    EXPECT_EQ(dlg->IndicatorText(1), "  5");
}

} // namespace
