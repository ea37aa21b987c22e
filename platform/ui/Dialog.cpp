#include "platform/ui/Dialog.h"

#include "platform/Application.h"
#include "platform/ui/DialogGuard.h"
#include "platform/ui/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform::ui {
namespace {

// Open dialogs, in the order they were opened: the last one is the active
// one (the innermost modal dialog). UI thread only.
std::vector<CDialog*>& OpenList() {
    static std::vector<CDialog*> open;
    return open;
}

bool IsTabStop(const Control& c) {
    if (!c.IsVisible() || !c.IsEnabled())
        return false;
    if (c.Has(style::TabStop))
        return true;
    switch (c.Kind()) {
    case ControlKind::Edit:
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::ListBox:
    case ControlKind::ListView:
    case ControlKind::ComboBox:
        return true;
    default:
        return false;
    }
}

constexpr unsigned kMinTimerMs = 10;          // USER_TIMER_MINIMUM
constexpr unsigned kMaxTimerMs = 0x7FFFFFFFu; // USER_TIMER_MAXIMUM

} // namespace

CDialog* ActiveDialog() {
    auto& open = OpenList();
    return open.empty() ? nullptr : open.back();
}

int AfxMessageBox(const char* text, unsigned flags) {
    using platform::MB_ICONMASK, platform::MB_TYPEMASK;
    if ((flags & MB_ICONMASK) == 0 && ((flags & MB_TYPEMASK) == platform::MB_OK ||
                                       (flags & MB_TYPEMASK) == platform::MB_OKCANCEL))
        flags |= platform::MB_ICONEXCLAMATION;
    std::string caption = GetApplicationName();
    return platform::MessageBox(text, caption.c_str(), flags);
}

// ---------------------------------------------------------------- CDialog

CDialog::CDialog(int templateId, CDialog* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() {
    DestroyWindow();
    // Wrappers that outlive the dialog must not point into it.
    for (CWnd* w : m_bound)
        w->m_pCtrl = nullptr;
}

bool CDialog::Create() {
    Backend* backend = GetBackend();
    const DialogTemplate* t = FindTemplate(m_templateId);
    if (!backend || !t || m_open)
        return false;
    m_backend = backend;
    m_template = t;
    m_caption = t->caption;
    m_ended = false;
    m_result = 0;
    m_defId = 0;
    m_focus = nullptr;
    BuildControls();
    m_open = true;
    OpenList().push_back(this);
    m_backend->CreateDialog(*this);
    BOOL focusFirst = TRUE;
    Guarded([&] { focusFirst = OnInitDialog(); });
    if (focusFirst && m_open) {
        m_focus = nullptr;
        if (Control* c = FirstTabStop())
            GotoDlgCtrl(c);
    }
    return true;
}

void CDialog::BuildControls() {
    m_controls.clear();
    m_controls.reserve(m_template->controls.size());
    for (const ControlTemplate& ct : m_template->controls)
        m_controls.push_back(std::make_unique<Control>(*this, ct));
}

void CDialog::DestroyWindow() {
    if (!m_open)
        return;
    for (auto& [id, period] : m_timers)
        m_backend->KillTimer(*this, id);
    m_timers.clear();
    m_backend->DestroyDialog(*this);
    m_open = false;
    std::erase(OpenList(), this);
    m_focus = nullptr;
    for (CWnd* w : m_bound)
        w->m_pCtrl = nullptr;
    m_bound.clear();
    m_controls.clear();
    m_native = nullptr;
}

intptr_t CDialog::DoModal() {
    if (!Create())
        return -1;
    if (!m_ended) {
        try {
            m_backend->RunModal(*this);
        } catch (...) {
            // Only a test script can throw here; leave no open window behind.
            DestroyWindow();
            throw;
        }
    }
    int result = m_result;
    DestroyWindow();
    return result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    if (m_open && m_backend)
        m_backend->EndModal(*this);
}

BOOL CDialog::OnInitDialog() {
    CDataExchange dx(this);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}
void CDialog::OnOK() {
    EndDialog(IDOK);
}
void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}
void CDialog::OnTimer(uintptr_t) {}
void CDialog::OnLButtonDown(unsigned, CPoint) {}
void CDialog::OnPaint() {}

void CDialog::Dispatch(int id, int code) {
    auto it = m_map.find(Key(id, code));
    if (it != m_map.end()) {
        std::function<void()> handler = it->second; // the map may change inside
        Guarded(handler);
        return;
    }
    if (code == BN_CLICKED && id == IDOK)
        Guarded([this] { OnOK(); });
    else if (code == BN_CLICKED && id == IDCANCEL)
        Guarded([this] { OnCancel(); });
}

void CDialog::DispatchTimer(uintptr_t id) {
    // One rule for every backend: an ended dialog takes nothing more. A timer
    // expiry or a click queued when it ended is dropped, as Windows'
    // modal loop stops at the message that ended it; the end code stands.
    if (!m_open || m_ended || !m_timers.count(id))
        return;
    Guarded([&] { OnTimer(id); });
}

void CDialog::DispatchPaint() {
    if (!m_open || m_ended)
        return;
    Guarded([this] { OnPaint(); });
}

void CDialog::ControlChanged(Control& c, Aspect what) {
    if (m_open && m_backend)
        m_backend->ControlChanged(c, what);
}

void CDialog::NotifyDialog(DialogAspect what) {
    if (m_open && m_backend)
        m_backend->DialogChanged(*this, what);
}

void CDialog::SetItemText(Control& c, const std::string& text) {
    // A combo whose text no longer is its selected item has no selection.
    if (c.Kind() == ControlKind::ComboBox && c.CurSel() >= 0 &&
        c.Items()[size_t(c.CurSel())] != text)
        c.SetCurSel(-1);
    c.SetText(text);
    // A single-line edit tells its dialog about every WM_SETTEXT.
    if (c.IsSingleLineEdit())
        Dispatch(c.Id(), EN_CHANGE);
}

// ---- window and items

void CDialog::SetWindowText(const std::string& text) {
    m_caption = text;
    NotifyDialog(DialogAspect::Caption);
}

std::string CDialog::GetWindowText() const {
    return m_caption;
}

Control* CDialog::GetDlgItem(int id) const {
    for (const auto& c : m_controls)
        if (c->Id() == id)
            return c.get();
    return nullptr;
}

std::string CDialog::GetDlgItemText(int id) const {
    Control* c = GetDlgItem(id);
    return c ? c->Text() : std::string();
}

int CDialog::GetDlgItemText(int id, char* buffer, int size) const {
    if (!buffer || size <= 0)
        return 0;
    std::string text = GetDlgItemText(id);
    size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int CDialog::GetDlgItemText(int id, std::string& out) const {
    out = GetDlgItemText(id);
    return static_cast<int>(out.size());
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
    if (Control* c = GetDlgItem(id))
        SetItemText(*c, text);
}

int CDialog::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
    bool ok = false;
    int value = 0;
    if (Control* c = GetDlgItem(id))
        value = ParseDlgInt(c->Text(), isSigned != FALSE, &ok);
    if (translated)
        *translated = ok ? TRUE : FALSE;
    return value;
}

void CDialog::SetDlgItemInt(int id, int value, BOOL isSigned) {
    char buf[16];
    if (isSigned)
        std::snprintf(buf, sizeof buf, "%d", value);
    else
        std::snprintf(buf, sizeof buf, "%u", static_cast<unsigned>(value));
    SetDlgItemText(id, buf);
}

void CDialog::CheckDlgButton(int id, int state) {
    if (Control* c = GetDlgItem(id))
        c->SetCheck(state);
}

unsigned CDialog::IsDlgButtonChecked(int id) const {
    Control* c = GetDlgItem(id);
    return c ? static_cast<unsigned>(c->Check()) : 0u;
}

void CDialog::CheckRadioButton(int first, int last, int id) {
    for (const auto& c : m_controls)
        if (c->Id() >= first && c->Id() <= last &&
            (c->Kind() == ControlKind::RadioButton || c->Kind() == ControlKind::CheckBox))
            c->SetCheck(c->Id() == id ? 1 : 0);
}

int CDialog::GetCheckedRadioButton(int first, int last) const {
    for (const auto& c : m_controls)
        if (c->Id() >= first && c->Id() <= last && c->Check())
            return c->Id();
    return 0;
}

void CDialog::SetFocusControl(Control* c) {
    if (m_focus == c)
        return;
    m_focus = c;
    NotifyDialog(DialogAspect::Focus);
}

void CDialog::GotoDlgCtrl(Control* c) {
    if (!c)
        return;
    SetFocusControl(c);
    if (c->Kind() == ControlKind::Edit)
        c->SetSel(0, -1);
}

void CDialog::SetDefID(int id) {
    int old = GetDefID();
    m_defId = id;
    // The default push button carries the default style, so a view draws it.
    for (const auto& c : m_controls) {
        if (c->Kind() != ControlKind::PushButton)
            continue;
        if (c->Id() == old && old != id)
            c->SetStyles(c->Styles() & ~style::DefaultButton);
        if (c->Id() == id)
            c->SetStyles(c->Styles() | style::DefaultButton);
    }
    NotifyDialog(DialogAspect::DefaultButton);
}

int CDialog::GetDefID() const {
    if (m_defId != 0)
        return m_defId;
    if (m_template)
        for (const ControlTemplate& ct : m_template->controls)
            if (ct.kind == ControlKind::PushButton && (ct.styles & style::DefaultButton))
                return ct.id;
    return 0;
}

Control* CDialog::CreateControl(const ControlTemplate& t, const CRect& pixels) {
    if (!m_open)
        return nullptr;
    auto c = std::make_unique<Control>(*this, t);
    c->m_pixelRect = Rect{pixels.left, pixels.top, pixels.Width(), pixels.Height()};
    c->m_hasPixelRect = true;
    Control* raw = c.get();
    m_controls.push_back(std::move(c));
    m_backend->ControlCreated(*this, *raw);
    return raw;
}

Control* CDialog::FirstTabStop() const {
    for (const auto& c : m_controls)
        if (IsTabStop(*c))
            return c.get();
    return nullptr;
}

void CDialog::Bind(CWnd& wrapper, Control* c) {
    // Off whatever dialog it was bound to, which would otherwise keep a
    // pointer to it.
    wrapper.Detach();
    if (!c || &c->Owner() != this)
        return;
    wrapper.m_pCtrl = c;
    m_bound.push_back(&wrapper);
}

void CDialog::Unbind(CWnd& wrapper) {
    std::erase(m_bound, &wrapper);
    wrapper.m_pCtrl = nullptr;
}

// ---- timers and boxes

uintptr_t CDialog::SetTimer(uintptr_t id, unsigned periodMs) {
    if (!m_open)
        return 0;
    periodMs = std::clamp(periodMs, kMinTimerMs, kMaxTimerMs);
    m_timers[id] = periodMs;
    m_backend->SetTimer(*this, id, periodMs);
    return id;
}

BOOL CDialog::KillTimer(uintptr_t id) {
    if (!m_timers.erase(id))
        return FALSE;
    m_backend->KillTimer(*this, id);
    return TRUE;
}

int CDialog::MessageBox(const char* text, const char* caption, unsigned flags) {
    std::string name = caption ? std::string(caption) : GetApplicationName();
    return platform::MessageBox(text, name.c_str(), flags);
}

} // namespace platform::ui
