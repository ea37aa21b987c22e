// What a user does to a dialog (clicks, typing, selection, keys, the close
// box, the mouse), as the backends and the tests hand it in.
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogGuard.h"

#include <string>

namespace platform::ui {

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

} // namespace platform::ui
