#include "platform/ui/Backend.h"

#include "platform/MessageBox.h"
#include "platform/ui/Dialog.h"

#include <atomic>
#include <clocale>
#include <thread>

namespace platform::ui {
namespace {

std::atomic<Backend*> g_backend{nullptr};
std::atomic<std::thread::id> g_uiThread{};

int BackendSink(const char* text, const char* caption, unsigned flags) {
    Backend* b = g_backend.load();
    if (!b)
        return platform::IDOK;
    // The modal stack belongs to the UI thread; a worker's box has no owner.
    CDialog* owner = IsUiThread() ? ActiveDialog() : nullptr;
    return b->MessageBox(owner, text ? text : "", caption ? caption : "", flags);
}

} // namespace

void InstallBackend(Backend* backend) {
    g_backend.store(backend);
    g_uiThread.store(std::this_thread::get_id());
    if (!backend) {
        platform::ReleaseMessageBoxOwner();
        platform::SetMessageBoxSink({});
        return;
    }
    // A toolkit sets the user's locale when it starts; the program's numbers
    // are read and written in the C locale ("12.5", never "12,5").
    std::setlocale(LC_NUMERIC, "C");
    platform::SetMessageBoxSink(&BackendSink);
    if (backend->AnswersBoxesOnAnyThread()) {
        platform::ReleaseMessageBoxOwner();
    } else {
        platform::SetMessageBoxOwner([] {
            if (Backend* b = g_backend.load())
                b->PostToUiThread([] { platform::ServicePendingMessageBoxes(); });
        });
    }
}

Backend* GetBackend() {
    return g_backend.load();
}

bool IsUiThread() {
    return g_uiThread.load() == std::this_thread::get_id();
}

} // namespace platform::ui
