#include "app/Advanced.h"

#include "app/ProfileStep.h"
#include "resources/dialogs/Dialog145Ids.h"

using namespace ids145;

CAdvanced::CAdvanced(CDialog* parent) : CDialog(IDD, parent) {
    MapCommand(IDC_SET, BN_CLICKED, &CAdvanced::OnBnClickedSet);
    MapCommand(IDC_OFF, BN_CLICKED, &CAdvanced::OnBnClickedOff);
}

void CAdvanced::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_INDEX, m_editIndex);
}

void CAdvanced::SelectIndex() {
    m_editIndex.SetFocus();
    m_editIndex.SetSel(0, -1);
    m_editIndex.ScrollCaret();
}

void CAdvanced::OnBnClickedSet() {
    if (m_pHead)
        m_pHead->SetIndex(HeldIndex(GetDlgItemInt(IDC_INDEX, nullptr, TRUE)));
    SelectIndex();
}

void CAdvanced::OnBnClickedOff() {
    if (m_pHead)
        m_pHead->Off();
    SelectIndex();
}
