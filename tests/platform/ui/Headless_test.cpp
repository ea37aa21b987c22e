// The headless backend: virtual clock and timers, scripted modal runs, boxes
// and file dialogs, boxes from other threads.
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/ui/Afx.h"
#include "platform/ui/Headless.h"
#include "tests/support/Gallery.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace platform::ui;

namespace {

struct Fire {
    uint64_t time;
    int dialog;
    uintptr_t id;
    bool operator==(const Fire&) const = default;
};
void PrintTo(const Fire& f, std::ostream* os) {
    *os << "{" << f.time << "ms " << f.dialog << " #" << f.id << "}";
}

// A dialog that arms the timers it is given and logs each expiry.
class Ticker : public CDialog {
public:
    Ticker(HeadlessBackend& ui, std::vector<Fire>& log, int templateId, CDialog* parent = nullptr)
        : CDialog(templateId, parent), m_ui(ui), m_log(log) {}
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        for (auto [id, ms] : timers)
            SetTimer(id, ms);
        return TRUE;
    }
    void OnTimer(uintptr_t id) override {
        m_log.push_back({m_ui.Now(), TemplateId(), id});
        if (onTimer)
            onTimer(id);
    }
    std::vector<std::pair<uintptr_t, unsigned>> timers;
    std::function<void(uintptr_t)> onTimer;

private:
    HeadlessBackend& m_ui;
    std::vector<Fire>& m_log;
};

const DialogTemplate kChild{
    9002,
    "Child",
    100,
    40,
    {"MS Shell Dlg", 8, 400},
    0,
    0,
    0,
    {{1, ControlKind::PushButton, "OK", {5, 5, 40, 14}, style::DefaultButton}}};

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddTemplate(testing_support::GalleryTemplate());
        AddTemplate(kChild);
    }
    void TearDown() override {
        RemoveTemplate(9000);
        RemoveTemplate(9002);
    }
    HeadlessBackend ui;
    std::vector<Fire> log;
};

TEST_F(HeadlessTest, TimersFireInTimeOrderAndStopWhenKilled) {
    Ticker dlg(ui, log, 9000);
    dlg.timers = {{11, 1000}, {10, 2500}, {1, 1000}};
    OpenDialog open(dlg);
    ui.Advance(999);
    EXPECT_TRUE(log.empty()); // nothing before its time
    ui.Advance(1);
    // Same due time: the timer armed first fires first.
    EXPECT_EQ(log, (std::vector<Fire>{{1000, 9000, 11}, {1000, 9000, 1}}));
    log.clear();
    ui.Advance(2000);
    EXPECT_EQ(log, (std::vector<Fire>{{2000, 9000, 11},
                                      {2000, 9000, 1},
                                      {2500, 9000, 10},
                                      {3000, 9000, 11},
                                      {3000, 9000, 1}}));
    log.clear();
    EXPECT_TRUE(dlg.KillTimer(11));
    EXPECT_FALSE(dlg.KillTimer(11));
    dlg.SetTimer(1, 200); // re-arming restarts with the new period
    EXPECT_EQ(ui.DueTime(dlg, 1), 3200u);
    ui.Advance(500);
    EXPECT_EQ(log, (std::vector<Fire>{{3200, 9000, 1}, {3400, 9000, 1}}));
    EXPECT_EQ(ui.Now(), 3500u);
}

TEST_F(HeadlessTest, TimersHeldUpFireLateOnceThenKeepTheirPeriod) {
    Ticker dlg(ui, log, 9000);
    dlg.timers = {{1, 1000}, {2, 2500}};
    OpenDialog open(dlg);
    ui.Hold(3700); // the UI thread busy: nothing fires meanwhile
    EXPECT_TRUE(log.empty());
    ui.Advance(0);
    EXPECT_EQ(log, (std::vector<Fire>{{3700, 9000, 1}, {3700, 9000, 2}}));
    log.clear();
    ui.Advance(1300);
    EXPECT_EQ(log, (std::vector<Fire>{{4000, 9000, 1}, {5000, 9000, 1}, {5000, 9000, 2}}));
}

TEST_F(HeadlessTest, HandlerMayKillItsOwnTimerAndArmAnother) {
    Ticker dlg(ui, log, 9000);
    dlg.timers = {{10, 3000}};
    dlg.onTimer = [&](uintptr_t id) {
        if (id == 10) {
            dlg.KillTimer(10);
            dlg.SetTimer(11, 1000);
        }
    };
    OpenDialog open(dlg);
    ui.Advance(5000);
    EXPECT_EQ(log, (std::vector<Fire>{{3000, 9000, 10}, {4000, 9000, 11}, {5000, 9000, 11}}));
}

TEST_F(HeadlessTest, ParentTimersFireUnderAChildDialogAndABox) {
    Ticker parent(ui, log, 9000);
    parent.timers = {{10, 1000}};
    Ticker child(ui, log, 9002, &parent);
    child.timers = {{4, 1500}};
    parent.MapCommand(2040, BN_CLICKED, [&] {
        child.DoModal();
        parent.MessageBox("Press OK to continue.", "Awaiting User Interaction", MB_OK);
    });
    ui.OnModal(
        9002, [&](CDialog&) { ui.Advance(3000); }, IDOK);
    ui.AnswerBox(IDOK, [&](const HeadlessBackend::Box& box) {
        EXPECT_EQ(box.ownerTemplate, 9000);
        ui.Advance(1000);
    });

    OpenDialog open(parent);
    ASSERT_TRUE(parent.UserClick(2040));
    // At 3000 both are due: the parent's timer was armed first.
    EXPECT_EQ(log, (std::vector<Fire>{{1000, 9000, 10},
                                      {1500, 9002, 4},
                                      {2000, 9000, 10},
                                      {3000, 9000, 10},
                                      {3000, 9002, 4},
                                      {4000, 9000, 10}}));
    ASSERT_EQ(ui.Runs().size(), 1u);
    EXPECT_EQ(ui.Runs()[0].result, IDOK);
    EXPECT_EQ(ui.Boxes().at(0).time, 3000u);
    // The child's timers died with it.
    log.clear();
    ui.Advance(1500);
    EXPECT_EQ(log, (std::vector<Fire>{{5000, 9000, 10}}));
}

TEST_F(HeadlessTest, TimersOfAnEndedDialogNoLongerFire) {
    Ticker dlg(ui, log, 9000);
    dlg.timers = {{1, 100}};
    dlg.onTimer = [&](uintptr_t) { dlg.EndDialog(IDOK); };
    ui.OnModal(9000, [&](CDialog&) { ui.Advance(1000); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(HeadlessTest, ScriptsAreTakenInOrderAndUnscriptedRunsCancel) {
    Ticker dlg(ui, log, 9002);
    ui.OnModal(9002, IDOK);
    ui.OnModal(
        9002, [](CDialog& d) { d.UserPressEnter(); }, IDCANCEL);
    EXPECT_EQ(ui.PendingScripts(), 2u);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK); // Enter ended it before the script's code applied
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(ui.UnscriptedRuns(), 1);
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_TRUE(ui.OpenDialogs().empty());
}

TEST_F(HeadlessTest, EndDialogDuringInitSkipsTheLoop) {
    Ticker dlg(ui, log, 9002);
    dlg.timers = {{1, 10}};
    ui.OnModal(9002, [](CDialog&) { ADD_FAILURE() << "loop ran"; });
    struct Ender : Ticker {
        using Ticker::Ticker;
        BOOL OnInitDialog() override {
            Ticker::OnInitDialog();
            EndDialog(1000);
            return TRUE;
        }
    } ender(ui, log, 9002);
    EXPECT_EQ(ender.DoModal(), 1000);
    EXPECT_EQ(ui.PendingScripts(), 1u);
}

TEST_F(HeadlessTest, BoxesAreRecordedAndAnsweredByScriptOrDefault) {
    platform::SetApplicationName("Sorvane");
    EXPECT_EQ(AfxMessageBox("Invalid Password."), IDOK);
    EXPECT_EQ(AfxMessageBox("Sure?", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
    ui.AnswerBox(IDOK);
    EXPECT_EQ(platform::MessageBox("Sure?", "Debug", MB_OKCANCEL), IDOK);
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{"Invalid Password.", "Sure?", "Sure?"}));
    auto boxes = ui.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "Sorvane");
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONEXCLAMATION); // no icon asked: exclamation
    EXPECT_EQ(boxes[1].flags, MB_OKCANCEL | MB_ICONQUESTION);
    EXPECT_EQ(boxes[2].caption, "Debug");
    EXPECT_TRUE(boxes[2].uiThread);
    ui.ClearBoxes();
    EXPECT_EQ(ui.BoxCount(), 0u);
}

TEST_F(HeadlessTest, FileDialogsAreRecordedAndAnswered) {
    ui.AnswerFile("/tmp/run.profile");
    ui.CancelFile();
    CFileDialog open(true, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                     "RVX Profiles (*.profile)|*.profile|All Files (*.*)|*.*||");
    open.m_ofn.lpstrTitle = "Open Profile";
    EXPECT_EQ(open.DoModal(), IDOK);
    EXPECT_EQ(open.GetPathName(), "/tmp/run.profile");
    EXPECT_EQ(open.GetFileName(), "run.profile");
    CFileDialog save(false, "dsc", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     "RVX Profiles (*.profile)|*.profile|All Files (*.*)|*.*||");
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    EXPECT_EQ(save.GetPathName(), "");
    EXPECT_EQ(save.DoModal(), IDCANCEL); // nothing queued: cancel
    // The default extension completes a name without one, as the Qt dialog does.
    ui.AnswerFile("/tmp/run");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/run.dsc");
    ui.AnswerFile("/tmp/run.profile");
    ASSERT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/run.profile");
    ASSERT_EQ(ui.FileDialogs().size(), 5u);
    const FileDialogRequest& r0 = ui.FileDialogs()[0];
    EXPECT_TRUE(r0.open);
    EXPECT_TRUE(r0.MustExist());
    EXPECT_EQ(r0.title, "Open Profile");
    EXPECT_EQ(r0.filters.size(), 2u);
    const FileDialogRequest& r1 = ui.FileDialogs()[1];
    EXPECT_FALSE(r1.open);
    EXPECT_TRUE(r1.OverwritePrompt());
    EXPECT_EQ(r1.defaultExt, "dsc");
}

} // namespace

namespace {

TEST(Install, BackendPutsNumbersBackIntoTheCLocale) {
    if (!std::setlocale(LC_NUMERIC, "C.utf8"))
        GTEST_SKIP() << "no second locale to switch to";
    HeadlessBackend ui;
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_EQ(GetBackend(), &ui);
}

TEST(Install, DialogLeftOpenOutlivesItsBackend) {
    AddTemplate(testing_support::GalleryTemplate());
    CDialog dlg(9000);
    {
        HeadlessBackend ui;
        ASSERT_TRUE(dlg.Create());
    }
    EXPECT_FALSE(dlg.IsOpen()); // closed by the backend on its way out
    RemoveTemplate(9000);
}

TEST(Install, BackendsNestAndRestore) {
    HeadlessBackend outer;
    {
        HeadlessBackend inner;
        EXPECT_EQ(GetBackend(), &inner);
        AfxMessageBox("inner");
    }
    EXPECT_EQ(GetBackend(), &outer);
    AfxMessageBox("outer");
    EXPECT_EQ(outer.BoxTexts(), std::vector<std::string>{"outer"});
}

} // namespace
