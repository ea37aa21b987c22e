#include "app/shared/Passwd.h"

#include "resources/dialogs/Dialog135Ids.h"

using namespace ids135;

namespace {
constexpr int IDD_PASSWORD = 135;
} // namespace

passwd::passwd(CDialog* parent) : CDialog(IDD_PASSWORD, parent) {
    MapCommand(IDOK, BN_CLICKED, &passwd::OnBnClickedOk);
}

void passwd::OnBnClickedOk() {
    m_strPassword = GetDlgItemText(IDC_PASSWORD);
    CDialog::OnOK();
}
