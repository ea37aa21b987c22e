#pragma once
// The window of one open dialog: a QDialog whose children mirror the model's
// controls. Input goes to the model through CDialog::User*; the model's
// changes come back through Sync. Internal to the Qt backend.

#include "platform/ui/Control.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/qt/ControlViews.h"
#include "platform/ui/qt/DialogUnits.h"

#include <QDialog>
#include <QFont>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class QEventLoop;
class QTimer;

namespace platform::ui::qt {

class DialogWindow : public QDialog {
public:
    DialogWindow(CDialog& model, QWidget* parent);
    ~DialogWindow() override;

    // The model, or nullptr once the dialog was destroyed on the model side.
    CDialog* Model() const { return m_model; }
    // Cuts the tie to the model (its controls are about to go). The window is
    // hidden and deleted as soon as no call into the model runs from it.
    void Retire();

    QWidget* WidgetOf(const Control& c) const;
    void AddControl(Control& c);
    void Sync(Control& c, Aspect what);
    void SyncDialog(DialogAspect what);

    // Qt moved the keyboard focus to w (somewhere in this window): the model
    // follows, without the select-all of a programmatic GotoDlgCtrl.
    void FocusArrived(QWidget* w);

    void SetTimer(uintptr_t id, unsigned periodMs);
    void KillTimer(uintptr_t id);

    // The modal loop running this dialog, or nullptr.
    QEventLoop* Loop() const { return m_loop; }
    void SetLoop(QEventLoop* loop) { m_loop = loop; }

    const QFont& DialogFont() const { return m_font; }
    const BaseUnits& Base() const { return m_base; }

    // Runs f (a call into the model) unless the window is retired; a window
    // retired meanwhile is deleted once the outermost call returns.
    void CallModel(const std::function<void(CDialog&)>& f);
    // Enter in the dialog: the focused push button, else the default button.
    void EnterPressed();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void reject() override;

private:
    ControlView* ViewOf(const Control& c) const;
    void Place(ControlView& v);
    void ApplyFont(ControlView& v);
    void SyncDefaultButton();
    Control* ControlOf(const QWidget* w) const;
    void TimerDue(uintptr_t id);

    CDialog* m_model;
    BaseUnits m_base;
    QFont m_font;
    bool m_caption;
    bool m_border;
    // Every view made; they live as long as the window, so a view whose
    // control went (Retire) still returns safely from its own input handler.
    std::vector<std::unique_ptr<ControlView>> m_made;
    std::unordered_map<const Control*, ControlView*> m_views; // the controls shown
    std::unordered_map<const QWidget*, Control*> m_controls;
    std::map<uintptr_t, QTimer*> m_timers;
    std::set<uintptr_t> m_pendingTimers; // expiries queued, not yet handled
    QEventLoop* m_loop = nullptr;
    int m_calls = 0;
    bool m_retired = false;
};

} // namespace platform::ui::qt
