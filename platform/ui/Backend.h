// The seam between the dialog model and a toolkit. The model (CDialog,
// Control) calls a Backend for everything that needs a screen, a clock or a
// user: the native side of a dialog, its modal loop, timers, message boxes
// and file dialogs. Two implementations: HeadlessBackend (tests, virtual
// clock, scripted user) and the Qt 6 Widgets backend (platform/ui/qt/).
//
// Threading: every call comes on the UI thread (the thread that installed the
// backend) except where noted. Model -> view: ControlCreated / ControlChanged
// / DialogChanged after each model change, also changes the backend itself
// caused through the User* input functions of CDialog (a view compares before
// it writes back). View -> model: the backend calls CDialog::User*(...) and
// CDialog::DispatchTimer(id); those never throw.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform::ui {

class CDialog;
class Control;
struct FileDialogRequest;
enum class Aspect : uint8_t;

// What changed on the dialog itself.
enum class DialogAspect : uint8_t {
    Caption,       // SetWindowText
    Focus,         // the focused control (CDialog::FocusedControl)
    DefaultButton, // DM_SETDEFID (CDialog::GetDefID)
};

class Backend {
public:
    virtual ~Backend() = default;

    // The model has built the template's controls; make the native window.
    // Called before OnInitDialog. The backend may keep its window in
    // CDialog::SetNative / Native.
    virtual void CreateDialog(CDialog& dlg) = 0;
    // The dialog goes away (after its modal run, or DestroyWindow). Timers of
    // the dialog are already killed.
    virtual void DestroyDialog(CDialog& dlg) = 0;

    // Runs the modal loop of `dlg` (already created and initialised) until
    // dlg.IsEnded(). While it runs, timers of every open dialog keep firing.
    virtual void RunModal(CDialog& dlg) = 0;
    // EndDialog was called, maybe from a handler deep inside the loop: make
    // RunModal return once control is back in the loop.
    virtual void EndModal(CDialog& dlg) = 0;

    // Model -> view.
    virtual void ControlCreated(CDialog& dlg, Control& c) = 0; // made at run time
    virtual void ControlChanged(Control& c, Aspect what) = 0;
    virtual void DialogChanged(CDialog& dlg, DialogAspect what) = 0;

    // Window timers of one dialog. Setting an id that runs restarts it with
    // the new period. The backend calls dlg.DispatchTimer(id) each period.
    virtual void SetTimer(CDialog& dlg, uintptr_t id, unsigned periodMs) = 0;
    virtual void KillTimer(CDialog& dlg, uintptr_t id) = 0;

    // A modal message box; returns IDOK or IDCANCEL (the close box and Esc
    // give IDCANCEL on an OK/Cancel box, IDOK on an OK box). owner may be
    // nullptr. Called on the UI thread, or on any thread when
    // AnswersBoxesOnAnyThread() is true.
    virtual int MessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                           unsigned flags) = 0;
    virtual bool AnswersBoxesOnAnyThread() const { return false; }

    // A modal file dialog. On OK: true and `path` is the chosen full path.
    virtual bool FileDialog(CDialog* owner, const FileDialogRequest& request,
                            std::string& path) = 0;

    // Runs `task` on the UI thread soon (from its event loop); may be called
    // from any thread. Used to bring a box raised by a worker thread to the
    // UI thread.
    virtual void PostToUiThread(std::function<void()> task) = 0;
};

// The installed backend (nullptr when none). Installing makes the calling
// thread the UI thread and routes platform::MessageBox to the backend. A
// backend that shows boxes only on the UI thread (AnswersBoxesOnAnyThread()
// false) also becomes the owner of boxes (platform::SetMessageBoxOwner): a
// box raised on a worker thread is queued, PostToUiThread wakes the UI
// thread to show it, and only the worker waits. A UI-thread wait for such a
// worker uses platform::WaitServicingMessageBoxes and so never deadlocks.
// InstallBackend(nullptr) restores the default sink and drops the owner.
// Installing a backend also puts LC_NUMERIC back to "C", which a toolkit's
// start may have changed, so printf and atof keep the decimal point.
void InstallBackend(Backend* backend);
Backend* GetBackend();
bool IsUiThread();

} // namespace platform::ui
