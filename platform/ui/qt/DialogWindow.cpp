#include "platform/ui/qt/DialogWindow.h"

#include "platform/ui/qt/Cp1252.h"
#include "platform/ui/qt/Fonts.h"

#include <QPushButton>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <qdrawutil.h>

#include <algorithm>

namespace platform::ui::qt {

DialogWindow::DialogWindow(CDialog& model, QWidget* parent)
    : QDialog(parent), m_model(&model), m_caption(true), m_border(false) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    const DialogTemplate* t = model.Template();
    uint32_t ws = window::Caption | window::SysMenu;
    int width = 0;
    int height = 0;
    if (t != nullptr) {
        m_base = BaseUnitsFor(t->font.face, t->font.points);
        ws = t->windowStyles;
        width = DialogXToPixels(t->width, m_base);
        height = DialogYToPixels(t->height, m_base);
    }
    m_font = qt::DialogFont(m_base);
    if (t != nullptr && t->font.weight >= 600) {
        m_font.setWeight(QFont::Bold);
    }
    setFont(m_font);
    // Qt's disabled text (#BEBEBE on #EFEFEF, 1.6:1) is barely legible; the
    // Windows' is dark grey (#6D6D6D on #F0F0F0, 4.5:1), and the start-up
    // report sits in a disabled list. Darker here: Qt's background is a shade
    // darker too, and Qt's smoothed thin strokes draw lighter than their colour.
    QPalette pal = palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        pal.setColor(QPalette::Disabled, role, QColor(0x58, 0x58, 0x58));
    }
    setPalette(pal);

    m_caption = (ws & window::Caption) != 0;
    m_border = !m_caption && (ws & (window::ThinBorder | window::SizingBorder)) != 0;
    Qt::WindowFlags flags = (ws & window::ToolWindow) ? Qt::Tool : Qt::Dialog;
    if (!m_caption) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (ws & window::SysMenu) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        }
        if (ws & window::MinimizeBox) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
    }
    setWindowFlags(flags);
    // The controls keep their template places; a dialog that could be resized
    // would only show empty space.
    setFixedSize(std::max(width, 1), std::max(height, 1));
    setWindowTitle(FromCp1252(model.GetWindowText()));
    // The dialog's own client area takes clicks; statics and frames pass
    // theirs through to it.
    setFocusPolicy(Qt::NoFocus);
}

DialogWindow::~DialogWindow() {
    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    // Deleted with a Qt parent while its modal loop runs: the run ends.
    if (m_loop != nullptr) {
        m_loop->quit();
    }
}

void DialogWindow::Retire() {
    m_model = nullptr;
    m_retired = true;
    for (auto& [id, timer] : m_timers) {
        timer->stop();
    }
    m_views.clear();
    m_controls.clear();
    if (m_loop != nullptr) {
        m_loop->quit();
    }
    hide();
    if (m_calls == 0) {
        delete this;
    }
}

void DialogWindow::CallModel(const std::function<void(CDialog&)>& f) {
    if (m_retired || m_model == nullptr) {
        return;
    }
    ++m_calls;
    f(*m_model);
    --m_calls;
    if (m_retired && m_calls == 0) {
        // The model destroyed its window from inside this call; the widget that
        // raised the call is still on the stack, so the deletion waits.
        deleteLater();
    }
}

ControlView* DialogWindow::ViewOf(const Control& c) const {
    auto it = m_views.find(&c);
    return it == m_views.end() ? nullptr : it->second;
}

QWidget* DialogWindow::WidgetOf(const Control& c) const {
    const ControlView* v = ViewOf(c);
    return v == nullptr ? nullptr : v->Widget();
}

Control* DialogWindow::ControlOf(const QWidget* w) const {
    for (; w != nullptr && w != this; w = w->parentWidget()) {
        auto it = m_controls.find(w);
        if (it != m_controls.end()) {
            return it->second;
        }
    }
    return nullptr;
}

void DialogWindow::AddControl(Control& c) {
    ControlView* v = m_made.emplace_back(MakeControlView(*this, c)).get();
    QWidget* w = v->Widget();
    m_views[&c] = v;
    m_controls[w] = &c;
    Place(*v);
    ApplyFont(*v);
    for (Aspect a : {Aspect::Text, Aspect::Check, Aspect::Items, Aspect::Selection,
                     Aspect::Progress, Aspect::Image}) {
        v->Sync(a);
    }
    w->setEnabled(c.IsEnabled());
    if (v->LiesUnder()) {
        w->lower();
    }
    w->setVisible(c.IsVisible());
}

void DialogWindow::Place(ControlView& v) {
    const Control& c = v.Model();
    QRect r;
    if (c.HasPixelRect()) {
        const Rect& p = c.PixelRect();
        r = QRect(p.x, p.y, p.width, p.height);
    } else {
        const Rect& d = c.DialogUnitRect();
        const PixelRect p = DialogRectToPixels(d.x, d.y, d.width, d.height, m_base);
        r = QRect(p.x, p.y, p.width, p.height);
    }
    if (c.HasPixelSize()) {
        r.setSize(QSize(c.PixelWidth(), c.PixelHeight())); // a bitmap grown to its image
    }
    v.Widget()->setGeometry(v.Bounds(r));
}

void DialogWindow::ApplyFont(ControlView& v) {
    if (const FontSpec* logical = v.Model().Font()) {
        QFont f = logical->pixelHeight != 0
                      ? LogicalFont(std::abs(logical->pixelHeight), logical->weight)
                      : qt::DialogFont(BaseUnitsFor(logical->face, logical->points));
        if (logical->pixelHeight == 0 && logical->weight >= 600) {
            f.setWeight(QFont::Bold);
        }
        // Run-time fonts keep their pixel height where the text fits (the
        // readouts were sized for it); a text that would be cut is drawn smaller.
        v.Widget()->setFont(v.RunTimeFont(f));
        return;
    }
    v.Widget()->setFont(v.TemplateFont());
}

void DialogWindow::Sync(Control& c, Aspect what) {
    ControlView* v = ViewOf(c);
    if (v == nullptr) {
        return;
    }
    QWidget* w = v->Widget();
    switch (what) {
    case Aspect::Enabled:
        w->setEnabled(c.IsEnabled());
        break;
    case Aspect::Visible:
        w->setVisible(c.IsVisible());
        break;
    case Aspect::Text:
        if (v->FitsCaption()) {
            ApplyFont(*v); // captions are fitted, then wrapped for the fitted font
        }
        v->Sync(Aspect::Text);
        break;
    case Aspect::Font:
        ApplyFont(*v);
        v->Sync(Aspect::Text);
        break;
    case Aspect::Geometry:
        Place(*v);
        ApplyFont(*v);
        v->Sync(Aspect::Text);
        break;
    case Aspect::Image:
        v->Sync(Aspect::Image);
        Place(*v);
        break;
    case Aspect::Items:
        v->Sync(Aspect::Items);
        v->Sync(Aspect::Selection);
        break;
    case Aspect::Style:
        v->Sync(Aspect::Style);
        SyncDefaultButton();
        break;
    case Aspect::Check:
    case Aspect::Selection:
    case Aspect::Progress:
        v->Sync(what);
        break;
    }
}

void DialogWindow::SyncDefaultButton() {
    if (m_model == nullptr) {
        return;
    }
    const int def = m_model->GetDefID();
    for (auto& [control, view] : m_views) {
        if (control->Kind() != ControlKind::PushButton) {
            continue;
        }
        auto* b = static_cast<QPushButton*>(view->Widget());
        const bool on = def != 0 && control->Id() == def;
        if (b->isDefault() != on) {
            b->setDefault(on);
        }
    }
}

void DialogWindow::SyncDialog(DialogAspect what) {
    if (m_model == nullptr) {
        return;
    }
    switch (what) {
    case DialogAspect::Caption:
        setWindowTitle(FromCp1252(m_model->GetWindowText()));
        break;
    case DialogAspect::Focus:
        if (Control* c = m_model->FocusedControl()) {
            if (QWidget* w = WidgetOf(*c); w != nullptr && QApplication::focusWidget() != w) {
                w->setFocus(Qt::OtherFocusReason);
            }
        }
        break;
    case DialogAspect::DefaultButton:
        SyncDefaultButton();
        break;
    }
}

void DialogWindow::FocusArrived(QWidget* w) {
    Control* c = ControlOf(w);
    if (c == nullptr || m_model == nullptr || m_model->FocusedControl() == c) {
        return;
    }
    CallModel([c](CDialog& d) { d.SetFocusControl(c); });
}

void DialogWindow::SetTimer(uintptr_t id, unsigned periodMs) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        // Windows' timers are not coarsened; a profile step's length is
        // its timer.
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { TimerDue(id); });
    }
    // Windows raises periods below 10 ms to 10 ms; a 0 ms QTimer would
    // spin instead.
    timer->start(static_cast<int>(std::clamp<unsigned>(periodMs, 10, 0x7FFFFFFF)));
}

void DialogWindow::TimerDue(uintptr_t id) {
    // Qt does not fire a timer again while its own timeout is still running,
    // but Windows does: a handler that opens a box or a child dialog sees
    // its timer go on under it. So the handler runs from the event queue, not
    // from the timeout, and like Windows' timer message, one expiry
    // waits at most.
    if (!m_pendingTimers.insert(id).second) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (m_pendingTimers.erase(id) != 0 && m_timers.count(id) != 0) {
                CallModel([id](CDialog& d) { d.DispatchTimer(id); });
            }
        },
        Qt::QueuedConnection);
}

void DialogWindow::KillTimer(uintptr_t id) {
    // An expiry already queued goes with the timer, as Windows drops a
    // killed timer's pending message.
    m_pendingTimers.erase(id);
    auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
        delete it->second;
        m_timers.erase(it);
    }
}

void DialogWindow::EnterPressed() {
    // A focused push button takes Enter itself; anything else presses the
    // dialog's default button (or OK).
    const Control* focused = ControlOf(focusWidget());
    if (focused != nullptr && focused->Kind() == ControlKind::PushButton) {
        Control* target = const_cast<Control*>(focused);
        CallModel([&](CDialog& d) { d.UserClick(target); });
        return;
    }
    CallModel([](CDialog& d) { d.UserPressEnter(); });
}

void DialogWindow::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        e->accept();
        EnterPressed();
        return;
    }
    if (e->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        e->accept();
        CallModel([](CDialog& d) { d.UserPressEscape(); });
        return;
    }
    QWidget::keyPressEvent(e); // not QDialog's: it would end the dialog on its own
}

void DialogWindow::closeEvent(QCloseEvent* e) {
    // The model decides whether the dialog ends (OnCancel may refuse).
    e->ignore();
    if (m_model != nullptr && !m_model->IsEnded()) {
        CallModel([](CDialog& d) { d.UserClose(); });
    }
}

void DialogWindow::reject() {
    if (m_model != nullptr && !m_model->IsEnded()) {
        CallModel([](CDialog& d) { d.UserPressEscape(); });
    }
}

void DialogWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(e);
        return;
    }
    e->accept();
    unsigned flags = MK_LBUTTON;
    if (e->modifiers() & Qt::ShiftModifier) {
        flags |= MK_SHIFT;
    }
    if (e->modifiers() & Qt::ControlModifier) {
        flags |= MK_CONTROL;
    }
    const QPoint p = e->position().toPoint();
    CallModel([&](CDialog& d) { d.UserMouseDown(flags, p.x(), p.y()); });
}

void DialogWindow::paintEvent(QPaintEvent* e) {
    // The dialog's own paint handler first: what it changes (a picture set
    // on a static) reaches the child widgets before they are drawn.
    CallModel([](CDialog& d) { d.DispatchPaint(); });
    QDialog::paintEvent(e);
    if (!m_border) {
        return;
    }
    // A caption-less window gets no frame from the window manager; draw the
    // border its template asks for.
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

} // namespace platform::ui::qt
