// The headless backend: no window, a virtual clock and a scripted user. For
// tests of every dialog; see the example at the top of Dialog.h.
//
// - Time moves only in Advance(ms) and Hold(ms). Timers of every open dialog that has not
//   ended fire in time order (ties: the timer set first fires first), each
//   period after its last due time. A script running inside a child's modal
//   loop or a box may call Advance: the parent's timers fire there too.
// - Modal runs take the next script queued for their template id (FIFO). A
//   script interacts with the dialog, then the dialog ends with the
//   script's end code unless the interaction already ended it. A run with no
//   script ends at once with IDCANCEL and is counted in UnscriptedRuns().
// - Message boxes take the next queued answer; without one an OK box
//   answers IDOK, an OK/Cancel box IDCANCEL. Every box is recorded, from
//   any thread (answered on the calling thread: never waits for the UI).
// - File dialogs take the next queued answer; without one they cancel.
#pragma once

#include "platform/ui/Backend.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform::ui {

class HeadlessBackend : public Backend {
public:
    // Installs itself (InstallBackend) and the message-box sink; the
    // destructor restores the backend that was installed before.
    HeadlessBackend();
    ~HeadlessBackend() override;
    HeadlessBackend(const HeadlessBackend&) = delete;
    HeadlessBackend& operator=(const HeadlessBackend&) = delete;

    // ---- Virtual clock ----
    uint64_t Now() const { return m_now.load(); } // ms since construction
    void Advance(uint64_t ms);
    // The UI thread is busy for `ms` (a handler waiting out a device's
    // timeout): the clock moves and no timer fires; those that fell due fire
    // late, at the next Advance.
    void Hold(uint64_t ms);
    // Due time of a running timer, or 0 when it does not run.
    uint64_t DueTime(const CDialog& dlg, uintptr_t id) const;

    // ---- Modal dialogs ----
    using Interaction = std::function<void(CDialog&)>;
    void OnModal(int templateId, Interaction interact, int endCode = IDCANCEL);
    void OnModal(int templateId, int endCode) { OnModal(templateId, nullptr, endCode); }
    struct Run {
        int templateId;
        int result;
        bool scripted;
    };
    const std::vector<Run>& Runs() const { return m_runs; }
    int UnscriptedRuns() const { return m_unscripted; }
    size_t PendingScripts() const; // scripts not yet used
    std::vector<CDialog*> OpenDialogs() const { return m_open; }

    // ---- Message boxes ----
    struct Box {
        std::string text;
        std::string caption;
        unsigned flags = 0;
        int answer = 0;
        bool uiThread = true;
        uint64_t time = 0;     // virtual clock when shown
        int ownerTemplate = 0; // template id of the owning dialog, 0 none
    };
    // The next box answers `answer`; `whileShown` runs first (it may Advance
    // the clock: timers fire under the box). For a box raised on a worker
    // thread it runs on that thread and must leave the clock alone.
    void AnswerBox(int answer, std::function<void(const Box&)> whileShown = nullptr);
    std::vector<Box> Boxes() const;            // a copy; safe while other threads show boxes
    std::vector<std::string> BoxTexts() const; // the texts alone, in order
    size_t BoxCount() const;
    Box LastBox() const; // empty Box when none
    void ClearBoxes();

    // ---- Painting ----
    // The window of `dlg` is painted: its OnPaint runs, then what the window
    // shows is recorded. A modal run paints its dialog once, as its window
    // appears, before the script runs; tests paint open dialogs again at will.
    struct DrawnImage {
        int controlId;
        std::shared_ptr<const Image> image;
    };
    struct Paint {
        int templateId;
        uint64_t time;                  // virtual clock
        std::vector<DrawnImage> images; // visible pictures, in control order
    };
    void PaintWindow(CDialog& dlg);
    const std::vector<Paint>& Paints() const { return m_paints; }

    // ---- File dialogs ----
    void AnswerFile(const std::string& path); // OK with this path
    void CancelFile();
    const std::vector<FileDialogRequest>& FileDialogs() const { return m_fileRequests; }

    // ---- Backend ----
    void CreateDialog(CDialog& dlg) override;
    void DestroyDialog(CDialog& dlg) override;
    void RunModal(CDialog& dlg) override;
    void EndModal(CDialog& dlg) override;
    void ControlCreated(CDialog& dlg, Control& c) override;
    void ControlChanged(Control& c, Aspect what) override;
    void DialogChanged(CDialog& dlg, DialogAspect what) override;
    void SetTimer(CDialog& dlg, uintptr_t id, unsigned periodMs) override;
    void KillTimer(CDialog& dlg, uintptr_t id) override;
    int MessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                   unsigned flags) override;
    bool AnswersBoxesOnAnyThread() const override { return true; }
    bool FileDialog(CDialog* owner, const FileDialogRequest& request, std::string& path) override;
    void PostToUiThread(std::function<void()> task) override;
    // Runs tasks posted with PostToUiThread (Advance runs them too).
    void RunPosted();

private:
    struct Timer {
        uint64_t due;
        unsigned period;
        uint64_t order; // arming sequence: ties fire in arming order
    };
    struct Script {
        Interaction interact;
        int endCode;
    };
    struct BoxAnswer {
        int answer;
        std::function<void(const Box&)> whileShown;
    };
    bool NextDue(uint64_t limit, CDialog*& dlg, uintptr_t& id);

    Backend* m_previous = nullptr;
    std::atomic<uint64_t> m_now{0}; // read by worker threads showing boxes
    uint64_t m_order = 0;
    std::map<CDialog*, std::map<uintptr_t, Timer>> m_timers;
    std::vector<CDialog*> m_open;
    std::map<int, std::deque<Script>> m_scripts;
    std::vector<Run> m_runs;
    int m_unscripted = 0;
    mutable std::mutex m_boxMutex; // boxes may come from worker threads
    std::deque<BoxAnswer> m_boxAnswers;
    std::vector<Box> m_boxes;
    std::vector<Paint> m_paints;
    std::deque<std::pair<bool, std::string>> m_fileAnswers;
    std::vector<FileDialogRequest> m_fileRequests;
    std::mutex m_postMutex;
    std::vector<std::function<void()>> m_posted;
};

// Opens a dialog without a modal loop for step-by-step tests; closes it
// (DestroyWindow) when the guard goes.
class OpenDialog {
public:
    explicit OpenDialog(CDialog& dlg) : m_dlg(dlg), m_ok(dlg.Create()) {}
    ~OpenDialog() { m_dlg.DestroyWindow(); }
    OpenDialog(const OpenDialog&) = delete;
    OpenDialog& operator=(const OpenDialog&) = delete;
    bool Ok() const { return m_ok; }

private:
    CDialog& m_dlg;
    bool m_ok;
};

} // namespace platform::ui
