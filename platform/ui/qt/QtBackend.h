#pragma once
// The Qt 6 Widgets backend of the dialog layer: real windows for the dialog
// model (platform/ui/Dialog.h).
//
// Starting the program on it:
//
//     int main(int argc, char** argv) {
//         platform::ui::qt::QtSession ui(argc, argv); // QApplication + backend, installed
//         ... construct the application object and run its main dialog (DoModal) ...
//     }   // uninstalled and torn down here
//
// or, with a QApplication of one's own, construct a QtBackend after it and
// call platform::ui::InstallBackend(&backend) / InstallBackend(nullptr).
//
// Modal runs are nested QEventLoops, so the timers of every open dialog keep
// firing under a child dialog, a message box or a file dialog, as the
// Windows' modal loops do. Boxes raised on other threads reach this thread
// through the layer's box queue (PostToUiThread); the raising thread waits.

#include "platform/ui/Backend.h"

#include <QPointer>

#include <functional>
#include <memory>
#include <unordered_map>

class QApplication;
class QObject;
class QWidget;

namespace platform::ui::qt {

class DialogWindow;
class PostedTasks;
class QtPrinterService;

class QtBackend : public Backend {
public:
    // Needs a QApplication; call on its thread. Does not install itself.
    QtBackend();
    ~QtBackend() override;
    QtBackend(const QtBackend&) = delete;
    QtBackend& operator=(const QtBackend&) = delete;

    // The window of an open dialog, or nullptr (tests, screenshots).
    QWidget* WindowOf(const CDialog& dlg) const;
    // The widget showing a control of an open dialog, or nullptr.
    QWidget* WidgetOf(const Control& c) const;

    // Called each time a dialog's window is first shown, before its modal loop
    // waits for input (tests and screenshots hook in here). nullptr: none.
    void SetShownHook(std::function<void(CDialog&, QWidget&)> hook) { m_shown = std::move(hook); }

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
    bool FileDialog(CDialog* owner, const FileDialogRequest& request, std::string& path) override;
    void PostToUiThread(std::function<void()> task) override;

private:
    DialogWindow* Find(const CDialog& dlg) const;
    QWidget* OwnerWindow(CDialog* owner) const;

    // A window may go away with a Qt parent; QPointer notices.
    std::unordered_map<const CDialog*, QPointer<DialogWindow>> m_windows;
    std::unique_ptr<PostedTasks> m_anchor; // lives on the UI thread; runs posted tasks
    std::function<void(CDialog&, QWidget&)> m_shown;
};

// The program's UI in one object: the QApplication, the installed backend and
// the installed printer service (the system's default print queue).
// Destroyed in reverse: the backend is uninstalled before the application goes.
class QtSession {
public:
    QtSession(int& argc, char** argv);
    ~QtSession();
    QtSession(const QtSession&) = delete;
    QtSession& operator=(const QtSession&) = delete;

    QtBackend& Backend() { return *m_backend; }
    QApplication& Application() { return *m_app; } // e.g. for the window icon

private:
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<QtBackend> m_backend;
    std::unique_ptr<QtPrinterService> m_printers;
};

} // namespace platform::ui::qt
