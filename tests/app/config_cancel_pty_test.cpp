// A head-count edit cancelled in the configuration dialog, seen from the main
// window on a simulated controller: the window goes on addressing its two
// positions as before, one frame for both channels.
#include "MainWindowFixture.h"
#include "resources/dialogs/Dialog102Ids.h"
#include "resources/dialogs/Dialog129Ids.h"

#include <gtest/gtest.h>

namespace {

using namespace mainwindow_test;

constexpr int kConfigTemplate = 129;

class ConfigCancelTest : public MainWindowFixture<CSorvaneDlg> {};

TEST_F(ConfigCancelTest, CancelledHeadCountLeavesSetAsOneFrameForBothChannels) {
    Open(MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}}), 1);
    for (const bool escape : {false, true}) {
        ui.OnModal(kConfigTemplate, [escape](CDialog& d) {
            d.UserType(ids129::IDC_HEAD_COUNT, "3");
            EXPECT_EQ(d.GetDlgItem(ids129::IDC_HEAD_LIST)->Items().size(), 3u);
            if (escape)
                d.UserPressEscape();
            else
                d.UserClick(IDCANCEL);
        });
        dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 50, 30); // the configuration door
        EXPECT_EQ(ui.PendingScripts(), 0u);

        dlg->UserType(ids102::IDC_MANUAL, "12.5");
        ASSERT_TRUE(dlg->UserClick(ids102::IDC_SET));
        // Command 97 (set intensity) on channel 2, both heads, with 12.5 as a float.
        std::vector<uint8_t> payload{2};
        const std::vector<uint8_t> value = FloatBytes(12.5f);
        payload.insert(payload.end(), value.begin(), value.end());
        EXPECT_EQ(TakeSent(), (std::vector<Sent>{{97, payload}})) << (escape ? "Esc" : "Cancel");
        EXPECT_EQ(dlg->IndicatorText(0), "12.5");
        EXPECT_EQ(dlg->IndicatorText(1), "12.5");
    }
}

} // namespace
