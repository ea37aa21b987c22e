// Message boxes raised on worker threads (a controller's read thread, the
// radiometer's listening thread): they block only that thread.
#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "platform/ui/Afx.h"
#include "platform/ui/Headless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace platform::ui;

namespace {

TEST(WorkerBoxes, BoxFromAnotherThreadIsAnsweredThereWithoutTheUiThread) {
    HeadlessBackend ui;
    ui.AnswerBox(IDCANCEL);
    std::atomic<int> answer{0};
    // The UI thread blocks on the worker (as a port's Close joins its read
    // thread) while the worker raises its box: no deadlock.
    std::thread worker(
        [&] { answer = platform::MessageBox("Port failed", "Application Error", MB_OKCANCEL); });
    worker.join();
    EXPECT_EQ(answer.load(), IDCANCEL);
    ASSERT_EQ(ui.BoxCount(), 1u);
    EXPECT_FALSE(ui.LastBox().uiThread);
    EXPECT_EQ(ui.LastBox().ownerTemplate, 0);
}

// A backend that, like a real toolkit, shows boxes only on the UI thread.
class UiOnlyBackend : public HeadlessBackend {
public:
    bool AnswersBoxesOnAnyThread() const override { return false; }
    int MessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                   unsigned flags) override {
        EXPECT_TRUE(IsUiThread());
        return HeadlessBackend::MessageBox(owner, text, caption, flags);
    }
};

TEST(WorkerBoxes, UiThreadShowsAWorkersBoxWhileItWaitsForThatWorker) {
    // The base class installed itself as answering anywhere; install again
    // so the UI-thread-only routing applies.
    UiOnlyBackend ui;
    InstallBackend(&ui);
    ui.AnswerBox(IDCANCEL);
    platform::ManualResetEvent done;
    int answer = 0;
    std::thread worker([&] {
        answer = platform::MessageBox("Port failed", "Application Error", MB_OKCANCEL);
        done.Set();
    });
    platform::WaitServicingMessageBoxes(done);
    worker.join();
    EXPECT_EQ(answer, IDCANCEL);
    ASSERT_EQ(ui.BoxCount(), 1u);
    EXPECT_TRUE(ui.LastBox().uiThread);
}

TEST(WorkerBoxes, PostedWakeUpShowsTheBoxFromTheEventLoop) {
    UiOnlyBackend ui;
    InstallBackend(&ui);
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = platform::MessageBox("late", "Debug", MB_OK); });
    // The UI thread's loop (here: Advance) runs the posted wake-up.
    while (ui.BoxCount() == 0) {
        ui.Advance(1);
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
}

} // namespace
