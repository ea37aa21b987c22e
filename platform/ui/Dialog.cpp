#include "platform/ui/Dialog.h"

#include "platform/Application.h"
#include "platform/ui/Text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

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

void DDX_Control(CDataExchange* pDX, int id, CWnd& ctrl) {
    if (!pDX || !pDX->m_pDlgWnd)
        return;
    pDX->m_pDlgWnd->Bind(ctrl, pDX->m_pDlgWnd->GetDlgItem(id));
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

template <class F> void CDialog::Guarded(F&& f) {
    // The framework's handler boundary: a failure is shown and the dialog
    // carries on as if the handler had returned.
    std::string what;
    try {
        f();
        return;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "An unsupported operation was attempted.";
    }
    if (what.empty())
        what = "An unsupported operation was attempted.";
    AfxMessageBox(what.c_str(), platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

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
    // expiry or a click queued when it ended is dropped, as the original's
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

// ---- input from the user

void CDialog::ClickEffect(Control& c) {
    if (c.Kind() == ControlKind::CheckBox) {
        c.SetCheck(c.Check() ? 0 : 1);
    } else if (c.Kind() == ControlKind::RadioButton) {
        // An auto radio clears the other radios of its group: from the
        // control that starts the group up to the next one that does.
        size_t at = 0;
        while (at < m_controls.size() && m_controls[at].get() != &c)
            ++at;
        size_t begin = at;
        while (begin > 0 && !m_controls[begin]->Has(style::Group))
            --begin;
        size_t end = at + 1;
        while (end < m_controls.size() && !m_controls[end]->Has(style::Group))
            ++end;
        for (size_t i = begin; i < end; ++i)
            if (m_controls[i]->Kind() == ControlKind::RadioButton && m_controls[i].get() != &c)
                m_controls[i]->SetCheck(0);
        c.SetCheck(1);
    }
}

bool CDialog::UserClick(Control* c) {
    if (!m_open || m_ended || !c || !c->IsEnabled() || !c->IsVisible())
        return false;
    switch (c->Kind()) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        break;
    default:
        return false;
    }
    SetFocusControl(c);
    ClickEffect(*c);
    Dispatch(c->Id(), BN_CLICKED);
    return true;
}

bool CDialog::UserClick(int id) {
    return UserClick(GetDlgItem(id));
}

bool CDialog::UserType(int id, const std::string& text, int caret) {
    Control* c = GetDlgItem(id);
    if (!m_open || m_ended || !c || !c->IsEnabled() || !c->IsVisible())
        return false;
    if (c->Kind() == ControlKind::Edit) {
        if (c->Has(style::ReadOnly))
            return false;
        SetFocusControl(c);
        c->SetText(text);
        const int end = static_cast<int>(text.size());
        const int at = caret < 0 || caret > end ? end : caret;
        c->SetSel(at, at);
        Dispatch(id, EN_CHANGE);
        return true;
    }
    if (c->Kind() == ControlKind::ComboBox) {
        SetFocusControl(c);
        c->SetCurSel(-1);
        c->SetText(text);
        return true;
    }
    return false;
}

bool CDialog::UserSelect(int id, int index) {
    Control* c = GetDlgItem(id);
    if (!m_open || m_ended || !c || !c->IsEnabled() || !c->IsVisible())
        return false;
    switch (c->Kind()) {
    case ControlKind::ListBox:
        SetFocusControl(c);
        if (c->SetCurSel(index) != index)
            return false;
        if (c->Has(style::Notify))
            Dispatch(id, LBN_SELCHANGE);
        return true;
    case ControlKind::ComboBox:
        SetFocusControl(c);
        if (c->SetCurSel(index) != index)
            return false;
        Dispatch(id, CBN_SELCHANGE);
        return true;
    case ControlKind::ListView:
        SetFocusControl(c);
        if (index < 0) {
            // A click on the empty part clears the selection; the mark stays.
            for (int r = 0; r < static_cast<int>(c->Rows().size()); ++r)
                c->SetRowSelected(r, false);
            return true;
        }
        if (!c->SetRowSelected(index, true))
            return false;
        c->SetSelectionMark(index);
        return true;
    default:
        return false;
    }
}

bool CDialog::UserFocus(int id) {
    Control* c = GetDlgItem(id);
    if (!m_open || m_ended || !c || !c->IsEnabled() || !c->IsVisible())
        return false;
    GotoDlgCtrl(c);
    return true;
}

void CDialog::UserPressEnter() {
    if (!m_open || m_ended)
        return;
    if (m_focus && m_focus->Kind() == ControlKind::PushButton && m_focus->IsEnabled() &&
        m_focus->IsVisible()) {
        UserClick(m_focus);
        return;
    }
    if (m_focus && m_focus->Kind() == ControlKind::Edit && m_focus->Has(style::Multiline) &&
        m_focus->Has(style::WantReturn))
        return;
    int id = GetDefID();
    if (id == 0)
        id = IDOK;
    Control* c = GetDlgItem(id);
    if (c && !c->IsEnabled())
        return; // a disabled default button: Enter does nothing
    Dispatch(id, BN_CLICKED);
}

void CDialog::UserPressEscape() {
    if (!m_open || m_ended)
        return;
    Dispatch(IDCANCEL, BN_CLICKED);
}

void CDialog::UserClose() {
    if (!m_open || m_ended)
        return;
    // The close box is refused while a Cancel button exists but is disabled.
    Control* cancel = GetDlgItem(IDCANCEL);
    if (cancel && !cancel->IsEnabled())
        return;
    Dispatch(IDCANCEL, BN_CLICKED);
}

void CDialog::UserMouseDown(unsigned flags, int x, int y) {
    if (!m_open || m_ended)
        return;
    Guarded([&] { OnLButtonDown(flags, CPoint{x, y}); });
}

// ------------------------------------------------------------- wrappers

BOOL CFont::CreateFont(int height, int, int, int, int weight, unsigned char, unsigned char,
                       unsigned char, unsigned char, unsigned char, unsigned char, unsigned char,
                       unsigned char, const char* face) {
    m_spec.face = face ? face : "";
    m_spec.pixelHeight = height < 0 ? -height : height;
    m_spec.points = 0;
    m_spec.weight = weight == 0 ? 400 : weight;
    m_created = true;
    return TRUE;
}

CWnd::~CWnd() {
    Detach();
}

void CWnd::Attach(Control* c) {
    if (c)
        c->Owner().Bind(*this, c);
    else
        Detach();
}

void CWnd::Detach() {
    if (m_pCtrl)
        m_pCtrl->Owner().Unbind(*this);
    m_pCtrl = nullptr;
}

void CWnd::SetWindowText(const std::string& text) {
    if (m_pCtrl)
        m_pCtrl->Owner().SetItemText(*m_pCtrl, text);
}

std::string CWnd::GetWindowText() const {
    return m_pCtrl ? m_pCtrl->Text() : std::string();
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (!m_pCtrl)
        return FALSE;
    BOOL wasDisabled = m_pCtrl->IsEnabled() ? FALSE : TRUE;
    m_pCtrl->SetEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return m_pCtrl && m_pCtrl->IsEnabled() ? TRUE : FALSE;
}

BOOL CWnd::ShowWindow(int cmd) {
    if (!m_pCtrl)
        return FALSE;
    BOOL wasVisible = m_pCtrl->IsVisible() ? TRUE : FALSE;
    m_pCtrl->SetVisible(cmd != SW_HIDE);
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    return m_pCtrl && m_pCtrl->IsVisible() ? TRUE : FALSE;
}

void CWnd::SetFont(CFont* font, BOOL) {
    if (m_pCtrl && font && font->IsCreated())
        m_pCtrl->SetFont(font->Spec());
}

void CWnd::SetFocus() {
    if (m_pCtrl)
        m_pCtrl->Owner().SetFocusControl(m_pCtrl);
}

void CWnd::SetRedraw(BOOL redraw) {
    if (m_pCtrl)
        m_pCtrl->SetRedraw(redraw != FALSE);
}

void CEdit::SetSel(int start, int end) {
    if (m_pCtrl)
        m_pCtrl->SetSel(start, end);
}

void CEdit::ScrollCaret() {
    if (m_pCtrl)
        m_pCtrl->ScrollCaret();
}

int CButton::GetCheck() const {
    return m_pCtrl ? m_pCtrl->Check() : 0;
}

void CButton::SetCheck(int state) {
    if (m_pCtrl)
        m_pCtrl->SetCheck(state);
}

BOOL CStatic::Create(const char* text, uint32_t styles, const CRect& rect, CDialog* parent,
                     int id) {
    if (!parent)
        return FALSE;
    ControlTemplate t{id, ControlKind::Static, text ? text : "", {}, styles};
    Control* c = parent->CreateControl(t, rect);
    if (!c)
        return FALSE;
    parent->Bind(*this, c);
    return TRUE;
}

void CStatic::SetBitmap(std::shared_ptr<const Image> image) {
    if (m_pCtrl)
        m_pCtrl->SetBitmap(std::move(image));
}

int CListBox::AddString(const char* text) {
    return m_pCtrl ? m_pCtrl->AddString(text) : -1;
}
int CListBox::InsertString(int index, const char* text) {
    return m_pCtrl ? m_pCtrl->InsertString(index, text) : -1;
}
int CListBox::DeleteString(int index) {
    return m_pCtrl ? m_pCtrl->DeleteString(index) : -1;
}
void CListBox::ResetContent() {
    if (m_pCtrl)
        m_pCtrl->ResetContent();
}
int CListBox::GetCount() const {
    return m_pCtrl ? int(m_pCtrl->Items().size()) : 0;
}
int CListBox::GetCurSel() const {
    return m_pCtrl ? m_pCtrl->CurSel() : -1;
}
int CListBox::SetCurSel(int index) {
    return m_pCtrl ? m_pCtrl->SetCurSel(index) : -1;
}
int CListBox::GetText(int index, std::string& out) const {
    if (!m_pCtrl || index < 0 || index >= GetCount())
        return -1;
    out = m_pCtrl->Items()[size_t(index)];
    return static_cast<int>(out.size());
}

int CComboBox::AddString(const char* text) {
    return m_pCtrl ? m_pCtrl->AddString(text) : -1;
}
int CComboBox::InsertString(int index, const char* text) {
    return m_pCtrl ? m_pCtrl->InsertString(index, text) : -1;
}
int CComboBox::DeleteString(int index) {
    return m_pCtrl ? m_pCtrl->DeleteString(index) : -1;
}
void CComboBox::ResetContent() {
    if (m_pCtrl)
        m_pCtrl->ResetContent();
}
int CComboBox::GetCount() const {
    return m_pCtrl ? int(m_pCtrl->Items().size()) : 0;
}
int CComboBox::GetCurSel() const {
    return m_pCtrl ? m_pCtrl->CurSel() : -1;
}
int CComboBox::SetCurSel(int index) {
    return m_pCtrl ? m_pCtrl->SetCurSel(index) : -1;
}
void CComboBox::GetLBText(int index, std::string& out) const {
    out.clear();
    if (m_pCtrl && index >= 0 && index < GetCount())
        out = m_pCtrl->Items()[size_t(index)];
}
int CComboBox::SelectString(int after, const char* prefix) {
    return m_pCtrl ? m_pCtrl->SelectString(after, prefix ? prefix : "") : -1;
}

int CListCtrl::InsertColumn(int index, const char* title, int format, int width) {
    if (!m_pCtrl)
        return -1;
    Align a = format == LVCFMT_RIGHT ? Align::Right
                                     : (format == LVCFMT_CENTER ? Align::Center : Align::Left);
    return m_pCtrl->InsertColumn(index, ListColumn{title ? title : "", a, width < 0 ? 0 : width});
}
BOOL CListCtrl::SetColumnTitle(int column, const char* title) {
    return m_pCtrl && m_pCtrl->SetColumnTitle(column, title ? title : "") ? TRUE : FALSE;
}
int CListCtrl::InsertItem(int index, const char* text) {
    return m_pCtrl ? m_pCtrl->InsertRow(index, text ? text : "") : -1;
}
BOOL CListCtrl::SetItemText(int row, int column, const char* text) {
    return m_pCtrl && m_pCtrl->SetSubItem(row, column, text ? text : "") ? TRUE : FALSE;
}
std::string CListCtrl::GetItemText(int row, int column) const {
    return m_pCtrl ? m_pCtrl->SubItem(row, column) : std::string();
}
int CListCtrl::GetItemCount() const {
    return m_pCtrl ? int(m_pCtrl->Rows().size()) : 0;
}
BOOL CListCtrl::DeleteItem(int row) {
    return m_pCtrl && m_pCtrl->DeleteRow(row) ? TRUE : FALSE;
}
BOOL CListCtrl::DeleteAllItems() {
    if (!m_pCtrl)
        return FALSE;
    m_pCtrl->DeleteAllRows();
    return TRUE;
}
BOOL CListCtrl::SetItemData(int row, std::any data) {
    return m_pCtrl && m_pCtrl->SetRowData(row, std::move(data)) ? TRUE : FALSE;
}
int CListCtrl::GetSelectionMark() const {
    return m_pCtrl ? m_pCtrl->SelectionMark() : -1;
}
int CListCtrl::SetSelectionMark(int row) {
    if (!m_pCtrl)
        return -1;
    int old = m_pCtrl->SelectionMark();
    m_pCtrl->SetSelectionMark(row);
    return old;
}
int CListCtrl::GetNextItem(int start, unsigned flags) const {
    if (!m_pCtrl)
        return -1;
    const auto& rows = m_pCtrl->Rows();
    for (int r = start < 0 ? 0 : start + 1; r < static_cast<int>(rows.size()); ++r)
        if (!(flags & LVNI_SELECTED) || rows[size_t(r)].selected)
            return r;
    return -1;
}
BOOL CListCtrl::EnsureVisible(int row, BOOL) {
    return m_pCtrl && m_pCtrl->EnsureVisible(row) ? TRUE : FALSE;
}

void CProgressCtrl::SetRange(short lower, short upper) {
    if (m_pCtrl)
        m_pCtrl->SetRange(static_cast<uint16_t>(lower), static_cast<uint16_t>(upper));
}
void CProgressCtrl::GetRange(int& lower, int& upper) const {
    lower = m_pCtrl ? m_pCtrl->RangeLow() : 0;
    upper = m_pCtrl ? m_pCtrl->RangeHigh() : 0;
}
int CProgressCtrl::SetPos(int pos) {
    return m_pCtrl ? m_pCtrl->SetPos(pos) : 0;
}
int CProgressCtrl::GetPos() const {
    return m_pCtrl ? m_pCtrl->Pos() : 0;
}
int CProgressCtrl::SetStep(int step) {
    return m_pCtrl ? m_pCtrl->SetStep(step) : 0;
}
int CProgressCtrl::StepIt() {
    return m_pCtrl ? m_pCtrl->StepIt() : 0;
}

} // namespace platform::ui
