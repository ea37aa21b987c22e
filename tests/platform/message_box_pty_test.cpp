// Boxes raised on worker threads while another thread owns the boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/Event.h"
#include "platform/MessageBox.h"

using platform::ManualResetEvent;

namespace {

// Records the thread each box was shown on.
struct Shown {
    std::mutex mutex;
    std::vector<std::pair<std::string, std::thread::id>> boxes;
};

class MessageBoxOwner : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMessageBoxSink([this](const char* text, const char*, unsigned) {
            std::lock_guard<std::mutex> lock(shown.mutex);
            shown.boxes.emplace_back(text, std::this_thread::get_id());
            return platform::IDCANCEL;
        });
    }
    void TearDown() override {
        platform::ReleaseMessageBoxOwner();
        platform::SetMessageBoxSink(nullptr);
    }
    Shown shown;
};

} // namespace

TEST_F(MessageBoxOwner, WorkerBoxIsShownOnTheOwnerWhileItWaitsForTheWorker) {
    std::atomic<int> wakes{0};
    platform::SetMessageBoxOwner([&] { ++wakes; });
    ManualResetEvent done;
    int result = 0;
    std::thread worker([&] {
        result = platform::MessageBox("from worker", "Debug", platform::MB_OK);
        done.Set();
    });
    // Without the servicing wait, this would wait forever for a box nobody shows.
    platform::WaitServicingMessageBoxes(done);
    worker.join();
    EXPECT_EQ(result, platform::IDCANCEL);
    EXPECT_GE(wakes.load(), 1);
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].first, "from worker");
    EXPECT_EQ(shown.boxes[0].second, std::this_thread::get_id());
}

TEST_F(MessageBoxOwner, ServicePendingShowsQueuedBoxesInOrder) {
    ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });
    std::vector<int> results(3, 0);
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            results[i] = platform::MessageBox(("box " + std::to_string(i)).c_str(), "", 0);
    });
    int total = 0;
    while (total < 3) {
        ASSERT_TRUE(queued.Wait(10000));
        queued.Reset();
        total += platform::ServicePendingMessageBoxes();
    }
    worker.join();
    ASSERT_EQ(shown.boxes.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shown.boxes[i].first, "box " + std::to_string(i));
        EXPECT_EQ(results[i], platform::IDCANCEL);
    }
    // On the owner thread itself a box is shown directly.
    EXPECT_EQ(platform::MessageBox("own", "", 0), platform::IDCANCEL);
    EXPECT_EQ(shown.boxes.back().second, std::this_thread::get_id());
}

TEST_F(MessageBoxOwner, ReleasedOwnerLetsWaitingBoxesShowOnTheirOwnThread) {
    ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });
    std::thread::id workerId;
    int result = 0;
    std::thread worker([&] {
        workerId = std::this_thread::get_id();
        result = platform::MessageBox("orphan", "", 0);
    });
    ASSERT_TRUE(queued.Wait(10000));
    platform::ReleaseMessageBoxOwner();
    worker.join();
    EXPECT_EQ(result, platform::IDCANCEL);
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].second, workerId);
    // Another thread's service call does nothing.
    EXPECT_EQ(platform::ServicePendingMessageBoxes(), 0);
}

TEST_F(MessageBoxOwner, APostedBoxReturnsAtOnceWithItsTextsCopiedAndTellsWhenClosed) {
    ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });
    std::thread::id closedOn;
    int closings = 0;
    std::thread worker([&] {
        char text[] = "posted";
        platform::PostMessageBox(text, "Debug", platform::MB_OK, [&] {
            closedOn = std::this_thread::get_id();
            ++closings;
        });
        std::strcpy(text, "gone!!"); // the raiser's buffer changes once the call returns
        // Returned without the owner having shown anything.
        EXPECT_TRUE(shown.boxes.empty());
    });
    worker.join();
    ASSERT_TRUE(queued.Wait(10000));
    EXPECT_EQ(closings, 0);
    EXPECT_EQ(platform::ServicePendingMessageBoxes(), 1);
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].first, "posted");
    EXPECT_EQ(shown.boxes[0].second, std::this_thread::get_id());
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(closedOn, std::this_thread::get_id());
}

TEST_F(MessageBoxOwner, APostedBoxWithoutAnOwnerIsShownOnTheRaisingThread) {
    std::thread::id workerId;
    int closings = 0;
    std::thread worker([&] {
        workerId = std::this_thread::get_id();
        platform::PostMessageBox("no owner", nullptr, platform::MB_OK, [&] {
            // Called once the box is closed, before the call returns.
            EXPECT_EQ(shown.boxes.size(), 1u);
            ++closings;
        });
        EXPECT_EQ(closings, 1);
    });
    worker.join();
    ASSERT_EQ(shown.boxes.size(), 1u);
    EXPECT_EQ(shown.boxes[0].first, "no owner");
    EXPECT_EQ(shown.boxes[0].second, workerId);
}

TEST_F(MessageBoxOwner, PostedBoxesLeftWhenTheOwnerGoesAreShownByTheReleasingThread) {
    ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });
    int closings = 0;
    std::thread worker([&] {
        platform::PostMessageBox("first", "", 0, [&] { ++closings; });
        platform::PostMessageBox("second", "", 0);
    });
    worker.join();
    ASSERT_TRUE(queued.Wait(10000));
    EXPECT_TRUE(shown.boxes.empty());
    platform::ReleaseMessageBoxOwner();
    ASSERT_EQ(shown.boxes.size(), 2u);
    EXPECT_EQ(shown.boxes[0].first, "first");
    EXPECT_EQ(shown.boxes[1].first, "second");
    EXPECT_EQ(shown.boxes[0].second, std::this_thread::get_id());
    EXPECT_EQ(closings, 1);
    EXPECT_EQ(platform::ServicePendingMessageBoxes(), 0);
}

// The state letter of a thread of this process ('S' while it sleeps in a wait).
char ThreadState(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '?' : line[close + 2];
}

TEST(ManualResetEventThreads, SetReleasesEveryWaiter) {
    ManualResetEvent event;
    std::atomic<int> released{0};
    std::vector<std::atomic<pid_t>> tids(4);
    std::vector<std::thread> waiters;
    for (auto& tid : tids)
        waiters.emplace_back([&] {
            tid = ::gettid();
            released += event.Wait(30000) ? 1 : 0;
        });
    // Set only once every waiter is asleep inside its wait.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool asleep = true;
    for (auto& tid : tids)
        while (asleep && (tid == 0 || ThreadState(tid) != 'S')) {
            asleep = std::chrono::steady_clock::now() < deadline;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    EXPECT_TRUE(asleep) << "a waiter never blocked";
    EXPECT_EQ(released.load(), 0);
    event.Set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(released.load(), 4);
}
