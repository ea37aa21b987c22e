// Show Report of the calibration utility opens the real report dialogs with
// the run's points and takes the calibration report's average step back.
#include "platform/ui/HeadlessPrinter.h"
#include "resources/dialogs/Dialog141Ids.h"
#include "tests/calibration/CalibFixture.h"

#include <cstring>

namespace calib_test {
namespace {

struct ShowReport : ::testing::Test {
    HeadlessBackend ui;
    platform::ui::PrintRecorder printer;
    DemoHead demo;
    std::string port = "/dev/lumi-no-such-meter";
    CCalib dlg;
    std::unique_ptr<OpenDialog> open;

    void SetUp() override {
        std::strcpy(demo.head.m_record.serial, "LM0042");
        dlg.m_pHead = &demo.head;
        dlg.m_pMeterPort = &port;
        open = std::make_unique<OpenDialog>(dlg);
        ASSERT_TRUE(open->Ok());
        // Two points of a run: calib = counts / 100 mW/cm², step 0.2 / 5.
        dlg.m_nPoints = 2;
        dlg.m_setPoint[0] = 255;
        dlg.m_setPoint[1] = 250;
        dlg.m_headValue[0] = 1000;
        dlg.m_headValue[1] = 980;
        dlg.m_meterMw[0] = 10.5;
        dlg.m_meterMw[1] = 9.5;
        dlg.m_result.photoToMw[0] = 0.0f;
        dlg.m_result.photoToMw[1] = 10.0f;
        dlg.m_result.photoToMw[2] = 0.0f;
        dlg.m_result.avgStep = 99.0f;
    }
};

TEST_F(ShowReport, PointsNoFitCameFromAreListedAndPrintedButTheirStepIsNotTaken) {
    std::vector<std::string> avgRow;
    ui.OnModal(141, [&](CDialog& d) {
        EXPECT_EQ(d.GetWindowText(), "Calibration Report");
        auto& rows = d.GetDlgItem(ids141::IDC_REPORT_LIST)->Rows();
        ASSERT_EQ(rows.size(), 3u);
        avgRow = rows[2].texts;
        d.UserClick(ids141::IDC_PRINT);
        d.UserPressEscape();
    });
    ASSERT_TRUE(dlg.UserClick(IDC_SHOW_REPORT));
    ASSERT_EQ(ui.Runs().size(), 1u);
    EXPECT_EQ(avgRow.at(4), "0.020"); // two points, one step of 0.04
    ASSERT_EQ(printer.Documents().size(), 1u);
    EXPECT_EQ(printer.Documents()[0].name, "RVX Calibration Report (LM0042)");
    // These curves were not fitted to these points: nothing to burn.
    EXPECT_EQ(dlg.m_result.avgStep, 99.0f);
    EXPECT_FALSE(dlg.HasResult());
}

TEST_F(ShowReport, TheFitsReportAndALaterShowReportHandTheStepBackHoweverTheyClose) {
    // Three points on calib = counts / 100 mW/cm²: the fit finds that line
    // again, and each step is 0.2 mW/cm² over 5 indices.
    const double counts[3] = {1000, 980, 960};
    for (int i = 0; i < 3; ++i) {
        dlg.m_setPoint[i] = 255 - 5 * i;
        dlg.m_headValue[i] = counts[i];
        dlg.m_meterUw[i] = 10 * counts[i];
        dlg.m_meterMw[i] = counts[i] / 100;
    }
    dlg.m_nPoints = 3;
    const float expected = static_cast<float>(2 * 0.04 / 3); // the divisor is the point count
    std::string shown;
    ui.OnModal(141, [&](CDialog& d) {
        shown = d.GetDlgItem(ids141::IDC_REPORT_LIST)->Rows().back().texts.at(4);
    });
    dlg.ComputeFits();
    EXPECT_EQ(shown, "0.027");
    EXPECT_NEAR(dlg.m_result.avgStep, expected, 1e-6f);
    EXPECT_TRUE(dlg.HasResult());

    dlg.m_result.avgStep = 99.0f;
    ui.OnModal(141, [&](CDialog& d) { d.UserClose(); });
    ASSERT_TRUE(dlg.UserClick(IDC_SHOW_REPORT));
    EXPECT_NEAR(dlg.m_result.avgStep, expected, 1e-6f);
    EXPECT_EQ(ui.Runs().size(), 2u);
}

TEST_F(ShowReport, CheckModeOpensTheCheckReportAndLeavesTheStepAlone) {
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    std::string caption;
    size_t rows = 0;
    ui.OnModal(141, [&](CDialog& d) {
        caption = d.GetWindowText();
        rows = d.GetDlgItem(ids141::IDC_REPORT_LIST)->Rows().size();
        d.UserClose();
    });
    ASSERT_TRUE(dlg.UserClick(IDC_SHOW_REPORT));
    EXPECT_EQ(caption, "Calibration Check Report");
    EXPECT_EQ(rows, 3u); // the same two points under the check's meaning, and Avg
    EXPECT_EQ(dlg.m_result.avgStep, 99.0f);
}

} // namespace
} // namespace calib_test
