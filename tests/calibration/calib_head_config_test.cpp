// The calibration utility's Calibration Coeffs button opens the head
// configuration dialog modally on the utility's own head.
#include "calibration/Calib.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog136Ids.h"
#include "resources/dialogs/Dialog137Ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;

TEST(CalibHeadConfig, CoeffsButtonEditsAndBurnsTheUtilitysHead) {
    platform::SetApplicationName("sorvane");
    HeadlessBackend ui;
    CControlBoard board;
    board.m_bDemo = true;
    COpticalHead head;
    head.m_pBoard = &board;
    head.m_nChannel = 1;
    std::string port = "COM3";
    CCalib calib;
    calib.m_pHead = &head;
    calib.m_pMeterPort = &port;
    OpenDialog open(calib);
    ASSERT_TRUE(open.Ok());

    CDialog* opened = nullptr;
    ui.OnModal(136, [&](CDialog& d) {
        opened = &d;
        EXPECT_EQ(d.Parent(), &calib);
        EXPECT_EQ(d.GetWindowText(), "RVX Configuration");
        EXPECT_EQ(d.GetDlgItemText(ids136::IDC_MODEL),
                  "RVX-1-420"); // the simulated head's record, read anew
        EXPECT_EQ(d.IsDlgButtonChecked(ids136::IDC_CHANNEL_B), 1u);
        d.UserType(ids136::IDC_MAX_PWM, "300");
        d.UserClick(ids136::IDC_BURN);
    });
    ui.ClearBoxes();
    ASSERT_TRUE(calib.UserClick(ids137::IDC_COEFFS));
    ASSERT_NE(opened, nullptr);
    ASSERT_EQ(ui.Runs().size(), 1u);
    EXPECT_EQ(ui.Runs()[0].templateId, 136);
    const std::vector<std::string> boxes = ui.BoxTexts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "This RVX is in Demo Mode");
    EXPECT_EQ(boxes[1].rfind("Burn Complete in ", 0), 0u) << boxes[1];
    EXPECT_EQ(head.m_record.maxPwm, 44);
    EXPECT_EQ(head.m_record.marker, 'V');
    EXPECT_TRUE(calib.IsOpen()); // back in the utility
}
