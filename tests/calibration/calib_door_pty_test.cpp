// The main window's door to the calibration utility: a Ctrl-click on a head's
// box opens the utility on that head with the radiometer's port string,
// telemetry paused meanwhile.
#include "resources/dialogs/Dialog137Ids.h"
#include "tests/app/MainWindowFixture.h"

namespace {

using namespace mainwindow_test;

struct CalibDoor : MainWindowFixture<CSorvaneDlg> {
    void Open(bool password) {
        sim::ControllerOptions o;
        o.board.boardSerial = "01001001";
        OpenOn(MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 300, 150}}, "Lumiflex",
                          password),
               {o}, [](CSorvaneDlg& w) { w.m_strComPort = "COM3"; });
    }
};

TEST_F(CalibDoor, CtrlClickOpensTheUtilityOnThatHeadAndThePortFollowsItsEdit) {
    Open(false);
    bool telemetryDuring = true;
    std::string serial;
    ui.OnModal(ids137::IDD_CALIB, [&](CDialog& d) {
        telemetryDuring = dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY);
        serial = d.GetDlgItemText(ids137::IDC_SERIAL);
        EXPECT_EQ(d.GetDlgItemText(ids137::IDC_METER_PORT), "COM3");
        d.UserType(ids137::IDC_METER_PORT, "/dev/ttyUSB7");
        d.UserPressEscape();
    });
    dlg->UserMouseDown(MK_LBUTTON | MK_CONTROL, 305, 160); // head B's box
    ASSERT_EQ(ui.Runs().size(), 2u);                       // start-up, utility
    EXPECT_EQ(ui.Runs().back().templateId, ids137::IDD_CALIB);
    EXPECT_FALSE(telemetryDuring);
    EXPECT_TRUE(dlg->HasTimer(CSorvaneDlg::IDT_TELEMETRY));
    EXPECT_EQ(serial, dlg->m_pHeads[1].m_strSerial);
    EXPECT_EQ(dlg->m_strComPort, "/dev/ttyUSB7");
}

} // namespace
