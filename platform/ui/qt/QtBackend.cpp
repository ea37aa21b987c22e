#include "platform/ui/qt/QtBackend.h"

#include "platform/MessageBox.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/qt/Cp1252.h"
#include "platform/ui/qt/DialogWindow.h"
#include "platform/ui/qt/FileFilter.h"
#include "platform/ui/qt/Fonts.h"
#include "platform/ui/qt/QtPrinter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QObject>

#include <deque>
#include <mutex>
#include <vector>

namespace platform::ui::qt {

// Runs on the UI thread the tasks other threads post, one per event, in the
// order posted. A task waits in a queue of ours under a std::mutex, and the
// event that announces it is made before that mutex is released and read only
// after it is taken: Qt hands events between threads through locks a thread
// checker cannot see, so a task carried inside the event itself would look
// as if the UI thread read it unsynchronised.
class PostedTasks : public QObject {
public:
    void Post(std::function<void()> task) {
        auto* announce = new QEvent(kRunTask);
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        QCoreApplication::postEvent(this, announce);
    }

protected:
    bool event(QEvent* e) override {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (e->type() == kRunTask && !m_tasks.empty()) {
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
        }
        if (!task) {
            return QObject::event(e);
        }
        task();
        return true;
    }

private:
    static constexpr QEvent::Type kRunTask = QEvent::User;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_tasks;
};

namespace {

// Completes a typed name with the request's default extension by the dialog
// layer's own rule (ApplyDefaultExtension), before the dialog looks for an
// existing file to confirm, so the prompt names the file really written.
class ExtendingFileDialog : public QFileDialog {
public:
    ExtendingFileDialog(QWidget* parent, const QString& caption, const QString& directory,
                        std::string defaultExt)
        : QFileDialog(parent, caption, directory), m_defaultExt(std::move(defaultExt)) {}

    void accept() override {
        const QStringList files = selectedFiles();
        if (!m_defaultExt.empty() && files.size() == 1 && !QFileInfo(files.front()).isDir()) {
            const std::string typed = QFile::encodeName(files.front()).toStdString();
            const std::string named = ApplyDefaultExtension(typed, m_defaultExt);
            if (named != typed) {
                selectFile(QFile::decodeName(named.c_str()));
            }
        }
        QFileDialog::accept();
    }

private:
    std::string m_defaultExt;
};

} // namespace

QtBackend::QtBackend() : m_anchor(std::make_unique<PostedTasks>()) {
    QObject::connect(qApp, &QApplication::focusChanged, m_anchor.get(),
                     [this](QWidget*, QWidget* now) {
                         if (now == nullptr) {
                             return;
                         }
                         auto* window = dynamic_cast<DialogWindow*>(now->window());
                         if (window == nullptr) {
                             return;
                         }
                         for (auto& [dlg, w] : m_windows) {
                             if (w == window) {
                                 window->FocusArrived(now);
                                 return;
                             }
                         }
                     });
}

QtBackend::~QtBackend() {
    // A dialog left open must not call into this backend after it is gone:
    // close it on the model side (which comes back through DestroyDialog).
    std::vector<CDialog*> open;
    for (auto& [dlg, window] : m_windows) {
        open.push_back(const_cast<CDialog*>(dlg));
    }
    for (CDialog* dlg : open) {
        if (m_windows.count(dlg) != 0) {
            dlg->DestroyWindow();
        }
    }
    for (auto& [dlg, window] : m_windows) {
        if (window) {
            window->Retire();
        }
    }
}

DialogWindow* QtBackend::Find(const CDialog& dlg) const {
    auto it = m_windows.find(&dlg);
    return it == m_windows.end() ? nullptr : it->second.data();
}

QWidget* QtBackend::WindowOf(const CDialog& dlg) const {
    return Find(dlg);
}

QWidget* QtBackend::WidgetOf(const Control& c) const {
    DialogWindow* w = Find(c.Owner());
    return w ? w->WidgetOf(c) : nullptr;
}

QWidget* QtBackend::OwnerWindow(CDialog* owner) const {
    // Only a window on screen owns: one not shown yet (a dialog still in its
    // OnInitDialog) would place its child around a spot it never had.
    for (CDialog* d = owner; d != nullptr; d = d->Parent()) {
        if (DialogWindow* w = Find(*d); w != nullptr && w->Model() != nullptr && w->isVisible()) {
            return w;
        }
    }
    if (CDialog* active = ActiveDialog()) {
        if (DialogWindow* w = Find(*active); w != nullptr && w->isVisible()) {
            return w;
        }
    }
    return QApplication::activeModalWidget();
}

void QtBackend::CreateDialog(CDialog& dlg) {
    // A window with a parent stays above it and is centred on it, as the
    // Windows centres a dialog on its owner.
    QWidget* parent = OwnerWindow(dlg.Parent());
    auto* window = new DialogWindow(dlg, parent);
    m_windows[&dlg] = window;
    dlg.SetNative(window);
    for (const auto& c : dlg.Controls()) {
        window->AddControl(*c);
    }
    window->SyncDialog(DialogAspect::DefaultButton);
}

void QtBackend::DestroyDialog(CDialog& dlg) {
    auto it = m_windows.find(&dlg);
    if (it == m_windows.end()) {
        return;
    }
    QPointer<DialogWindow> window = it->second;
    m_windows.erase(it);
    dlg.SetNative(nullptr);
    if (window) {
        if (QEventLoop* loop = window->Loop()) {
            loop->quit();
        }
        window->Retire();
    }
}

void QtBackend::RunModal(CDialog& dlg) {
    QPointer<DialogWindow> window = Find(dlg);
    if (!window || dlg.IsEnded()) {
        return;
    }
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
    window->activateWindow();
    if (m_shown) {
        m_shown(dlg, *window);
    }
    QEventLoop loop;
    while (window && window->Model() != nullptr && !dlg.IsEnded()) {
        window->SetLoop(&loop);
        loop.exec(QEventLoop::DialogExec);
    }
    if (window) {
        window->SetLoop(nullptr);
        window->hide();
    }
}

void QtBackend::EndModal(CDialog& dlg) {
    if (DialogWindow* window = Find(dlg)) {
        if (QEventLoop* loop = window->Loop()) {
            loop->quit();
        }
    }
}

void QtBackend::ControlCreated(CDialog& dlg, Control& c) {
    if (DialogWindow* window = Find(dlg)) {
        window->AddControl(c);
    }
}

void QtBackend::ControlChanged(Control& c, Aspect what) {
    if (DialogWindow* window = Find(c.Owner())) {
        window->Sync(c, what);
    }
}

void QtBackend::DialogChanged(CDialog& dlg, DialogAspect what) {
    if (DialogWindow* window = Find(dlg)) {
        window->SyncDialog(what);
    }
}

void QtBackend::SetTimer(CDialog& dlg, uintptr_t id, unsigned periodMs) {
    if (DialogWindow* window = Find(dlg)) {
        window->SetTimer(id, periodMs);
    }
}

void QtBackend::KillTimer(CDialog& dlg, uintptr_t id) {
    if (DialogWindow* window = Find(dlg)) {
        window->KillTimer(id);
    }
}

int QtBackend::MessageBox(CDialog* owner, const std::string& text, const std::string& caption,
                          unsigned flags) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0u) {
    case platform::MB_ICONSTOP:
        icon = QMessageBox::Critical;
        break;
    case platform::MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case platform::MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case platform::MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    const bool okCancel = (flags & platform::MB_TYPEMASK) == platform::MB_OKCANCEL;
    QMessageBox box(icon, FromCp1252(caption), FromCp1252(text),
                    okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                    OwnerWindow(owner));
    box.setTextFormat(Qt::PlainText);
    // The dialogs' face, as Windows' boxes share its dialogs' system
    // font; Qt's default would be the desktop's sans (DejaVu Sans).
    box.setFont(DialogFont(BaseUnitsFor("MS Shell Dlg", 8)));
    box.setDefaultButton(QMessageBox::Ok);
    // Esc and the close box: Cancel on an OK/Cancel box, OK on an OK box.
    box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    const int answer = box.exec();
    return answer == QMessageBox::Cancel ? platform::IDCANCEL : platform::IDOK;
}

bool QtBackend::FileDialog(CDialog* owner, const FileDialogRequest& request, std::string& path) {
    ExtendingFileDialog dialog(OwnerWindow(owner), FromCp1252(request.title), QDir::currentPath(),
                               request.defaultExt);
    // The same dialog on every desktop, and one the tests can drive.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open && request.MustExist() ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt());
    const QStringList filters = TranslateFilter(request.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
    }
    // Paths are file-system names, not texts: they travel in the file
    // system's own bytes, so that the program opens exactly the file chosen
    // (a name outside code page 1252 would otherwise come back with '?').
    if (!request.initialName.empty()) {
        dialog.selectFile(QFile::decodeName(request.initialName.c_str()));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    path =
        QFile::encodeName(QDir::toNativeSeparators(dialog.selectedFiles().front())).toStdString();
    return true;
}

void QtBackend::PostToUiThread(std::function<void()> task) {
    m_anchor->Post(std::move(task));
}

QtSession::QtSession(int& argc, char** argv)
    : m_app(std::make_unique<QApplication>(argc, argv)), m_backend(std::make_unique<QtBackend>()),
      m_printers(std::make_unique<QtPrinterService>()) {
    // The program ends when its main dialog's modal run returns, not when a
    // window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallBackend(m_backend.get());
    platform::InstallPrinterService(m_printers.get());
}

QtSession::~QtSession() {
    platform::InstallPrinterService(nullptr);
    InstallBackend(nullptr);
    m_backend.reset();
    m_app.reset();
}

} // namespace platform::ui::qt
