// The main window's detail and configuration doors with their real dialogs,
// against simulated controllers: the frames a head receives from the detail
// and advanced dialogs, the indicator afterwards, and a configuration change
// that retitles the window, lands in config.ini and changes the head loops at
// once.
#include "MainWindowFixture.h"
#include "resources/Resources.h"
#include "resources/dialogs/Dialog129Ids.h"
#include "resources/dialogs/Dialog138Ids.h"
#include "resources/dialogs/Dialog145Ids.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

namespace {

using namespace mainwindow_test;

constexpr int kDetail = 138, kAdvanced = 145, kConfig = 129;

std::vector<uint8_t> FloatPayload(uint8_t channel, float f) {
    std::vector<uint8_t> p = FloatBytes(f);
    p.insert(p.begin(), channel);
    return p;
}

class DoorsTest : public MainWindowFixture<CSorvaneDlg> {
protected:
    // Sets the value box of the detail or advanced dialog and presses Set.
    static void Set(CDialog& d, const std::string& text) {
        const bool detail = d.TemplateId() == kDetail;
        d.UserType(detail ? ids138::IDC_VALUE : ids145::IDC_INDEX, text);
        ASSERT_TRUE(d.UserClick(detail ? ids138::IDC_SET : ids145::IDC_SET));
    }
};

// Head A of the first controller at (100, 200), head B at (300, 150).
ConfigRecord OneHead() {
    return MakeConfig(1, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}});
}

TEST_F(DoorsTest, DetailInCalibratedModeSetsTheHead) {
    Open(OneHead(), 1);
    bool ran = false;
    ui.OnModal(kDetail, [&](CDialog& d) {
        ran = true;
        EXPECT_FALSE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
        EXPECT_EQ(d.GetWindowText(), "RVX Detail");
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_MODEL), "RVX-1-365");
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_WAVELENGTH), "365");
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_SERIAL), dlg->m_pHeads[0].m_strSerial);
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_CAL_DATE), dlg->m_pHeads[0].m_strCalDate);
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_UNIT), "mW/cm2");
        EXPECT_TRUE(d.GetDlgItem(ids138::IDC_MORE)->IsEnabled());

        Set(d, "0");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{100, {0}}}));
        dlg->m_pHeads[0].m_fSetting = 3.0f;
        Set(d, "abc");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{100, {0}}}));
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);

        Set(d, "12.5");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{97, FloatPayload(0, 12.5f)}}));
        // The text stays selected for the next value; Enter presses Set again.
        EXPECT_EQ(d.FocusedControl(), d.GetDlgItem(ids138::IDC_VALUE));
        EXPECT_EQ(d.GetDlgItem(ids138::IDC_VALUE)->SelStart(), 0);
        EXPECT_EQ(d.GetDlgItem(ids138::IDC_VALUE)->SelEnd(), 4);
        d.UserPressEnter();
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{97, FloatPayload(0, 12.5f)}}));
        EXPECT_FALSE(d.IsEnded());
        d.UserPressEscape();
    });
    dlg->UserMouseDown(MK_LBUTTON, 133, 236);
    ASSERT_TRUE(ran);
    EXPECT_GT(sims[0]->Channel(0).index, 0);
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_TELEMETRY), ui.Now() + 3000);

    // The window painted the head's picture, bitmap 140, beside its data.
    ASSERT_FALSE(ui.Paints().empty());
    const auto& paint = ui.Paints().back();
    EXPECT_EQ(paint.templateId, kDetail);
    ASSERT_EQ(paint.images.size(), 1u);
    EXPECT_EQ(paint.images[0].controlId, ids138::IDC_PICTURE);
    EXPECT_EQ(paint.images[0].image, resources::Bitmap(IDB_HEAD));
    EXPECT_EQ(paint.images[0].image->width, 152);
    EXPECT_EQ(paint.images[0].image->height, 141);
}

TEST_F(DoorsTest, DetailInIndexModeSendsTheIndexAndTheIndicatorShowsIt) {
    Open(OneHead(), 1);
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    TakeSent();
    ui.OnModal(kDetail, [&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_UNIT), "Index (0-255)");
        EXPECT_FALSE(d.GetDlgItem(ids138::IDC_MORE)->IsEnabled());
        EXPECT_FALSE(d.UserClick(ids138::IDC_MORE));
        // Held to the label's 0-255, never cut to 16 bits (70000 would be 4464,
        // -1 full output).
        Set(d, "300");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{98, {0, 0xFF, 0x00}}}));
        Set(d, "70000");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{98, {0, 0xFF, 0x00}}}));
        Set(d, "-1");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{98, {0, 0x00, 0x00}}}));
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);
        Set(d, "300");
        TakeSent();
    });
    dlg->UserMouseDown(MK_LBUTTON, 100, 200);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_EQ(dlg->IndicatorText(0), "255");
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(DoorsTest, DetailRefusesACalibratedValueThatCannotBeSent) {
    Open(OneHead(), 1);
    ui.OnModal(kDetail, [&](CDialog& d) {
        Set(d, "7.5");
        TakeSent();
        Set(d, "1e39");
        Set(d, "-2");
        EXPECT_TRUE(TakeSent().empty());
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 7.5f);
        EXPECT_EQ(d.FocusedControl(), d.GetDlgItem(ids138::IDC_VALUE));
        EXPECT_EQ(d.GetDlgItem(ids138::IDC_VALUE)->SelEnd(), 2);
    });
    dlg->UserMouseDown(MK_LBUTTON, 100, 200);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_EQ(ui.BoxTexts(),
              (std::vector<std::string>{"The intensity is too large. Nothing was sent.",
                                        "The intensity must be 0 mW/cm2 or more. Nothing was "
                                        "sent."}));
    EXPECT_EQ(dlg->IndicatorText(0), " 7.5");
    EXPECT_GT(sims[0]->Channel(0).index, 0);
}

TEST_F(DoorsTest, AdvancedSetsAndSwitchesOffByIndex) {
    Open(OneHead(), 1);
    ui.OnModal(kDetail, [&](CDialog& d) { ASSERT_TRUE(d.UserClick(ids138::IDC_MORE)); });
    ui.OnModal(kAdvanced, [&](CDialog& a) {
        EXPECT_EQ(a.GetWindowText(), "Advanced Features");
        EXPECT_EQ(a.GetDlgItemText(ids145::IDC_INDEX), "");
        Set(a, "70");
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{98, {0, 70, 0}}}));
        EXPECT_EQ(a.FocusedControl(), a.GetDlgItem(ids145::IDC_INDEX));
        EXPECT_EQ(a.GetDlgItem(ids145::IDC_INDEX)->SelEnd(), 2);
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 70.0f);
        // Held to 0-255 as the label says, not cut to 16 bits.
        Set(a, "-1");
        Set(a, "65791"); // 0x100FF: its low 16 bits would be 255 too
        Set(a, "256");
        EXPECT_EQ(TakeSent(),
                  (std::vector<Sent>{{98, {0, 0, 0}}, {98, {0, 255, 0}}, {98, {0, 255, 0}}}));
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 255.0f);
        ASSERT_TRUE(a.UserClick(ids145::IDC_OFF));
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{100, {0}}}));
        EXPECT_EQ(dlg->m_pHeads[0].m_fSetting, 0.0f);
        EXPECT_EQ(a.FocusedControl(), a.GetDlgItem(ids145::IDC_INDEX));
    });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
}

TEST_F(DoorsTest, ShortModelShowsItselfAsTheWavelengthAndAnUnboundHeadSendsNothing) {
    Open(MakeConfig(2, {{0, "01001001", 100, 200}, {1, "0000", 300, 150}}), 2);
    ASSERT_EQ(dlg->m_pHeads[1].m_pBoard, nullptr);
    dlg->m_pHeads[1].m_strModel = "UV";
    ui.OnModal(kDetail, [&](CDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(ids138::IDC_WAVELENGTH), "UV");
        Set(d, "7.5");
    });
    dlg->UserMouseDown(MK_LBUTTON, 300, 150);
    EXPECT_TRUE(TakeSent(0).empty());
    EXPECT_TRUE(TakeSent(1).empty());
    EXPECT_EQ(dlg->IndicatorText(1), " 7.5");
}

TEST_F(DoorsTest, ConfigurationChangesTitleFileAndHeadLoopsAtOnce) {
    Open(OneHead(), 2);
    EXPECT_EQ(dlg->GetWindowText(), "Lumiflex, version 3.02");
    ui.OnModal(kConfig, [&](CDialog& d) {
        EXPECT_FALSE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
        EXPECT_EQ(d.GetDlgItem(ids129::IDC_SERIAL)->Items(),
                  (std::vector<std::string>{"01001001", "02002002"}));
        d.UserType(ids129::IDC_HEAD_COUNT, "2");
        d.UserClick(ids129::IDC_TITLE_TALON);
        d.UserClick(IDOK);
    });
    dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 50, 30);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_EQ(dlg->GetWindowText(), "Talon DSC Photo Module, version 3.02");
    EXPECT_EQ(ui.DueTime(*dlg, CSorvaneDlg::IDT_TELEMETRY), ui.Now() + 3000);
    {
        std::ifstream in("config.ini", std::ios::binary);
        const std::vector<char> f{std::istreambuf_iterator<char>(in), {}};
        ASSERT_EQ(f.size(), 1432u);
        EXPECT_STREQ(f.data(), "Talon DSC Photo Module");
        EXPECT_EQ(f[64], 2);
    }

    // Two positions now: Set addresses both channels in one frame at once;
    // the second indicator comes with the next start.
    dlg->UserType(ids102::IDC_MANUAL, "12.5");
    dlg->UserClick(ids102::IDC_SET);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{97, FloatPayload(2, 12.5f)}}));
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    EXPECT_EQ(dlg->IndicatorText(1), "");

    // Cancel leaves the title as it was.
    ui.OnModal(kConfig, [&](CDialog& d) {
        d.UserClick(ids129::IDC_TITLE_LUMIFLEX);
        d.UserClick(IDCANCEL);
    });
    dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 50, 30);
    EXPECT_EQ(dlg->GetWindowText(), "Talon DSC Photo Module, version 3.02");
}

// Two positions on the one controller, channel A and B, as the program's own
// simulated set-up has them: what a command for both channels sent is what
// each head's display shows again after its detail dialog.
TEST_F(DoorsTest, AfterACommandForBothChannelsTheDetailDoorShowsWhatEachHeadWasSent) {
    Open(MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}}), 1);
    dlg->UserType(ids102::IDC_MANUAL, "12.5");
    dlg->UserClick(ids102::IDC_SET);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{97, FloatPayload(2, 12.5f)}}));
    ui.OnModal(kDetail, [&](CDialog& d) { d.UserPressEscape(); });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    ui.OnModal(kDetail, [&](CDialog& d) { d.UserPressEscape(); });
    dlg->UserMouseDown(MK_LBUTTON, 310, 160);
    EXPECT_EQ(dlg->IndicatorText(1), "12.5");

    // Head A alone at 20, then the main Off for both: head A is off.
    ui.OnModal(kDetail, [&](CDialog& d) {
        Set(d, "20");
        d.UserPressEscape();
    });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{97, FloatPayload(0, 20.0f)}}));
    EXPECT_EQ(dlg->IndicatorText(0), "20.0");
    dlg->UserClick(ids102::IDC_OFF);
    EXPECT_EQ(TakeSent(), (std::vector<Sent>{{100, {2}}}));
    ui.OnModal(kDetail, [&](CDialog& d) { d.UserPressEscape(); });
    dlg->UserMouseDown(MK_LBUTTON, 110, 210);
    EXPECT_EQ(dlg->IndicatorText(0), " 0.0");
    EXPECT_EQ(sims[0]->Channel(0).index, 0);

    // The same in index mode, with the index held to 255.
    dlg->UserClick(ids102::IDC_INDEX_MODE);
    dlg->UserType(ids102::IDC_MANUAL, "300");
    dlg->UserClick(ids102::IDC_SET);
    EXPECT_EQ(TakeSent().back(), (Sent{98, {2, 0xFF, 0x00}}));
    ui.OnModal(kDetail, [&](CDialog& d) { d.UserPressEscape(); });
    dlg->UserMouseDown(MK_LBUTTON, 310, 160);
    EXPECT_EQ(dlg->IndicatorText(1), "255");
    EXPECT_EQ(ui.PendingScripts(), 0u);
}

} // namespace
