#include "app/shared/Passwd.h"

namespace {
constexpr int IDD_PASSWORD = 135;
constexpr int IDC_PASSWORD = 1000;
} // namespace

passwd::passwd(CDialog* parent) : CDialog(IDD_PASSWORD, parent) {
    MapCommand(IDOK, BN_CLICKED, &passwd::OnBnClickedOk);
}

void passwd::OnBnClickedOk() {
    m_strPassword = GetDlgItemText(IDC_PASSWORD);
    CDialog::OnOK();
}
