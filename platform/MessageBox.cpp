#include "platform/MessageBox.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Event.h"

namespace platform {
namespace {

struct Request {
    Request(const char* t, const char* c, unsigned f) : text(t), caption(c), flags(f) {}

    std::string text;
    std::string caption;
    unsigned flags;
    // Posted: nobody waits for the answer; `closed` is called once it is shown.
    bool posted = false;
    std::function<void()> closed;
    int result = IDOK;
    bool taken = false; // the owner is showing it
    bool done = false;
};

struct State {
    std::mutex mutex;
    std::condition_variable answered; // a queued request was answered or the owner left
    MessageBoxSink sink;
    std::optional<std::thread::id> owner;
    std::function<void()> wake;
    // Shared with the raising thread: a request answered early (below) may
    // still be on screen after its raiser has returned.
    std::deque<std::shared_ptr<Request>> queue;
    std::vector<std::shared_ptr<Request>> showing; // taken by the owner, not yet answered
};

State& Shared() {
    static State state;
    return state;
}

int DefaultSink(const char* text, const char* caption, unsigned) {
    static std::mutex printing;
    std::lock_guard<std::mutex> lock(printing);
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return IDOK;
}

int CallSink(State& s, const char* text, const char* caption, unsigned flags) {
    MessageBoxSink sink;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        sink = s.sink;
    }
    return sink ? sink(text, caption, flags) : DefaultSink(text, caption, flags);
}

// Queues a box for the owner and wakes it; `lock` holds s.mutex on entry and
// is released before the wake-up, which may post to the owner's event loop.
void Enqueue(State& s, std::unique_lock<std::mutex>& lock, std::shared_ptr<Request> request) {
    s.queue.push_back(std::move(request));
    std::function<void()> wake = s.wake;
    lock.unlock();
    if (wake)
        wake();
}

} // namespace

int MessageBox(const char* text, const char* caption, unsigned flags) {
    text = text ? text : "";
    caption = caption ? caption : "";
    State& s = Shared();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.owner || *s.owner == std::this_thread::get_id()) {
        lock.unlock();
        return CallSink(s, text, caption, flags);
    }
    auto request = std::make_shared<Request>(text, caption, flags);
    Enqueue(s, lock, request);
    lock.lock();
    s.answered.wait(lock, [&] { return request->done || (!s.owner && !request->taken); });
    if (request->done)
        return request->result;
    // The owner left before showing it: show it here after all.
    std::erase(s.queue, request);
    lock.unlock();
    return CallSink(s, text, caption, flags);
}

void PostMessageBox(const char* text, const char* caption, unsigned flags,
                    std::function<void()> closed) {
    text = text ? text : "";
    caption = caption ? caption : "";
    State& s = Shared();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.owner || *s.owner == std::this_thread::get_id()) {
        lock.unlock();
        CallSink(s, text, caption, flags);
        if (closed)
            closed();
        return;
    }
    auto request = std::make_shared<Request>(text, caption, flags);
    request->posted = true;
    request->closed = std::move(closed);
    Enqueue(s, lock, std::move(request));
}

void SetMessageBoxSink(MessageBoxSink sink) {
    State& s = Shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sink = std::move(sink);
}

void SetMessageBoxOwner(std::function<void()> wake) {
    State& s = Shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.owner = std::this_thread::get_id();
    s.wake = std::move(wake);
}

void ReleaseMessageBoxOwner() {
    State& s = Shared();
    std::vector<std::shared_ptr<Request>> orphans;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.owner.reset();
        s.wake = nullptr;
        // Posted boxes have no raiser waiting to show them itself.
        for (auto it = s.queue.begin(); it != s.queue.end();) {
            if ((*it)->posted) {
                orphans.push_back(std::move(*it));
                it = s.queue.erase(it);
            } else {
                ++it;
            }
        }
    }
    s.answered.notify_all();
    for (const std::shared_ptr<Request>& request : orphans) {
        CallSink(s, request->text.c_str(), request->caption.c_str(), request->flags);
        if (request->closed)
            request->closed();
    }
}

int ServicePendingMessageBoxes() {
    State& s = Shared();
    int shown = 0;
    std::unique_lock<std::mutex> lock(s.mutex);
    while (s.owner && *s.owner == std::this_thread::get_id() && !s.queue.empty()) {
        std::shared_ptr<Request> request = s.queue.front();
        s.queue.pop_front();
        request->taken = true;
        s.showing.push_back(request);
        lock.unlock();
        int result = CallSink(s, request->text.c_str(), request->caption.c_str(), request->flags);
        if (request->closed)
            request->closed();
        lock.lock();
        std::erase(s.showing, request);
        if (!request->done) {
            request->result = result;
            request->done = true;
        }
        ++shown;
        s.answered.notify_all();
    }
    return shown;
}

namespace {

// A wait on the owner thread may run inside a box that the owner shows for a
// worker further down the same stack (a port closed from a timer or handler
// that runs under that box). That box cannot return before the wait does, and
// the wait is for the very worker that waits on the box. A box with an OK
// button alone has only one answer: give it to the worker now; the box stays
// up until it is closed, and its answer then goes nowhere.
void AnswerBoxesShownBelow(State& s) {
    std::lock_guard<std::mutex> lock(s.mutex);
    bool any = false;
    for (const std::shared_ptr<Request>& request : s.showing) {
        if (!request->done && (request->flags & MB_TYPEMASK) == MB_OK) {
            request->result = IDOK;
            request->done = true;
            any = true;
        }
    }
    if (any)
        s.answered.notify_all();
}

} // namespace

void WaitServicingMessageBoxes(ManualResetEvent& done) {
    // Polls: only used while waiting for a thread that has been told to stop, which
    // normally takes no time at all, so a short period costs nothing worth a second
    // wake-up channel.
    constexpr uint32_t kPollMs = 10;
    for (;;) {
        {
            State& s = Shared();
            std::lock_guard<std::mutex> lock(s.mutex);
            if (!s.owner || *s.owner != std::this_thread::get_id())
                break;
        }
        if (done.Wait(kPollMs))
            return;
        ServicePendingMessageBoxes();
        AnswerBoxesShownBelow(Shared());
    }
    done.Wait(ManualResetEvent::kInfinite);
}

} // namespace platform
