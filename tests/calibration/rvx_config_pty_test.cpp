// The head configuration dialog against a simulated controller on a real
// pseudo-terminal: a record edited on head A, saved, opened into head B and
// burned reads back from the head byte for byte, also after the simulator
// has been restarted on the same state folder.
#include "calibration/RVX_Config.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog136Ids.h"
#include "tests/support/TempDir.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;
using testing_support::TempDir;
using namespace ids136;

namespace {

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<uint8_t> Bytes(const HeadRecord& r) {
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    return {p, p + 360};
}

// One simulated controller with both heads, its records kept in `stateDir`,
// and a controller object of the program opened on it.
struct Bench {
    explicit Bench(const std::string& stateDir) : sim(Options(stateDir)) {
        EXPECT_EQ(board.Open(sim.SlavePath().c_str(), 115200, 1000), SERIAL_OK);
        for (int ch = 0; ch < 2; ++ch) {
            heads[ch].m_pBoard = &board;
            heads[ch].m_nChannel = ch;
        }
    }
    static sim::ControllerOptions Options(const std::string& stateDir) {
        sim::ControllerOptions o;
        o.noiseCounts = 0.0;
        o.stateDir = stateDir;
        return o;
    }
    sim::Controller sim;
    CControlBoard board;
    COpticalHead heads[2];
};

TEST(RvxConfigOnController, EditedRecordSavedOpenedIntoAnotherHeadAndBurnedReadsBack) {
    platform::SetApplicationName("sorvane");
    HeadlessBackend ui;
    TempDir state("rvx-state"), files("rvx-files");
    const std::string path = files.Path() + "/head-a.rvx";
    std::vector<uint8_t> saved;
    {
        Bench bench(state.Path());
        const std::vector<uint8_t> headBBefore = Bytes(bench.sim.Record(1));

        // Head A: edit a few fields and save.
        {
            RVX_Config dlg;
            dlg.m_pHead = &bench.heads[0];
            OpenDialog open(dlg);
            EXPECT_TRUE(ui.BoxTexts().empty()) << ui.LastBox().text;
            EXPECT_EQ(bench.heads[0].m_bPresent, 1);
            EXPECT_EQ(Bytes(bench.heads[0].m_record), Bytes(bench.sim.Record(0)));
            dlg.UserType(IDC_MODEL, "RVX-7-395");
            dlg.UserType(IDC_SERIAL, "SN-4711");
            dlg.UserType(IDC_PHOTO_A, "0.5");
            dlg.UserType(IDC_MAX_PWM, "300");
            dlg.UserClick(IDC_CHANNEL_B);
            dlg.UserClick(IDC_LCD_XX_XXX);
            dlg.UserClick(IDC_MULTI_CAL5_CHECK); // row 5
            dlg.UserType(IDC_MULTI_CAL5_NAME, "Diffuser");
            dlg.UserType(IDC_MULTI_CAL5_FACTOR, "0.875");
            ui.AnswerFile(path);
            dlg.UserClick(IDC_SAVE);
        }
        saved = FileBytes(path);
        ASSERT_EQ(saved.size(), 360u);
        EXPECT_EQ(std::memcmp(saved.data() + 1, "RVX-7-395\0", 10), 0);
        EXPECT_EQ(std::memcmp(saved.data() + 13, "SN-4711\0", 8), 0);
        EXPECT_EQ(std::vector<uint8_t>(saved.begin() + 40, saved.begin() + 44),
                  (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x3F})); // 0.5f
        EXPECT_EQ(saved[58], 44);
        EXPECT_EQ(saved[73], 1);
        EXPECT_EQ(saved[82], 3);
        EXPECT_EQ(Bytes(bench.sim.Record(1)), headBBefore); // nothing burned yet

        // Head B: open the file and burn it.
        ui.ClearBoxes();
        {
            RVX_Config dlg;
            dlg.m_pHead = &bench.heads[1];
            OpenDialog open(dlg);
            ui.AnswerFile(path);
            dlg.UserClick(IDC_OPEN);
            EXPECT_EQ(dlg.GetDlgItemText(IDC_SERIAL), "SN-4711");
            dlg.UserClick(IDC_BURN);
            EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
        }
        std::vector<uint8_t> burned = saved;
        burned[0] = 'V';
        EXPECT_EQ(Bytes(bench.sim.Record(1)), burned);
        EXPECT_EQ(Bytes(bench.heads[1].m_record), burned);
        saved = burned;
    }

    // A new simulator on the same state folder: the head still holds the
    // record, and the dialog reads it back whole.
    Bench again(state.Path());
    ui.ClearBoxes();
    bool read = false;
    for (int attempt = 0; attempt < 3 && !read; ++attempt) {
        again.heads[1].m_record = HeadRecord{};
        read = again.heads[1].ReadRecord();
    }
    ASSERT_TRUE(read);
    EXPECT_EQ(Bytes(again.heads[1].m_record), saved);
    RVX_Config dlg;
    dlg.m_pHead = &again.heads[1];
    OpenDialog open(dlg);
    EXPECT_TRUE(ui.BoxTexts().empty()) << ui.LastBox().text;
    EXPECT_EQ(dlg.GetDlgItemText(IDC_MODEL), "RVX-7-395");
    // Row 5 was packed behind the rows checked before it.
    const int last = saved[83] - 1;
    ASSERT_TRUE(last >= 0 && last < 10);
    EXPECT_EQ(dlg.GetDlgItemText(kMultiCalName[last]), "Diffuser");
    EXPECT_EQ(dlg.GetDlgItemText(kMultiCalFactor[last]), "0.875000");
}

TEST(RvxConfigOnController, SilentHeadIsReportedMissingAndItsBurnUnacknowledged) {
    platform::SetApplicationName("sorvane");
    HeadlessBackend ui;
    TempDir state("rvx-state");
    Bench bench(state.Path());
    bench.sim.DropReplies(1);
    RVX_Config dlg;
    dlg.m_pHead = &bench.heads[0];
    OpenDialog open(dlg);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"RVX does not exist"});
    EXPECT_EQ(bench.heads[0].m_bPresent, 0);
    // The DAC read the burn waits for goes unanswered: the burn is never sent.
    bench.sim.DropReplies(1);
    dlg.UserClick(IDC_BURN);
    EXPECT_EQ(ui.LastBox().text, "Burn command never acknowledged.");
    EXPECT_EQ(bench.heads[0].m_record.marker, 'V');
    EXPECT_NE(bench.sim.Requests().back().code, 104);
    // Sent, and never acknowledged.
    bench.sim.SetCodeReplyDelay(104, -1);
    ui.ClearBoxes();
    dlg.UserClick(1043);
    EXPECT_EQ(bench.sim.Requests().back().code, 104);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"Burn command never acknowledged."});
}

TEST(RvxConfigOnController, NumbersBeyondFloatRangeAreNeverBurned) {
    platform::SetApplicationName("sorvane");
    HeadlessBackend ui;
    TempDir state("rvx-state");
    Bench bench(state.Path());
    const std::vector<uint8_t> before = Bytes(bench.sim.Record(0));
    RVX_Config dlg;
    dlg.m_pHead = &bench.heads[0];
    OpenDialog open(dlg);
    ASSERT_EQ(bench.heads[0].m_bPresent, 1);
    auto burns = [&] {
        int n = 0;
        for (const sim::Request& r : bench.sim.Requests())
            n += r.code == 104 ? 1 : 0;
        return n;
    };

    const struct {
        int id;
        const char* text;
        const char* box;
    } cases[] = {
        {IDC_PHOTO_A, "1e39", "Photo-to-mW a is not a valid number. Nothing was burned."},
        {IDC_INDEX_C, "-1e39", "mW-to-Index c is not a valid number. Nothing was burned."},
        {IDC_AVG_STEP, "1e39", "Average step is not a valid number. Nothing was burned."},
        {IDC_TEMP_B, "1e400", "Temperature b is not a valid number. Nothing was burned."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const std::string kept = dlg.GetDlgItemText(c.id);
        dlg.UserType(c.id, c.text);
        ui.ClearBoxes();
        dlg.UserClick(IDC_BURN);
        EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{c.box});
        EXPECT_EQ(dlg.FocusedControl(), dlg.GetDlgItem(c.id));
        EXPECT_EQ(burns(), 0);
        EXPECT_EQ(Bytes(bench.sim.Record(0)), before);
        dlg.UserType(c.id, kept);
    }

    // A checked row's factor is stored, an unchecked row's is not.
    dlg.CheckDlgButton(IDC_MULTI_CAL1_CHECK, BST_CHECKED);
    dlg.UserType(IDC_MULTI_CAL1_NAME, "Filter");
    dlg.UserType(IDC_MULTI_CAL1_FACTOR, "1e39");
    ui.ClearBoxes();
    dlg.UserClick(IDC_BURN);
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                 "Factor in row 1 is not a valid number. Nothing was burned."});
    EXPECT_EQ(burns(), 0);
    dlg.CheckDlgButton(IDC_MULTI_CAL1_CHECK, BST_UNCHECKED);
    dlg.UserType(IDC_PHOTO_A, "0.5");
    ui.ClearBoxes();
    dlg.UserClick(IDC_BURN);
    EXPECT_EQ(ui.LastBox().text.rfind("Burn Complete in ", 0), 0u) << ui.LastBox().text;
    EXPECT_EQ(burns(), 1);
    const std::vector<uint8_t> burned = Bytes(bench.sim.Record(0));
    EXPECT_EQ(std::vector<uint8_t>(burned.begin() + 40, burned.begin() + 44),
              (std::vector<uint8_t>{0x00, 0x00, 0x00, 0x3F})); // 0.5f
}

} // namespace
