// The calibration utility against a simulated controller: the service
// commands' frames and messages, Burn into the head's EEPROM, a head that
// stops answering, and a whole calibration and check on the virtual clock
// with the radiometer reading what the simulated head emits.
#include "resources/dialogs/Dialog141Ids.h"
#include "tests/calibration/CalibFixture.h"
#include "tests/support/PtyPair.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <regex>
#include <thread>

namespace calib_test {
namespace {

// Little-endian reads of the record image, independent of the link's readers.
float LeF32(const uint8_t* p) {
    const uint32_t bits = p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
int LeU16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

sim::ControllerOptions Options() {
    sim::ControllerOptions o;
    o.noiseCounts = 1.5;
    return o;
}

sim::ControllerOptions Options(std::function<void(const sim::Request&)> onRequest) {
    sim::ControllerOptions o = Options();
    o.onRequest = std::move(onRequest);
    return o;
}

const char kNoResult[] = "There are no calibration results to burn. Nothing was burned.";

// True when `codes` holds `wanted` in this order; other requests may come
// between them (a controller link may ask queries of its own before a burn).
bool InOrder(const std::vector<int>& codes, std::initializer_list<int> wanted) {
    auto at = codes.begin();
    for (int code : wanted) {
        at = std::find(at, codes.end(), code);
        if (at == codes.end())
            return false;
        ++at;
    }
    return true;
}

bool SameBytes(const HeadRecord& a, const HeadRecord& b) {
    return std::memcmp(RecordBytes(a), RecordBytes(b), kHeadRecordSize) == 0;
}

struct CalibSim : ::testing::Test {
    HeadlessBackend ui;
    // The next request with this code goes unanswered (-1: none); the other
    // requests before and after it are answered.
    std::atomic<int> dropReplyTo{-1};
    sim::Controller sim{Options([this](const sim::Request& r) {
        int code = r.code;
        if (dropReplyTo.compare_exchange_strong(code, -1))
            sim.DropReplies(1);
    })};
    CControlBoard board;
    COpticalHead head;
    std::string port = "/dev/lumi-no-such-meter";
    TestCalib dlg;
    std::unique_ptr<OpenDialog> open;
    // False: the head's record read (103) before the utility opens goes
    // unanswered, as when the controller missed it at the program's start.
    bool recordAnsweredAtStart = true;

    void SetUp() override {
        board.m_strPort = sim.SlavePath();
        ASSERT_EQ(board.Open(board.m_strPort.c_str(), 115200, 1000), SERIAL_OK);
        board.m_bDemo = false;
        head.m_pBoard = &board;
        head.m_nChannel = 0;
        ASSERT_TRUE(board.ReadBoardInfo());
        if (!recordAnsweredAtStart)
            sim.SetCodeReplyDelay(103, -1);
        ASSERT_EQ(head.ReadRecord(), recordAnsweredAtStart);
        sim.SetCodeReplyDelay(103, 0);
        dlg.m_pHead = &head;
        dlg.m_pMeterPort = &port;
        open = std::make_unique<OpenDialog>(dlg);
        ASSERT_TRUE(open->Ok());
        sim.ClearRequests();
    }
    std::vector<sim::Request> Sent() { return sim.Requests(); }
    // Codes of the requests since the last ClearRequests.
    std::vector<int> Codes() {
        std::vector<int> out;
        for (const sim::Request& r : sim.Requests())
            out.push_back(r.code);
        return out;
    }
    double MeterMicroWatts() { return sim.OpticalOutput(0) * 1000.0; }
    void Setup(const char* start, const char* stop, const char* step) {
        ASSERT_TRUE(dlg.UserType(IDC_START, start));
        ASSERT_TRUE(dlg.UserType(IDC_STOP, stop));
        ASSERT_TRUE(dlg.UserType(IDC_STEP, step));
    }
    // A whole run with the radiometer under the simulated head.
    void Run(const char* start, const char* stop, const char* step) {
        ASSERT_NO_FATAL_FAILURE(Setup(start, stop, step));
        RunToEnd(ui, dlg, [&] { return MeterMicroWatts(); });
    }
    // Burn pressed with no result to burn: the box, nothing on the wire and
    // the head's EEPROM as it was.
    void ExpectBurnRefused() {
        const HeadRecord before = sim.Record(0);
        const HeadRecord inMemory = head.m_record;
        sim.ClearRequests();
        ui.ClearBoxes();
        ASSERT_TRUE(dlg.UserClick(IDC_BURN));
        EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{kNoResult});
        EXPECT_TRUE(Codes().empty());
        EXPECT_TRUE(SameBytes(sim.Record(0), before));
        EXPECT_TRUE(SameBytes(head.m_record, inMemory));
    }
};

TEST_F(CalibSim, ServiceCommandsSendOneFrameEachWithTheirPayload) {
    struct Case {
        int id;
        int code;
        std::vector<uint8_t> payload;
    };
    const Case cases[] = {
        {IDC_CALIBRATION_MODE, 105, {}}, {IDC_CANCEL_OVERTEMP, 109, {}},
        {IDC_DEBUG_NO_HEAD, 118, {}},    {IDC_PWM_OFF, 100, {0}},
        {IDC_FAN_OFF, 101, {0}},
    };
    for (const Case& c : cases) {
        sim.ClearRequests();
        ASSERT_TRUE(dlg.UserClick(c.id));
        const auto sent = Sent();
        ASSERT_EQ(sent.size(), 1u) << c.id;
        EXPECT_EQ(sent[0].code, c.code);
        EXPECT_EQ(sent[0].payload, c.payload);
    }
    EXPECT_TRUE(sim.CalibrationMode());
    EXPECT_FALSE(sim.FanOn());
    EXPECT_TRUE(sim.DebugWithoutHead());
    EXPECT_EQ(ui.BoxCount(), 0u);

    // PWM "set" sends the value; focus and selection go to the edit.
    sim.ClearRequests();
    ASSERT_TRUE(dlg.UserType(IDC_PWM, "255"));
    EXPECT_EQ(dlg.GetDefID(), IDC_PWM_SET);
    dlg.UserPressEnter();
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].code, 99);
    EXPECT_EQ(Sent()[0].payload, (std::vector<uint8_t>{0, 255}));
    EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(IDC_PWM));
    // Beyond its byte (300 would go out as 44) nothing is sent.
    for (const char* text : {"300", "256", "-1"}) {
        sim.ClearRequests();
        ASSERT_TRUE(dlg.UserType(IDC_PWM, text));
        ASSERT_TRUE(dlg.UserClick(IDC_PWM_SET));
        EXPECT_EQ(ui.LastBox().text, "The PWM value must be between 0 and 255. Nothing was sent.");
        EXPECT_TRUE(Sent().empty()) << text;
        EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(IDC_PWM));
    }
}

TEST_F(CalibSim, FanOffIsSentExactlyTwiceWhenTheFirstIsNotAcknowledged) {
    // The second goes behind a DAC read (107) that pays for the first's lost reply.
    sim.DropReplies(1);
    ASSERT_TRUE(dlg.UserClick(IDC_FAN_OFF));
    EXPECT_EQ(Codes(), (std::vector<int>{101, 107, 101}));
    sim.ClearRequests();
    sim.DropReplies(2);
    ASSERT_TRUE(dlg.UserClick(IDC_FAN_OFF));
    EXPECT_EQ(Codes(), (std::vector<int>{101, 107, 101}));
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(CalibSim, DacSetSendsTheValueAndShowsWhatTheControllerReportsBack) {
    ASSERT_TRUE(dlg.UserType(IDC_DAC, "500"));
    EXPECT_EQ(dlg.GetDefID(), IDC_DAC_SET);
    ASSERT_TRUE(dlg.UserClick(IDC_DAC_SET));
    ASSERT_EQ(Codes(), (std::vector<int>{108, 107}));
    EXPECT_EQ(Sent()[0].payload, (std::vector<uint8_t>{0, 0xF4, 0x01}));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_DAC), std::to_string(sim.Channel(0).dac));
    EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(IDC_DAC));
    EXPECT_EQ(dlg.GetDlgItem(IDC_DAC)->SelStart(), 0);
    EXPECT_EQ(dlg.GetDlgItem(IDC_DAC)->SelEnd(),
              static_cast<int>(dlg.GetDlgItemText(IDC_DAC).size()));

    sim.DropReplies(1);
    ASSERT_TRUE(dlg.UserClick(IDC_DAC_GET));
    EXPECT_EQ(dlg.GetDlgItemText(IDC_DAC), "0");
    EXPECT_EQ(ui.LastBox().text, "DAC failed.");
}

TEST_F(CalibSim, EraseAsksFirstAndReportsAnUnacknowledgedErase) {
    ui.AnswerBox(IDCANCEL);
    ASSERT_TRUE(dlg.UserClick(IDC_ERASE_EEPROM));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ui.LastBox().text.rfind("Performing an EEPROM test will reset", 0), 0u);

    ui.AnswerBox(IDOK);
    ASSERT_TRUE(dlg.UserClick(IDC_ERASE_EEPROM));
    ASSERT_EQ(Sent().size(), 2u); // once a DAC read has been answered
    EXPECT_EQ(Sent()[0].code, 107);
    EXPECT_EQ(Sent()[1].code, 119);
    EXPECT_EQ(Sent()[1].payload, (std::vector<uint8_t>{0}));
    const size_t boxes = ui.BoxCount();

    sim.DropReplies(1);
    ui.AnswerBox(IDOK);
    ASSERT_TRUE(dlg.UserClick(IDC_ERASE_EEPROM));
    ASSERT_EQ(ui.BoxCount(), boxes + 2);
    EXPECT_EQ(ui.LastBox().text, "failed.");
}

TEST_F(CalibSim, BoardGetChecksOnlyTheRadiosOfKnownValues) {
    struct Case {
        uint8_t role, mode;
        int roleId, modeId; // 0: none checked
    };
    const int roles[] = {IDC_ROLE_LUMIFLEX, IDC_ROLE_MX12, IDC_ROLE_TALON, IDC_ROLE_HB7R40,
                         IDC_ROLE_K310};
    for (const Case& c : {Case{3, 1, IDC_ROLE_TALON, IDC_MODE_DAC}, Case{0, 2, 0, 0},
                          Case{6, 0, 0, IDC_MODE_PWM}, Case{5, 0, IDC_ROLE_K310, IDC_MODE_PWM}}) {
        BoardInfo info = sim.Board();
        info.role = c.role;
        info.intensitySetMode = c.mode;
        info.firmwareVersion = "3.07";
        sim.SetBoard(info);
        ASSERT_TRUE(dlg.UserClick(IDC_BOARD_GET));
        for (int id : roles)
            EXPECT_EQ(dlg.IsDlgButtonChecked(id), id == c.roleId ? 1u : 0u) << int(c.role);
        EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_MODE_PWM), c.modeId == IDC_MODE_PWM ? 1u : 0u);
        EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_MODE_DAC), c.modeId == IDC_MODE_DAC ? 1u : 0u);
        EXPECT_EQ(dlg.GetDlgItemText(IDC_BOARD_SERIAL), "01001001");
        EXPECT_EQ(dlg.GetDlgItemText(IDC_FIRMWARE), "3.07");
    }
    sim.DropReplies(1);
    ASSERT_TRUE(dlg.UserClick(IDC_BOARD_GET));
    EXPECT_EQ(ui.LastBox().text, "Failed to get controller configuration.");
}

TEST_F(CalibSim, BoardSetKeepsTheRoleWithoutARadioAndRefusesAShortSerial) {
    BoardInfo info = sim.Board();
    info.role = 4;
    sim.SetBoard(info);
    ASSERT_TRUE(board.ReadBoardInfo());
    sim.ClearRequests();
    // No role radio checked, DAC chosen, a new serial.
    dlg.CheckDlgButton(IDC_MODE_DAC, BST_CHECKED);
    ASSERT_TRUE(dlg.UserType(IDC_BOARD_SERIAL, "0906021"));
    ASSERT_TRUE(dlg.UserClick(IDC_BOARD_SET));
    ASSERT_EQ(Sent().size(), 1u);
    EXPECT_EQ(Sent()[0].code, 111);
    EXPECT_EQ(Sent()[0].payload,
              (std::vector<uint8_t>{4, 1, '0', '9', '0', '6', '0', '2', '1', 0}));

    // "MX12" and PWM; a 6-character serial is refused before anything is sent.
    sim.ClearRequests();
    ASSERT_TRUE(dlg.UserClick(IDC_ROLE_MX12));
    ASSERT_TRUE(dlg.UserClick(IDC_MODE_PWM));
    ASSERT_TRUE(dlg.UserType(IDC_BOARD_SERIAL, "090602"));
    const size_t boxes = ui.BoxCount();
    ASSERT_TRUE(dlg.UserClick(IDC_BOARD_SET));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ui.BoxCount(), boxes + 1); // the framework's report of the refusal
    EXPECT_TRUE(dlg.IsOpen());
    EXPECT_FALSE(dlg.IsEnded());
    // The dialog goes on: the next command is sent.
    ASSERT_TRUE(dlg.UserClick(IDC_CALIBRATION_MODE));
    EXPECT_EQ(Codes(), (std::vector<int>{105}));
}

TEST_F(CalibSim, BurnWritesTheRunsResultIntoTheHeadsEeprom) {
    dlg.avgStepToHandBack = 0.33f;
    ASSERT_NO_FATAL_FAILURE(Run("50", "250", "100"));
    ASSERT_EQ(dlg.reports.size(), 1u);
    const ReportCall fits = dlg.reports[0]; // the curves the run's report was given
    ASSERT_TRUE(std::isfinite(fits.photoToMw[1]));
    sim.ClearRequests();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    // "%0.2f ms" of the stopwatch: two decimals, no padding.
    EXPECT_TRUE(
        std::regex_match(ui.LastBox().text, std::regex("Burn Complete in [0-9]+\\.[0-9]{2} ms")))
        << ui.LastBox().text;
    // The DAC value, the record read again, then the DAC read the burn waits
    // for before it goes out, and the burn.
    EXPECT_EQ(Codes(), (std::vector<int>{107, 103, 107, 104}));
    const HeadRecord r = sim.Record(0);
    const uint8_t* b = RecordBytes(r);
    EXPECT_EQ(b[0], 'V');
    EXPECT_EQ(b[25], 7);  // month
    EXPECT_EQ(b[26], 4);  // day
    EXPECT_EQ(b[27], 19); // year - 2000
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(LeF32(b + 28 + 4 * k), fits.mwToIndex[k]) << k;
        EXPECT_EQ(LeF32(b + 40 + 4 * k), fits.photoToMw[k]) << k;
    }
    EXPECT_EQ(LeF32(b + 52), 0.33f); // the report's step
    EXPECT_EQ(LeU16(b + 56), 140);   // the held DAC value
    EXPECT_EQ(b[72], 1);             // enableCalibration
    EXPECT_EQ(b[73], 0);             // channel
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 74), 8),
              std::string("0100100\0", 8)); // the 8-character serial cut to 7 and a NUL
    EXPECT_EQ(head.m_strCalDate, "07/04/19");

    dropReplyTo = 104;
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.LastBox().text, "Burn command never acknowledged.");
}

TEST_F(CalibSim, BurnWithoutAResultOfThisWindowLeavesTheHeadAlone) {
    {
        SCOPED_TRACE("at once");
        ExpectBurnRefused();
    }
    {
        SCOPED_TRACE("after only a check run");
        ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
        ASSERT_NO_FATAL_FAILURE(Run("10", "9", "1"));
        ASSERT_EQ(dlg.m_nPoints, 2);
        ExpectBurnRefused();
        ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    }
    auto stopBeforeTheFits = [&] {
        ASSERT_NO_FATAL_FAILURE(Setup("50", "250", "100"));
        const size_t reports = dlg.reports.size();
        ASSERT_TRUE(dlg.UserClick(IDC_GO));
        FeedMeter(dlg.m_meter, MeterMicroWatts(), 10);
        ui.Advance(5000);
        ASSERT_EQ(dlg.m_nPoints, 1);
        ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE)); // the switch stops the run
        ASSERT_FALSE(dlg.IsRunning());
        ASSERT_EQ(dlg.reports.size(), reports); // no fits
        ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    };
    {
        SCOPED_TRACE("after a calibration run stopped before its fits");
        ASSERT_NO_FATAL_FAILURE(stopBeforeTheFits());
        ExpectBurnRefused();
    }
    {
        // A new run empties the result fields: the earlier result goes with them.
        SCOPED_TRACE("after a whole run, then another stopped before its fits");
        ASSERT_NO_FATAL_FAILURE(Run("50", "250", "100"));
        ASSERT_NO_FATAL_FAILURE(stopBeforeTheFits());
        EXPECT_EQ(dlg.GetDlgItemText(IDC_PHOTO_B), "");
        ExpectBurnRefused();
    }
}

TEST_F(CalibSim, BurnStopsWhenTheDacValueOrTheRecordCannotBeRead) {
    ASSERT_NO_FATAL_FAILURE(Run("50", "250", "100"));
    const HeadRecord inHead = sim.Record(0);
    const HeadRecord inMemory = head.m_record;
    ASSERT_EQ(LeU16(RecordBytes(inHead) + 56), 140);
    sim.ClearRequests();
    ui.ClearBoxes();
    dropReplyTo = 107;
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.BoxTexts(),
              (std::vector<std::string>{"DAC failed.",
                                        "The DAC value could not be read. Nothing was burned."}));
    EXPECT_EQ(Codes(), (std::vector<int>{107})); // no record sent
    EXPECT_TRUE(SameBytes(sim.Record(0), inHead));
    EXPECT_TRUE(SameBytes(head.m_record, inMemory));

    // The record read again goes unanswered: nothing is burned either.
    sim.ClearRequests();
    ui.ClearBoxes();
    dropReplyTo = 103;
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                 "The RVX configuration could not be read. Nothing was burned."});
    const std::vector<int> codes = Codes();
    EXPECT_TRUE(InOrder(codes, {107, 103}));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 104), 0);
    EXPECT_TRUE(SameBytes(sim.Record(0), inHead));

    // Answered, the same result burns with the head's own value.
    sim.ClearRequests();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_TRUE(InOrder(Codes(), {107, 103, 104}));
    EXPECT_EQ(LeU16(RecordBytes(sim.Record(0)) + 56), 140);
}

// The average step as the report computes it, from the points and the curve:
// the mean over all n points of |calib(i-1) - calib(i)| / |index step|.
float AverageStep(const CCalib& dlg, const float photo[3]) {
    double sum = 0.0, previous = 0.0;
    for (int i = 0; i < dlg.m_nPoints; ++i) {
        const double p = dlg.m_headValue[i];
        const double calib = (photo[0] * p * p + photo[1] * p + photo[2]) / 1000.0;
        if (i > 0)
            sum += std::fabs((previous - calib) / (dlg.m_setPoint[i - 1] - dlg.m_setPoint[i]));
        previous = calib;
    }
    return static_cast<float>(sum / dlg.m_nPoints);
}

TEST_F(CalibSim, AReportLeftOpenDuringARunDoesNotReplaceTheRunsAverageStep) {
    dlg.realReports = true;
    ASSERT_NO_FATAL_FAILURE(Setup("50", "250", "100"));
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    FeedMeter(dlg.m_meter, MeterMicroWatts(), 10);
    ui.Advance(5000);
    ASSERT_EQ(dlg.m_nPoints, 1);

    // Show Report with one point; the run goes on under it, ends, and opens
    // its own report inside it.
    auto avgCell = [](CDialog& d) {
        return d.GetDlgItem(ids141::IDC_REPORT_LIST)->Rows().back().texts.at(4);
    };
    std::string outerAvg, innerAvg;
    ui.OnModal(141, [&](CDialog& d) {
        outerAvg = avgCell(d);
        const uint64_t end = ui.Now() + 60000;
        while (dlg.IsRunning() && ui.Now() < end) {
            FeedMeter(dlg.m_meter, MeterMicroWatts(), 10);
            ui.Advance(1000);
        }
        d.UserPressEscape();
    });
    ui.OnModal(141, [&](CDialog& d) { innerAvg = avgCell(d); });
    ASSERT_TRUE(dlg.UserClick(IDC_SHOW_REPORT));
    ASSERT_EQ(ui.Runs().size(), 2u);
    ASSERT_FALSE(dlg.IsRunning());
    ASSERT_EQ(dlg.m_nPoints, 3);
    EXPECT_EQ(outerAvg, "0.000"); // one point, no step
    EXPECT_NE(innerAvg, outerAvg);

    sim.ClearRequests();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    ASSERT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    const HeadRecord inHead = sim.Record(0);
    const uint8_t* b = RecordBytes(inHead);
    const float photo[3] = {LeF32(b + 40), LeF32(b + 44), LeF32(b + 48)};
    const float burned = LeF32(b + 52);
    EXPECT_FLOAT_EQ(burned, AverageStep(dlg, photo)); // the step of the curve burned beside it
    char shown[16];
    std::snprintf(shown, sizeof shown, "%5.3f", static_cast<double>(burned));
    EXPECT_EQ(innerAvg, shown);
}

TEST_F(CalibSim, NumbersBeyondFloatRangeStartNoRun) {
    const std::string notStarted = " is not a valid number. The run was not started.";
    ASSERT_TRUE(dlg.UserType(IDC_FACTOR, "1e39"));
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    EXPECT_EQ(ui.LastBox().text, "The factor" + notStarted);
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_GO), BST_UNCHECKED);
    EXPECT_EQ(ui.DueTime(dlg, CCalib::IDT_TAKE_POINT), 0u);
    EXPECT_TRUE(Codes().empty());

    ASSERT_TRUE(dlg.UserType(IDC_FACTOR, "1.0"));
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    const struct {
        int id;
        const char* what;
        const char* text;
    } fields[] = {
        {IDC_START, "start", "1e39"}, {IDC_STOP, "stop", "-1e39"}, {IDC_STEP, "step", "1e39"}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.what);
        ASSERT_NO_FATAL_FAILURE(Setup("10.0", "0.2", "0.2"));
        ASSERT_TRUE(dlg.UserType(f.id, f.text));
        ASSERT_TRUE(dlg.UserClick(IDC_GO));
        EXPECT_EQ(ui.LastBox().text, std::string("The ") + f.what + notStarted);
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_TRUE(Codes().empty());
    }
    // In range, the same start goes out.
    ASSERT_NO_FATAL_FAILURE(Setup("3.0e38", "0.2", "1e38"));
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    EXPECT_TRUE(dlg.IsRunning());
    ASSERT_FALSE(Codes().empty());
    EXPECT_EQ(Codes()[0], 97);
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
}

TEST_F(CalibSim, AHeadThatStopsAnsweringEndsTheRunWithAMessage) {
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    FeedMeter(dlg.m_meter, 1000.0, 10);
    ui.Advance(5000);
    ASSERT_EQ(dlg.m_nPoints, 1);
    sim.ClearRequests();
    sim.DropReplies(1000);
    ui.Advance(5000);
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_EQ(dlg.m_nPoints, 1);
    const std::vector<int> codes = Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 112), CCalib::kHeadReadTries);
    EXPECT_EQ(codes.back(), 100); // switched off
    EXPECT_EQ(ui.LastBox().text, "The head does not answer. The run was stopped.");
    EXPECT_EQ(dlg.reports.size(), 1u);
}

// The meter opened on `pty` through the utility's Open button.
void OpenMeter(CalibSim& t, testing_support::PtyPair& pty) {
    t.port = pty.Path();
    ASSERT_TRUE(t.dlg.UserClick(IDC_METER_OPEN));
    ASSERT_EQ(t.dlg.IsDlgButtonChecked(IDC_METER_OPEN), BST_CHECKED);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (t.dlg.m_meter.m_bListening.load() != 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Sends `lines` equal readings (W/cm², 1 mW/cm² unless given) and waits until
// the meter has them.
void SendLines(CalibSim& t, testing_support::PtyPair& pty, uint32_t lines,
               const char* reading = "0.0010000") {
    const uint32_t target = t.dlg.m_meter.m_nLines.load() + lines;
    for (uint32_t i = 0; i < lines; ++i)
        ASSERT_TRUE(pty.Send(std::string(reading) + "\r\n"));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (t.dlg.m_meter.m_nLines.load() < target && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(t.dlg.m_meter.m_nLines.load(), target);
    ASSERT_TRUE(t.dlg.m_meter.m_bStable.load());
}

// With no line after the set point, the run waits out its bounded wait for
// one, then stops with its message, having recorded no further point.
void ExpectStopForNoReadings(CalibSim& t, int points) {
    t.ui.Advance(5000 + 1000 * CCalib::kMaxMeterWaits - 1);
    EXPECT_TRUE(t.dlg.IsRunning());
    EXPECT_EQ(t.dlg.m_nPoints, points);
    t.ui.Advance(1);
    EXPECT_FALSE(t.dlg.IsRunning());
    EXPECT_EQ(t.dlg.m_nPoints, points);
    EXPECT_EQ(t.ui.LastBox().text, "The light meter sends no readings. The run was stopped.");
    EXPECT_EQ(t.Codes().back(), 100); // switched off
}

TEST_F(CalibSim, AMeterThatFallsSilentRecordsNoPointFromItsLastLine) {
    // Ten equal lines, then nothing: the flag still says stable and the
    // reading stays, but no line came after the set point.
    testing_support::PtyPair pty;
    ASSERT_NO_FATAL_FAILURE(OpenMeter(*this, pty));
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 10));

    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    ExpectStopForNoReadings(*this, 0);
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN)); // closed before the line goes away
}

TEST_F(CalibSim, AMeterClosedDuringARunRecordsNoPointFromItsLastLine) {
    testing_support::PtyPair pty;
    ASSERT_NO_FATAL_FAILURE(OpenMeter(*this, pty));
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 10));
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 10)); // a window after the first set point
    ui.Advance(5000);
    ASSERT_EQ(dlg.m_nPoints, 1);

    // Closed under the run: its last reading is older than every later set
    // point, so the run waits as for a silent meter and records nothing.
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
    ASSERT_EQ(dlg.IsDlgButtonChecked(IDC_METER_OPEN), BST_UNCHECKED);
    ExpectStopForNoReadings(*this, 1);
}

// Mean |head output - radiometer| over the points of a check run, mW/cm².
double MeanDeviation(const ReportCall& r) {
    double sum = 0.0;
    for (size_t i = 0; i < r.headValue.size(); ++i)
        sum += std::fabs(r.headValue[i] - r.meterMw[i]);
    return r.headValue.empty() ? NAN : sum / static_cast<double>(r.headValue.size());
}

TEST_F(CalibSim, CalibrationWithTheOpeningDefaultsThenBurnMakesTheHeadReadRight) {
    auto meter = [&] { return MeterMicroWatts(); };
    // A check before: the factory record's rough gain.
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    RunToEnd(ui, dlg, meter);
    ASSERT_EQ(dlg.reports.size(), 1u);
    ASSERT_EQ(dlg.reports[0].headValue.size(), 50u);
    const double before = MeanDeviation(dlg.reports[0]);

    // The calibration: 255 down to 5 by 5.
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    ASSERT_TRUE(dlg.UserType(IDC_STOP, "5"));
    RunToEnd(ui, dlg, meter);
    ASSERT_EQ(dlg.m_nPoints, 51);
    ASSERT_EQ(dlg.reports.size(), 2u);
    const ReportCall& cal = dlg.reports[1];
    EXPECT_EQ(cal.setPoint.front(), 255.0);
    EXPECT_EQ(cal.setPoint.back(), 5.0);
    EXPECT_GT(dlg.m_result.r2PhotoToMw, 0.9999);
    EXPECT_GT(dlg.m_result.r2MwToIndex, 0.9999);
    EXPECT_EQ(cal.r2Photo, dlg.m_result.r2PhotoToMw);
    EXPECT_EQ(cal.photoToMw[1], dlg.m_result.photoToMw[1]);
    EXPECT_EQ(cal.serial, FieldText(head.m_record.serial));

    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    ASSERT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;

    // The check after: the head now reports what the radiometer sees.
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    RunToEnd(ui, dlg, meter);
    ASSERT_EQ(dlg.reports.size(), 3u);
    const double after = MeanDeviation(dlg.reports[2]);
    // Set points now land where asked: 10 mW/cm² gives about 10 at the meter.
    EXPECT_NEAR(dlg.reports[2].meterMw.front(), 10.0, 0.5);
    EXPECT_LT(after, 0.1);
    EXPECT_LT(after, before / 10.0);
    std::printf("R2 photo-to-mW %.9f, mW-to-index %.9f; mean deviation before %.3f mW/cm2, "
                "after %.3f mW/cm2\n",
                dlg.m_result.r2PhotoToMw, dlg.m_result.r2MwToIndex, before, after);
}

} // namespace
} // namespace calib_test

namespace calib_test {
namespace {

TEST(CalibBrightHead, ABrightHeadTakesItsPointsAndBurnWritesTheirCurves) {
    // 180 mW/cm² at index 255: far above the 99999.9 µW/cm² a settled window once had to
    // stay under.
    HeadlessBackend ui;
    sim::ControllerOptions o = Options();
    o.optics[0] = sim::BrightOptics();
    sim::Controller sim(o);
    CControlBoard board;
    ASSERT_EQ(board.Open(sim.SlavePath().c_str(), 115200, 1000), SERIAL_OK);
    COpticalHead head;
    head.m_pBoard = &board;
    TestCalib dlg;
    dlg.m_pHead = &head;
    dlg.avgStepToHandBack = 0.7f;
    OpenDialog open(dlg);
    ASSERT_TRUE(open.Ok());
    RunToEnd(ui, dlg, [&] { return sim.OpticalOutput(0) * 1000.0; });
    EXPECT_EQ(ui.BoxCount(), 0u) << ui.LastBox().text;
    ASSERT_EQ(dlg.m_nPoints, 51); // 255 down to 5 in steps of 5
    EXPECT_NEAR(dlg.m_meterMw[0], 180.0, 2.0);
    ASSERT_EQ(dlg.reports.size(), 1u);
    const ReportCall fits = dlg.reports[0];

    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    const HeadRecord r = sim.Record(0);
    const uint8_t* b = RecordBytes(r);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(LeF32(b + 28 + 4 * k), fits.mwToIndex[k]) << k;
        EXPECT_EQ(LeF32(b + 40 + 4 * k), fits.photoToMw[k]) << k;
    }
    EXPECT_EQ(LeF32(b + 52), 0.7f);
    // The mW-to-Index curve takes the head's top output back to about index 255.
    const double top = dlg.m_meterMw[0];
    EXPECT_NEAR(fits.mwToIndex[0] * top * top + fits.mwToIndex[1] * top + fits.mwToIndex[2], 255.0,
                5.0);
}

} // namespace
} // namespace calib_test

namespace calib_test {
namespace {

// ---- Burn into the record the head holds at the time of the burn

using Image = std::array<uint8_t, 360>;

Image ImageOf(const HeadRecord& r) {
    Image b;
    std::memcpy(b.data(), RecordBytes(r), b.size());
    return b;
}

HeadRecord RecordOf(const Image& b) {
    HeadRecord r;
    std::memcpy(RecordBytes(r), b.data(), b.size());
    return r;
}

void PutF32(Image& b, int at, float f) {
    const auto u = std::bit_cast<uint32_t>(f);
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

std::string TextAt(const HeadRecord& r, int at) {
    return reinterpret_cast<const char*>(RecordBytes(r) + at);
}

// Every byte but those Burn sets (marker 0, date 25-27, curves and average
// step 28-55, DAC 56-57, enable 72, channel 73, board serial 74-81) is as
// `before` held it.
void ExpectOnlyBurnFieldsChanged(const HeadRecord& before, const HeadRecord& after) {
    const Image b = ImageOf(before), a = ImageOf(after);
    for (int at = 0; at < 360; ++at) {
        if (at != 0 && (at < 25 || at > 57) && (at < 72 || at > 81)) {
            EXPECT_EQ(a[at], b[at]) << "byte " << at;
        }
    }
}

const char kNotFinite[] =
    " in the RVX configuration is not a valid number. Correct it with Calibration Coeffs. "
    "Nothing was burned.";

struct CalibSimUnreadHead : CalibSim {
    CalibSimUnreadHead() { recordAnsweredAtStart = false; }
};

TEST_F(CalibSimUnreadHead, BurnReadsTheRecordAgainAndKeepsWhatItDoesNotSet) {
    // The read at start went unanswered: the utility holds an empty record.
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "");
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_DATE), "00/00/00");
    const HeadRecord before = sim.Record(0);
    ASSERT_NO_FATAL_FAILURE(Run("50", "250", "100"));
    const ReportCall fits = dlg.reports.at(0);
    sim.ClearRequests();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    ASSERT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    EXPECT_TRUE(InOrder(Codes(), {103, 104}));
    HeadRecord after = sim.Record(0);
    const uint8_t* b = RecordBytes(after);
    EXPECT_EQ(TextAt(after, 1), "RVX-1-365");
    EXPECT_EQ(TextAt(after, 13), "S001001A");
    EXPECT_EQ(b[58], 255); // maximum PWM
    EXPECT_EQ(b[59], 80);  // maximum temperature
    EXPECT_EQ(LeF32(b + 64), 1.0f);
    EXPECT_EQ(b[83], 1);
    EXPECT_EQ(TextAt(after, 84), "Normal");
    EXPECT_EQ(LeF32(b + 304), 1.0f);
    ExpectOnlyBurnFieldsChanged(before, after);
    EXPECT_EQ(LeF32(b + 44), fits.photoToMw[1]);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_SERIAL), "S001001A"); // the head it burned
    EXPECT_EQ(dlg.GetDlgItemText(IDC_CAL_DATE), "07/04/19");

    // Another head is put on the channel: Burn keeps that head's own identity,
    // limits, temperature curve, entries and reserved bytes.
    Image other = ImageOf(after);
    std::memcpy(other.data() + 1, "RVX-2-420", 10);
    std::memcpy(other.data() + 13, "S777002B", 9);
    other[58] = 200;
    PutF32(other, 68, -1.0f);
    other[83] = 2;
    std::memcpy(other.data() + 106, "Deep\0", 5);
    PutF32(other, 308, 1.1f);
    other[350] = 0x5A;
    sim.SetRecord(0, RecordOf(other));
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    ASSERT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    after = sim.Record(0);
    EXPECT_EQ(TextAt(after, 13), "S777002B");
    ExpectOnlyBurnFieldsChanged(RecordOf(other), after);
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-2-420");
}

TEST_F(CalibSim, BurnRefusesEveryFloatItDoesNotSetThatIsNotFinite) {
    Image factory = ImageOf(sim.Record(0));
    // An erased head: every byte 0xFF, the first float Burn keeps is NaN.
    ui.AnswerBox(IDOK);
    ASSERT_TRUE(dlg.UserClick(IDC_ERASE_EEPROM));
    Image erased;
    erased.fill(0xFF);
    ASSERT_EQ(ImageOf(sim.Record(0)), erased);
    ASSERT_NO_FATAL_FAILURE(Run("50", "250", "100"));
    sim.ClearRequests();
    ui.ClearBoxes();
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Temperature a" + std::string(kNotFinite)});
    std::vector<int> codes = Codes();
    EXPECT_TRUE(InOrder(codes, {103}));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 104), 0);
    EXPECT_EQ(ImageOf(sim.Record(0)), erased);
    EXPECT_EQ(ImageOf(head.m_record), erased); // the head's record, nothing of Burn's

    // One field at a time in a record with all ten entries in use: the fields
    // Burn sets are replaced, every other one refused by its name.
    const float nan = std::bit_cast<float>(0xFFFFFFFFu);
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<std::pair<int, std::string>> cases = {{28, ""},
                                                      {32, ""},
                                                      {36, ""},
                                                      {40, ""},
                                                      {44, ""},
                                                      {48, ""},
                                                      {52, ""},
                                                      {60, "Temperature a"},
                                                      {64, "Temperature b"},
                                                      {68, "Temperature c"}};
    for (int e = 0; e < 10; ++e)
        cases.push_back({304 + 4 * e, "Factor in row " + std::to_string(e + 1)});
    factory[83] = 10;
    for (const auto& [offset, name] : cases) {
        SCOPED_TRACE(offset);
        Image image = factory;
        PutF32(image, offset, offset % 8 ? nan : -inf);
        sim.SetRecord(0, RecordOf(image));
        sim.ClearRequests();
        ASSERT_TRUE(dlg.UserClick(IDC_BURN));
        codes = Codes();
        if (!name.empty()) {
            EXPECT_EQ(ui.LastBox().text, name + kNotFinite);
            EXPECT_EQ(std::count(codes.begin(), codes.end(), 104), 0);
            EXPECT_EQ(ImageOf(sim.Record(0)), image);
        } else {
            EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
            EXPECT_TRUE(std::isfinite(LeF32(RecordBytes(sim.Record(0)) + offset)));
        }
    }
    // An entry beyond the count carries no meaning and is burned as it is.
    factory[83] = 1;
    PutF32(factory, 324, inf);
    sim.SetRecord(0, RecordOf(factory));
    ASSERT_TRUE(dlg.UserClick(IDC_BURN));
    EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    EXPECT_EQ(LeF32(RecordBytes(sim.Record(0)) + 324), inf);
}

TEST_F(CalibSim, AReportClosedDuringTheNextRunLeavesBurnNothingOfTheRunBefore) {
    ASSERT_NO_FATAL_FAILURE(Run("50", "250", "100")); // fits and their report: a result
    // Show Report over that run; the next run starts under it, and the report
    // is closed while that run goes on. The mode switch then stops it before
    // its fits.
    dlg.realReports = true;
    ui.OnModal(141, [&](CDialog&) {
        ASSERT_TRUE(dlg.UserClick(IDC_GO));
        FeedMeter(dlg.m_meter, MeterMicroWatts(), 10);
        ui.Advance(5000);
    });
    ASSERT_TRUE(dlg.UserClick(IDC_SHOW_REPORT));
    ASSERT_EQ(dlg.m_nPoints, 1);
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    ASSERT_FALSE(dlg.IsRunning());
    ExpectBurnRefused();
}

TEST_F(CalibSim, RunsThatWouldSendWhatAHeadMustNotGetAreRefusedBeforeAnythingIsSent) {
    const struct {
        bool check;
        const char *start, *stop, *box;
    } cases[] = {
        {false, "10", "-10", "The stop index must be between 0 and 255."},
        {false, "300", "5", "The start index must be between 0 and 255."},
        {false, "-1", "5", "The start index must be between 0 and 255."},
        {false, "10", "256", "The stop index must be between 0 and 255."},
        {true, "-5", "0.2", "The start intensity must be 0 mW/cm\xB2 or more."},
        {true, "10.0", "-0.2", "The stop intensity must be 0 mW/cm\xB2 or more."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.start) + ".." + c.stop);
        if (dlg.m_bCheckMode != c.check) {
            ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
        }
        ASSERT_NO_FATAL_FAILURE(Setup(c.start, c.stop, c.check ? "0.2" : "10"));
        sim.ClearRequests();
        ASSERT_TRUE(dlg.UserClick(IDC_GO));
        EXPECT_EQ(ui.LastBox().text, std::string(c.box) + " The run was not started.");
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_EQ(dlg.IsDlgButtonChecked(IDC_GO), BST_UNCHECKED);
        EXPECT_TRUE(Codes().empty());
    }
    // The ends of the range go out.
    ASSERT_TRUE(dlg.UserClick(IDC_CHECK_MODE));
    ASSERT_NO_FATAL_FAILURE(Setup("0", "255", "255"));
    RunToEnd(ui, dlg, [&] { return MeterMicroWatts(); });
    std::vector<std::vector<uint8_t>> indexes;
    for (const sim::Request& r : Sent())
        if (r.code == 98)
            indexes.push_back(r.payload);
    EXPECT_EQ(indexes, (std::vector<std::vector<uint8_t>>{{0, 0, 0}, {0, 0xFF, 0}}));
}

// ---- A point from readings that all came after its set point

TEST_F(CalibSim, APointIsTakenOnlyFromTenReadingsThatAllCameAfterItsSetPoint) {
    testing_support::PtyPair pty;
    ASSERT_NO_FATAL_FAILURE(OpenMeter(*this, pty));
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 10)); // 1 mW/cm² before the run
    ASSERT_NO_FATAL_FAILURE(Setup("50", "250", "100"));
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    // After the set point one more line of the light before, then eight of
    // the new level: stable, but not yet ten of the new light's.
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 1));
    ui.Advance(5000);
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 8, "0.0015000"));
    ui.Advance(1000);
    EXPECT_EQ(dlg.m_nPoints, 0);
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 1, "0.0015000"));
    ui.Advance(1000);
    ASSERT_EQ(dlg.m_nPoints, 1);
    EXPECT_EQ(dlg.m_meterMw[0], 1.5);
    // One line after the second set point, then the meter falls silent: no
    // point for it, and the fits have the first alone.
    ASSERT_NO_FATAL_FAILURE(SendLines(*this, pty, 1, "0.0015000"));
    ExpectStopForNoReadings(*this, 1);
    EXPECT_EQ(dlg.reports.at(0).setPoint, std::vector<double>{50.0});
    ASSERT_TRUE(dlg.UserClick(IDC_METER_OPEN));
}

} // namespace
} // namespace calib_test
