// Controller and head set-up against simulated controllers on ptys: which
// controllers and heads the program works with after each way out of the
// start-up search, binding by board serial, record reads, the log records.
#include "MainWindowFixture.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace mainwindow_test;

std::unique_ptr<sim::Controller> MakeController(const std::string& serial, int heads = 2) {
    sim::ControllerOptions o;
    o.board.boardSerial = serial;
    o.board.headCount = static_cast<uint8_t>(heads);
    return std::make_unique<sim::Controller>(o);
}

// Channels of the head-record reads a controller received, in order.
std::vector<int> RecordReads(const sim::Controller& c) {
    std::vector<int> channels;
    for (const auto& r : c.Requests())
        if (r.code == 103 && !r.payload.empty())
            channels.push_back(r.payload[0]);
    return channels;
}

class ControllerSetupTest : public MainWindowFixture<RecordingMainWindow> {
protected:
    // The start-up dialog's clean search: its close timer ends it with 0.
    void CleanSearch() {
        ui.OnModal(kStartUpTemplate, [this](CDialog&) { ui.Advance(2000); });
    }
    CControlBoard& Board(int j) { return dlg->m_pBoards[j]; }
    COpticalHead& Head(int i) { return dlg->m_pHeads[i]; }
};

TEST_F(ControllerSetupTest, CancelWithNothingFoundSimulatesOneControllerWithTwoHeads) {
    ui.OnModal(kStartUpTemplate, IDCANCEL);
    OpenWindow(MakeConfig(2, {{1, "AAA", 100, 200}, {0, "BBB", 300, 150}, {0, "CCC", 5, 5}}));
    ASSERT_TRUE(dlg->m_bDemo);
    ASSERT_EQ(dlg->m_nBoards, 1);
    EXPECT_FALSE(Board(0).m_bOpen);
    EXPECT_TRUE(Board(0).m_bDemo);
    EXPECT_EQ(Board(0).m_strPort, "");
    EXPECT_EQ(Board(0).m_strBoardSerial, "AAA"); // from entry 0
    const char* serials[] = {"0906011", "0906012"};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Head(i).m_pBoard, &Board(0));
        EXPECT_EQ(Head(i).m_bPresent, 1);
        EXPECT_EQ(Head(i).m_strSerial, serials[i]);
        EXPECT_EQ(Head(i).m_strModel, "RVX-1-420");
        EXPECT_EQ(Head(i).m_strCalDate, "10/01/06");
        EXPECT_EQ(Head(i).m_record.enableCalibration, 1);
        EXPECT_EQ(dlg->m_log.m_heads[i].present, 1);
        EXPECT_EQ(dlg->m_log.m_heads[i].serial, serials[i]);
        EXPECT_EQ(dlg->m_log.m_heads[i].model, "RVX-1-420");
        EXPECT_EQ(dlg->m_log.m_heads[i].calDate, "10/01/06");
    }
    EXPECT_EQ(Head(0).m_nChannel, 1);
    EXPECT_EQ(Head(1).m_nChannel, 0);
    EXPECT_EQ(Head(0).m_nX, 100);
    EXPECT_EQ(Head(0).m_nY, 200);
    EXPECT_EQ(Head(1).m_nX, 300);
    EXPECT_EQ(Head(1).m_nY, 150);
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(dlg->m_log.m_heads[i].present, 0);
    // No controller: the switches start unchecked.
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_EXTERNAL_TRIGGER), 0u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_PERSISTENCE), 0u);
}

TEST_F(ControllerSetupTest, CancelAfterAControllerWithoutHeadsRunsForReal) {
    auto c = MakeController("01001001", 0);
    WriteComList({c->SlavePath()});
    ui.OnModal(kStartUpTemplate, IDCANCEL); // the search left the dialog open
    OpenWindow(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}));
    EXPECT_FALSE(dlg->m_bDemo);
    ASSERT_EQ(dlg->m_nBoards, 1);
    EXPECT_TRUE(Board(0).m_bOpen);
    EXPECT_FALSE(Board(0).m_bDemo);
    EXPECT_EQ(RecordReads(*c), (std::vector<int>{0, 1}));
    EXPECT_EQ(Head(0).m_bPresent, 1);
    EXPECT_EQ(Head(1).m_strModel, "RVX-1-395");
}

TEST_F(ControllerSetupTest, CancelAfterAConnectionFailureSimulatesTheListedControllers) {
    WriteComList(
        {"/nonexistent/a", "/nonexistent/b", "/nonexistent/c", "/nonexistent/d", "/nonexistent/e"});
    ui.OnModal(kStartUpTemplate, IDCANCEL);
    OpenWindow(MakeConfig(6, {{0, "S1", 0, 0},
                              {1, "S1", 0, 0},
                              {0, "S2", 0, 0},
                              {1, "S1", 0, 0},
                              {0, "S3", 0, 0},
                              {1, "XX", 0, 0},
                              {0, "S4", 0, 0},
                              {1, "S4", 0, 0},
                              {0, "S5", 0, 0},
                              {1, "S2", 0, 0}}));
    ASSERT_TRUE(dlg->m_bDemo);
    ASSERT_EQ(dlg->m_nBoards, 5);
    const char* boardSerials[] = {"S1", "S2", "S3", "S4", "S5"};
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(Board(j).m_strBoardSerial, boardSerials[j]);
        EXPECT_TRUE(Board(j).m_bDemo);
    }
    const int boundTo[] = {0, 0, 1, 0, 2, -1, 3, 3, 4, 1};
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        if (boundTo[i] < 0) {
            EXPECT_EQ(Head(i).m_pBoard, nullptr);
            EXPECT_EQ(Head(i).m_bPresent, 0);
            EXPECT_EQ(Head(i).m_strSerial, "");
            continue;
        }
        EXPECT_EQ(Head(i).m_pBoard, &Board(boundTo[i]));
        EXPECT_EQ(Head(i).m_bPresent, 1);
        EXPECT_EQ(Head(i).m_strSerial, "09060" + std::to_string(11 + i));
    }
    EXPECT_EQ(dlg->m_log.m_heads[5].present, 0);
    EXPECT_EQ(dlg->m_log.m_heads[5].serial, "");
    EXPECT_EQ(dlg->m_log.m_heads[7].serial, "0906018");
}

TEST_F(ControllerSetupTest, OneControllerTakesEveryHeadWhateverItsSerial) {
    auto c = MakeController("01001001");
    WriteComList({c->SlavePath()});
    CleanSearch();
    OpenWindow(MakeConfig(2, {{1, "ZZZ", 10, 10}, {0, "YYY", 60, 10}}));
    ASSERT_FALSE(dlg->m_bDemo);
    ASSERT_EQ(dlg->m_nBoards, 1);
    EXPECT_EQ(RecordReads(*c), (std::vector<int>{1, 0}));
    EXPECT_EQ(Head(0).m_pBoard, &Board(0));
    EXPECT_EQ(Head(1).m_pBoard, &Board(0));
    EXPECT_EQ(Head(0).m_strModel, "RVX-1-395"); // channel B's record
    EXPECT_EQ(Head(1).m_strModel, "RVX-1-365");
    EXPECT_EQ(dlg->m_log.m_heads[0].model, "RVX-1-395");
    EXPECT_EQ(dlg->m_log.m_heads[0].calDate, "01/15/24");
    EXPECT_EQ(dlg->m_log.m_heads[1].present, 1);
}

TEST_F(ControllerSetupTest, TwoControllersBindByTheirFullSerials) {
    auto c1 = MakeController("01001001");
    auto c2 = MakeController("02002002");
    BoardInfo b = c1->Board();
    b.externalTrigger = true;
    c1->SetBoard(b);
    WriteComList({c1->SlavePath(), c2->SlavePath()});
    CleanSearch();
    // Eight-character serials fill their field without a terminator.
    OpenWindow(MakeConfig(4, {{0, "01001001", 10, 10},
                              {1, "02002002", 60, 10},
                              {0, "99999999", 110, 10},
                              {0, "02002002", 160, 10}}));
    ASSERT_FALSE(dlg->m_bDemo);
    ASSERT_EQ(dlg->m_nBoards, 2);
    EXPECT_EQ(RecordReads(*c1), std::vector<int>{0});
    EXPECT_EQ(RecordReads(*c2), (std::vector<int>{1, 0}));
    EXPECT_EQ(Head(1).m_pBoard, &Board(1));
    EXPECT_EQ(Head(3).m_pBoard, &Board(1));
    EXPECT_EQ(Head(2).m_pBoard, nullptr);
    EXPECT_EQ(Head(2).m_bPresent, 0);
    EXPECT_EQ(dlg->m_log.m_heads[2].present, 0);
    EXPECT_EQ(dlg->m_log.m_heads[1].present, 1);
    EXPECT_EQ(dlg->m_log.m_heads[1].serial, "S002002B");
    // The switches follow the first controller's board information.
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_EXTERNAL_TRIGGER), 1u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_PERSISTENCE), 0u);
}

TEST_F(ControllerSetupTest, AHeadThatDoesNotAnswerItsRecordReadIsNotPresent) {
    auto c = MakeController("01001001");
    WriteComList({c->SlavePath()});
    ui.OnModal(kStartUpTemplate, [&](CDialog&) {
        c->DropReplies(1);
        ui.Advance(2000);
    });
    OpenWindow(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}));
    EXPECT_EQ(Head(0).m_bPresent, 0);
    EXPECT_EQ(Head(0).m_pBoard, &Board(0)); // still bound: commands go out
    EXPECT_EQ(Head(1).m_bPresent, 1);
    EXPECT_EQ(dlg->m_log.m_heads[0].present, 0);
    EXPECT_EQ(dlg->m_log.m_heads[1].present, 1);
}

TEST_F(ControllerSetupTest, CancelDuringTheCloseDelaySimulatesWithTheOpenControllers) {
    auto c = MakeController("01001001");
    WriteComList({c->SlavePath()});
    ui.OnModal(kStartUpTemplate, IDCANCEL);
    OpenWindow(MakeConfig(2, {{0, "77777777", 10, 10}, {1, "01001001", 60, 10}}));
    ASSERT_TRUE(dlg->m_bDemo);
    ASSERT_EQ(dlg->m_nBoards, 1);
    EXPECT_TRUE(Board(0).m_bOpen);
    EXPECT_TRUE(Board(0).m_bDemo);
    EXPECT_EQ(Board(0).m_strBoardSerial, "77777777");
    EXPECT_EQ(Head(0).m_strSerial, "0906011");
    EXPECT_EQ(Head(1).m_strSerial, "0906012");
    EXPECT_EQ(Head(1).m_pBoard, &Board(0));
    // Only the board-information read went out; requests are held back from now on.
    const size_t before = c->RequestCount();
    dlg->UserType(ids102::IDC_MANUAL, "12.5");
    dlg->UserClick(ids102::IDC_SET);
    EXPECT_EQ(dlg->IndicatorText(0), "12.5");
    dlg->UserClick(ids102::IDC_OFF);
    dlg->UserClick(ids102::IDC_PERSISTENCE);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(c->RequestCount(), before);
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(ControllerSetupTest, ExitApplicationEndsTheMainWindow) {
    auto c = MakeController("01001001");
    WriteComList({c->SlavePath()});
    ui.OnModal(kStartUpTemplate, CStartUp::kExitApplication);
    OpenWindow(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}));
    EXPECT_TRUE(dlg->IsEnded());
    EXPECT_EQ(dlg->Result(), IDCANCEL);
    ASSERT_EQ(dlg->m_nBoards, 1);
    EXPECT_TRUE(dlg->m_bDemo);
    EXPECT_FALSE(Board(0).m_bOpen); // a fresh simulated controller, not the one found
    EXPECT_EQ(Head(0).m_strSerial, "0906011");
    EXPECT_TRUE(RecordReads(*c).empty());
}

TEST_F(ControllerSetupTest, AHeadWithoutCalibrationStartsInIndexMode) {
    auto c = MakeController("01001001");
    HeadRecord r = c->Record(1);
    r.enableCalibration = 0;
    c->SetRecord(1, r);
    WriteComList({c->SlavePath()});
    CleanSearch();
    OpenWindow(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}));
    EXPECT_FALSE(dlg->GetDlgItem(ids102::IDC_CALIBRATED_MODE)->IsEnabled());
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_CALIBRATED_MODE), 0u);
    EXPECT_EQ(dlg->IsDlgButtonChecked(ids102::IDC_INDEX_MODE), 1u);
    EXPECT_EQ(dlg->GetDlgItemText(ids102::IDC_UNIT), "Index");
    EXPECT_EQ(dlg->IndicatorText(0), "  0");
    EXPECT_EQ(dlg->m_listSteps.GetItemCount(), 0);
    // Two positions: one off command for both channels.
    auto reqs = c->Requests();
    ASSERT_FALSE(reqs.empty());
    EXPECT_EQ(reqs.back().code, 100);
    EXPECT_EQ(reqs.back().payload, std::vector<uint8_t>{2});
}

TEST_F(ControllerSetupTest, ClosingTheWindowSendsNothing) {
    auto c = MakeController("01001001");
    WriteComList({c->SlavePath()});
    CleanSearch();
    OpenWindow(MakeConfig(2, {{0, "01001001", 10, 10}, {1, "01001001", 60, 10}}));
    dlg->UserType(ids102::IDC_MANUAL, "20");
    dlg->UserClick(ids102::IDC_SET);
    ASSERT_TRUE(c->WaitForRequests(4, 10000)); // 110, 103, 103, 97
    const size_t before = c->RequestCount();
    open.reset();
    dlg.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(c->RequestCount(), before);
    EXPECT_NEAR(c->Channel(0).index, 20, 1); // the light stays on
}

} // namespace
