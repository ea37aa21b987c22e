// The calibration utility on a head in simulation mode (photodiode 350,
// output 0.0, nothing sent): opening, the runs' set points and point counts,
// list rows, the fits' hand-over, the mode switch, the raw data file, Burn,
// and the bounds on runs that would never end.
#include "tests/calibration/CalibFixture.h"
#include "tests/support/TempDir.h"

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>

namespace calib_test {
namespace {

struct CalibRun : ::testing::Test {
    HeadlessBackend ui;
    DemoHead demo;
    std::string port = "/dev/lumi-no-such-meter";
    TestCalib dlg;
    std::unique_ptr<OpenDialog> open;

    void SetUp() override {
        dlg.m_pHead = &demo.head;
        dlg.m_pMeterPort = &port;
        open = std::make_unique<OpenDialog>(dlg);
        ASSERT_TRUE(open->Ok());
    }
    void Setup(const char* start, const char* stop, const char* step) {
        ASSERT_TRUE(dlg.UserType(IDC_START, start));
        ASSERT_TRUE(dlg.UserType(IDC_STOP, stop));
        ASSERT_TRUE(dlg.UserType(IDC_STEP, step));
    }
    std::string Row(int r, int c) { return dlg.m_listPoints.GetItemText(r, c); }
    platform::ui::Control& Item(int id) { return *dlg.GetDlgItem(id); }
};

TEST_F(CalibRun, OpensWithTheHeadAndTheCalibrationDefaults) {
    EXPECT_EQ(dlg.GetWindowText(), "RVX Calibration Utility");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-365");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_SERIAL), "0906011");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_DATE), "01/02/19");
    for (int id :
         {IDC_PHOTO_A, IDC_PHOTO_B, IDC_PHOTO_C, IDC_PHOTO_R2, IDC_INDEX_A, IDC_INDEX_B,
          IDC_INDEX_C, IDC_INDEX_R2, IDC_METER_READOUT, IDC_HEAD_MW, IDC_HEAD_RAW, IDC_FIRMWARE})
        EXPECT_EQ(dlg.GetDlgItemText(id), "") << id;
    const auto& cols = Item(IDC_POINTS).Columns();
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].title, "Index");
    EXPECT_EQ(cols[0].width, 45);
    EXPECT_EQ(cols[1].title, "Photo");
    EXPECT_EQ(cols[1].width, 55);
    EXPECT_EQ(cols[2].title, "IL-1400");
    EXPECT_EQ(cols[2].width, 66);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_PORT), port);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_START), "255");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STOP), "5");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STEP), "5");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_FACTOR), "1.0");

    // The port edit feeds the opener's string.
    ASSERT_TRUE(dlg.UserType(IDC_METER_PORT, "COM7"));
    EXPECT_EQ(port, "COM7");
}

TEST(CalibTitle, OnlyAnUpperCaseKzdPrefixRenamesTheWindow) {
    HeadlessBackend ui;
    for (auto [model, title] : {std::pair{"KZD-2", "KZD Calibration Utility"},
                                {"KZD", "KZD Calibration Utility"},
                                {"KZ", "RVX Calibration Utility"},
                                {"kzd-2", "RVX Calibration Utility"}}) {
        DemoHead demo;
        demo.head.m_strModel = model;
        TestCalib dlg;
        dlg.m_pHead = &demo.head;
        OpenDialog open(dlg);
        EXPECT_EQ(dlg.GetWindowText(), title) << model;
    }
}

struct Range {
    const char *start, *stop, *step;
    int points;
    double first, last;
};

TEST_F(CalibRun, CalibrationRunsVisitTheSetPointsUpToTheStop) {
    const Range cases[] = {
        {"255", "5", "5", 51, 255, 5},      // the opening defaults: the step becomes -5
        {"255", "10", "5", 50, 255, 10},    // the defaults after a switch back
        {"0", "100", "10", 11, 0, 100},     // the stop is a set point
        {"0", "95", "10", 10, 0, 90},       // 100 would pass it
        {"7", "7", "3", 1, 7, 7},           // start equal to stop
        {"255", "5", "-5", 51, 255, 5},     // a negative step down
        {"0", "5", "-1", 6, 0, 5},          // a step away from the stop is turned round
        {"0", "5", "-2147483648", 1, 0, 0}, // turned round, it still points up
        {"0", "255", "1", 255, 0, 254},     // no more points than the tables hold
    };
    for (const Range& c : cases) {
        SCOPED_TRACE(std::string(c.start) + ".." + c.stop + " by " + c.step);
        dlg.reports.clear();
        Setup(c.start, c.stop, c.step);
        RunToEnd(ui, dlg, [] { return 20000.0; });
        ASSERT_EQ(dlg.m_nPoints, c.points);
        EXPECT_EQ(dlg.m_setPoint[0], c.first);
        EXPECT_EQ(dlg.m_setPoint[c.points - 1], c.last);
        EXPECT_EQ(Item(IDC_PROGRESS).RangeHigh(), c.points);
        EXPECT_EQ(Item(IDC_PROGRESS).Pos(), c.points);
        EXPECT_EQ(dlg.m_listPoints.GetItemCount(), c.points);
        EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_GO), BST_UNCHECKED);
        for (int i = 0; i < c.points; ++i) {
            ASSERT_EQ(dlg.m_headValue[i], 350.0); // simulation's photodiode
            ASSERT_EQ(dlg.m_meterUw[i], 20000.0);
            ASSERT_EQ(dlg.m_meterMw[i], 20.0);
        }
        ASSERT_EQ(dlg.reports.size(), 1u);
        EXPECT_FALSE(dlg.reports[0].check);
        EXPECT_EQ(dlg.reports[0].setPoint.size(), static_cast<size_t>(c.points));
    }
    // Rows of the last run: index, counts "%4.0f", mW "%5.2f".
    EXPECT_EQ(Row(0, 0), "0");
    EXPECT_EQ(Row(0, 1), " 350");
    EXPECT_EQ(Row(0, 2), "20.00");
    EXPECT_EQ(dlg.m_listPoints.GetControl()->EnsuredVisible(), 254);
}

TEST_F(CalibRun, UnstableMeterIsRecheckedEverySecondWithoutARow) {
    Setup("10", "20", "10");
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_TAKE_POINT), ui.Now() + 5000); // settling
    EXPECT_EQ(demo.head.m_fSetting, 10.0f);
    FeedMeter(dlg.m_meter, 50000.0); // one line against nine zeros: spread 50000
    ASSERT_FALSE(dlg.m_meter.m_bStable.load());
    ui.Advance(5000);
    EXPECT_EQ(dlg.m_nPoints, 0);
    EXPECT_EQ(dlg.m_listPoints.GetItemCount(), 0);
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_TAKE_POINT), ui.Now() + 1000);
    FeedMeter(dlg.m_meter, 50000.0, 9);
    ui.Advance(1000);
    EXPECT_EQ(dlg.m_nPoints, 1);
    EXPECT_EQ(dlg.m_meterUw[0], 50000.0);
}

TEST_F(CalibRun, AMeterThatNeverSettlesEndsTheRunWithAMessage) {
    Setup("255", "5", "5");
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    FeedUnsettledMeter(dlg.m_meter);
    ASSERT_FALSE(dlg.m_meter.m_bStable.load());
    ui.Advance(5000 + 1000 * CCalib::kMaxMeterWaits - 1);
    EXPECT_TRUE(dlg.IsRunning());
    EXPECT_EQ(ui.BoxCount(), 0u);
    ui.Advance(1);
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_GO), BST_UNCHECKED);
    ASSERT_EQ(ui.BoxCount(), 1u);
    EXPECT_EQ(ui.LastBox().text, "The light meter reading did not settle. The run was stopped.");
    EXPECT_EQ(demo.head.m_fSetting, 0.0f); // switched off
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_TAKE_POINT), 0u);
    EXPECT_EQ(dlg.reports.size(), 1u); // the points so far (none) go to the fits and report
}

TEST_F(CalibRun, ARunAfterOneStoppedByAnUnsettledMeterHasAWaitOfItsOwn) {
    Setup("10", "20", "10");
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    FeedUnsettledMeter(dlg.m_meter);
    ui.Advance(5000 + 1000 * CCalib::kMaxMeterWaits);
    ASSERT_FALSE(dlg.IsRunning());
    ASSERT_EQ(ui.LastBox().text, "The light meter reading did not settle. The run was stopped.");
    ui.ClearBoxes();

    // The next run waits again, second by second, and takes its points.
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    ui.Advance(5000 + 1000 * 3); // settling, then three unstable re-checks
    EXPECT_TRUE(dlg.IsRunning());
    EXPECT_EQ(ui.BoxCount(), 0u);
    FeedMeter(dlg.m_meter, 20000.0, 10);
    ui.Advance(1000);
    EXPECT_EQ(dlg.m_nPoints, 1);
    ui.Advance(5000);
    EXPECT_EQ(dlg.m_nPoints, 2);
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(CalibRun, EveryPointHasAWaitOfItsOwnForTheMeterToSettle) {
    // Three points that each wait 80 re-checks: 240 in all, each under 120.
    Setup("10", "30", "10");
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    const double settled[] = {20000.0, 30000.0, 40000.0};
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE(p);
        FeedUnsettledMeter(dlg.m_meter);
        ui.Advance(5000 + 1000 * 79); // settling, then 80 unstable checks
        ASSERT_TRUE(dlg.IsRunning());
        EXPECT_EQ(dlg.m_nPoints, p);
        FeedMeter(dlg.m_meter, settled[p], 10);
        ui.Advance(1000);
        ASSERT_EQ(dlg.m_nPoints, p + 1);
        EXPECT_EQ(dlg.m_setPoint[p], 10.0 * (p + 1));
        EXPECT_EQ(dlg.m_meterUw[p], settled[p]);
    }
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(ui.BoxCount(), 0u);
    EXPECT_EQ(dlg.m_listPoints.GetItemCount(), 3);
    EXPECT_EQ(dlg.reports.size(), 1u);
}

TEST_F(CalibRun, MeterNeverOpenedRecordsItsFixedReadingTimesTheFactor) {
    Setup("10", "20", "10");
    ASSERT_TRUE(dlg.UserType(IDC_FACTOR, "2.5"));
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    ui.Advance(10000);
    ASSERT_EQ(dlg.m_nPoints, 2);
    EXPECT_EQ(dlg.m_meterUw[0], 3.75); // 1.5 µW/cm² x 2.5
    EXPECT_EQ(dlg.m_meterMw[1], 0.00375);
}

TEST_F(CalibRun, GoUncheckedBeforeTheFirstTickFitsNothingAndBurnRefusesTheResult) {
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    demo.head.m_fSetting = 99.0f;
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    EXPECT_EQ(demo.head.m_fSetting, 0.0f);
    EXPECT_EQ(dlg.m_nPoints, 0);
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_TAKE_POINT), 0u);
    ASSERT_EQ(dlg.reports.size(), 1u);
    EXPECT_TRUE(dlg.reports[0].setPoint.empty());
    EXPECT_TRUE(std::isnan(dlg.m_result.photoToMw[0]));
    // Shown as they are ("nan" or "-nan", by the sign the division left).
    EXPECT_NE(dlg.GetDlgItemText(IDC_PHOTO_A).find("nan"), std::string::npos);
    EXPECT_NE(dlg.GetDlgItemText(IDC_INDEX_R2).find("nan"), std::string::npos);

    const HeadRecord before = demo.head.m_record;
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.LastBox().text,
              "The calibration results are not valid numbers. Nothing was burned.");
    EXPECT_EQ(std::memcmp(&before, &demo.head.m_record, sizeof before), 0);
}

TEST_F(CalibRun, ZeroStepIsRefusedBeforeAnythingIsSent) {
    Setup("255", "5", "0");
    demo.head.m_fSetting = 7.0f;
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    EXPECT_EQ(ui.LastBox().text, "The step must not be zero.");
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_GO), BST_UNCHECKED);
    EXPECT_EQ(demo.head.m_fSetting, 7.0f);
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    Setup("10", "1", "0.0");
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    EXPECT_FALSE(dlg.IsRunning());
}

TEST_F(CalibRun, CheckModeRenamesColumnsSetsItsDefaultsAndRuns50Points) {
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    EXPECT_TRUE(dlg.m_bCheckMode);
    for (int id : {IDC_START_UNIT, IDC_STOP_UNIT, IDC_STEP_UNIT})
        EXPECT_EQ(dlg.GetDlgItemText(id), "mW/cm\xB2");
    const auto& cols = Item(IDC_POINTS).Columns();
    EXPECT_EQ(cols[0].title, "RVX");
    EXPECT_EQ(cols[1].title, "IL-1400");
    EXPECT_EQ(cols[2].title, "Diff");
    EXPECT_EQ(cols[0].width, 45);
    EXPECT_EQ(cols[2].width, 66);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_START), "10.0");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STOP), " 0.2");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STEP), " 0.2");

    RunToEnd(ui, dlg, [] { return 1234.0; });
    ASSERT_EQ(dlg.m_nPoints, 50);
    EXPECT_EQ(Item(IDC_PROGRESS).RangeHigh(), 50);
    // Single-precision steps of -0.2 from 10.0.
    float f = 10.0f;
    for (int i = 0; i < 50; ++i, f += -0.2f)
        ASSERT_EQ(dlg.m_setPoint[i], static_cast<double>(f)) << i;
    EXPECT_NEAR(dlg.m_setPoint[49], 0.200005, 1e-6);
    ASSERT_EQ(dlg.reports.size(), 1u);
    EXPECT_TRUE(dlg.reports[0].check);
    EXPECT_EQ(dlg.reports[0].serial, FieldText(demo.head.m_record.serial));
    // Head output (0.0 in simulation), meter mW and the difference, "%4.1f".
    EXPECT_EQ(Row(0, 0), " 0.0");
    EXPECT_EQ(Row(0, 1), " 1.2");
    EXPECT_EQ(Row(0, 2), " 1.2");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_A), ""); // no fits after a check

    // Back to calibration mode: its other defaults, the old columns.
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_START), "255");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STOP), "10");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STEP), "5");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_STEP_UNIT), "index");
    EXPECT_EQ(cols[0].title, "Index");
    EXPECT_EQ(dlg.m_listPoints.GetItemCount(), 0);
    EXPECT_EQ(dlg.m_nPoints, 50); // the points stay for Show Report and Save Raw
}

TEST_F(CalibRun, ModeSwitchDuringARunStopsIt) {
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    FeedMeter(dlg.m_meter, 1000.0, 10);
    ui.Advance(10000);
    ASSERT_EQ(dlg.m_nPoints, 2);
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_GO), BST_UNCHECKED);
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_TAKE_POINT), 0u);
    EXPECT_EQ(demo.head.m_fSetting, 0.0f);
    ui.Advance(20000);
    EXPECT_EQ(dlg.m_nPoints, 2);
    EXPECT_TRUE(dlg.reports.empty());
}

TEST_F(CalibRun, SaveRawWritesCrLinesWithTheHeaderOfTheCurrentMode) {
    testing_support::WorkDir dir("lumi-calib-raw");
    Setup("10", "20", "10");
    RunToEnd(ui, dlg, [] { return 12345.5; });
    ASSERT_EQ(dlg.m_nPoints, 2);
    ASSERT_TRUE(dlg.UserClick(IDC_SAVE_RAW));
    EXPECT_EQ(ui.LastBox().text, "Raw calibration data saved to Calibration Data (0906011).txt.");
    auto read = [](const char* name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(read("Calibration Data (0906011).txt"),
              "Index\tIL-1400 (mW/cm\xB2)\tIL-1400 (uW/cm\xB2)\tRVX Counts\r"
              "10.000000\t12.345500\t12345.500000\t350.000000\r"
              "20.000000\t12.345500\t12345.500000\t350.000000\r");

    // After a switch the same points go out under the check header.
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    ASSERT_TRUE(dlg.UserClick(IDC_SAVE_RAW));
    EXPECT_EQ(read("Calibration Check Data (0906011).txt"),
              "Target\tIL-1400 (mW/cm\xB2)\tIL-1400 (uW/cm\xB2)\tRVX\r"
              "10.000000\t12.345500\t12345.500000\t350.000000\r"
              "20.000000\t12.345500\t12345.500000\t350.000000\r");

    demo.head.m_strSerial = "no/such/dir";
    ASSERT_TRUE(dlg.UserClick(IDC_SAVE_RAW));
    EXPECT_EQ(ui.LastBox().text,
              "File could not be opened (Calibration Check Data (no/such/dir).txt).");
}

TEST_F(CalibRun, SaveRawThatCannotBeWrittenKeepsTheEarlierFileWhole) {
    testing_support::WorkDir dir("lumi-calib-raw-full");
    const char name[] = "Calibration Data (0906011).txt";
    const std::string earlier(4096, 'E');
    {
        std::ofstream out(name, std::ios::binary);
        out << earlier;
    }
    Setup("10", "20", "10");
    RunToEnd(ui, dlg, [] { return 12345.5; });
    ASSERT_EQ(dlg.m_nPoints, 2);

    // The disk fills up: no file may grow past 16 bytes.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool clicked = dlg.UserClick(IDC_SAVE_RAW);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(clicked);

    EXPECT_EQ(ui.LastBox().text,
              std::string("Raw calibration data could not be saved to ") + name + ".");
    std::ifstream in(name, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), earlier);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator("."))
        entries += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(entries, 1); // no temporary left beside it
}

TEST_F(CalibRun, SaveRawWithNoPointRecordedInThisWindowKeepsTheEarlierFile) {
    testing_support::WorkDir dir("lumi-calib-raw-none");
    const char name[] = "Calibration Data (0906011).txt";
    const std::string earlier = "Index\tIL-1400\r10.000000\t12.345500\t12345.500000\t350.000000\r";
    std::ofstream(name, std::ios::binary) << earlier;
    // Fresh from the opening, then after a run stopped before its first point.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) {
            ASSERT_TRUE(dlg.UserClick(IDC_GO));
            ASSERT_TRUE(dlg.UserClick(IDC_GO));
        }
        ui.ClearBoxes();
        ASSERT_TRUE(dlg.UserClick(IDC_SAVE_RAW));
        EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                     "There are no recorded points to save. Nothing was saved."});
    }
    std::ifstream in(name, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), earlier);
}

TEST_F(CalibRun, PollShowsTheSimulatedHeadsFixedAnswers) {
    ASSERT_TRUE(dlg.UserClick(IDC_POLL));
    ui.Advance(CCalib::kReadoutMs);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_HEAD_MW), " 0.000");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_HEAD_RAW), "350");
    ASSERT_TRUE(dlg.UserClick(IDC_POLL));
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_HEAD_POLL), 0u);
}

TEST(CalibNoController, AHeadWithoutAControllerGivesNoReadings) {
    // A head position whose board serial matched no controller.
    HeadlessBackend ui;
    COpticalHead head;
    head.m_strSerial = "0906011";
    TestCalib dlg;
    dlg.m_pHead = &head;
    OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());

    ASSERT_TRUE(dlg.UserClick(IDC_POLL));
    ui.Advance(CCalib::kReadoutMs);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_HEAD_MW), "");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_HEAD_RAW), "");
    ASSERT_TRUE(dlg.UserClick(IDC_POLL));

    // A check run stops at its first point, as a calibration run does.
    for (bool check : {true, false}) {
        SCOPED_TRACE(check ? "check" : "calibration");
        ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
        ASSERT_EQ(dlg.m_bCheckMode, check);
        dlg.reports.clear();
        ui.ClearBoxes();
        RunToEnd(ui, dlg, [] { return 5000.0; });
        EXPECT_EQ(dlg.m_nPoints, 0);
        EXPECT_EQ(dlg.m_listPoints.GetItemCount(), 0);
        EXPECT_EQ(ui.BoxTexts(),
                  std::vector<std::string>{"The head does not answer. The run was stopped."});
        ASSERT_EQ(dlg.reports.size(), 1u);
        EXPECT_EQ(dlg.reports[0].check, check);
        EXPECT_TRUE(dlg.reports[0].headValue.empty());
    }
}

TEST_F(CalibRun, MeterReadoutShowsFactorCorrectedMilliwattsAndStability) {
    FeedMeter(dlg.m_meter, 123456.0);
    dlg.OnTimer(CCalib::IDT_METER_READOUT);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_READOUT), "123.46*");
    dlg.m_meter.m_bStable.store(true); // as the listening thread may leave it
    dlg.OnTimer(CCalib::IDT_METER_READOUT);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_READOUT), "123.46 ");
    // Ten equal lines: stable (the window's lower bound is 99999.9, so a
    // reading above it still spreads; one just below settles).
    FeedMeter(dlg.m_meter, 99000.0, 10);
    ASSERT_TRUE(dlg.m_meter.m_bStable.load());
    dlg.OnTimer(CCalib::IDT_METER_READOUT);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_READOUT), "99.00 ");
    ASSERT_TRUE(dlg.UserType(IDC_FACTOR, "2"));
    dlg.OnTimer(CCalib::IDT_METER_READOUT);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_METER_READOUT), "198.00 ");
}

TEST_F(CalibRun, MeterThatCannotBeOpenedSaysSoAndStaysUnchecked) {
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    EXPECT_EQ(ui.LastBox().text, "Could not open /dev/lumi-no-such-meter");
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_METER_OPEN), BST_UNCHECKED);
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_METER_READOUT), 0u);
}

TEST_F(CalibRun, BurnStoresTheResultsTheDateAndTheController) {
    Setup("0", "100", "10");
    // A straight, exactly representable meter line: 50 µW/cm² per index.
    RunToEnd(ui, dlg, [&] { return 50.0 * demo.head.m_fSetting + 200.0; });
    ASSERT_EQ(dlg.m_nPoints, 11);
    ASSERT_EQ(dlg.reports.size(), 1u);
    EXPECT_EQ(dlg.m_result.avgStep, 0.25f); // handed back by the report
    // mW-to-Index of index = 20 x mW - 4.
    EXPECT_NEAR(dlg.m_result.mwToIndex[1], 20.0f, 1e-3);
    EXPECT_NEAR(dlg.m_result.mwToIndex[2], -4.0f, 1e-3);
    EXPECT_NEAR(dlg.m_result.r2MwToIndex, 1.0, 1e-9);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%12.9f",
                  static_cast<double>(dlg.m_result.mwToIndex[1]));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_INDEX_B), expected);

    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    const HeadRecord& r = demo.head.m_record;
    EXPECT_EQ(r.marker, 'V');
    EXPECT_EQ(r.calYear, 19);
    EXPECT_EQ(r.calMonth, 7);
    EXPECT_EQ(r.calDay, 4);
    EXPECT_EQ(demo.head.m_strCalDate, "07/04/19");
    EXPECT_EQ(r.enableCalibration, 1);
    EXPECT_EQ(r.channel, 0);
    EXPECT_STREQ(r.boardSerial, "0100100"); // 7 characters and a NUL
    EXPECT_EQ(r.avgStep, 0.25f);
    EXPECT_EQ(r.initialDacPwm, 0); // simulation's DAC answer
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.mwToIndex[k], dlg.m_result.mwToIndex[k]);
        EXPECT_EQ(r.photoToMw[k], dlg.m_result.photoToMw[k]);
    }
    EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
}

} // namespace
} // namespace calib_test
