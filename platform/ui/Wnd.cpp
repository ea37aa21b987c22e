// The control wrappers (CWnd and its kinds, CFont) and their binding by
// DDX_Control: thin handles on a dialog's Control.
#include "platform/ui/Dialog.h"

#include <any>
#include <memory>
#include <string>
#include <utility>

namespace platform::ui {

void DDX_Control(CDataExchange* pDX, int id, CWnd& ctrl) {
    if (!pDX || !pDX->m_pDlgWnd)
        return;
    pDX->m_pDlgWnd->Bind(ctrl, pDX->m_pDlgWnd->GetDlgItem(id));
}

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
