#include "app/Detail.h"

#include "app/Advanced.h"
#include "app/ProfileStep.h"
#include "app/shared/DialogHelpers.h"
#include "resources/Resources.h"
#include "resources/dialogs/Dialog138Ids.h"

using namespace ids138;

namespace {

// The wavelength is the model text's last three characters.
std::string Wavelength(const std::string& model) {
    return model.size() <= 3 ? model : model.substr(model.size() - 3);
}

} // namespace

CDetail::CDetail(CDialog* parent) : CDialog(IDD, parent) {
    MapCommand(IDC_SET, BN_CLICKED, &CDetail::OnBnClickedSet);
    MapCommand(IDC_MORE, BN_CLICKED, &CDetail::OnBnClickedMore);
}

void CDetail::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PICTURE, m_staticPicture);
    DDX_Control(pDX, IDC_VALUE, m_editValue);
}

BOOL CDetail::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_pHead) {
        if (m_pHead->m_pBoard)
            m_pHead->m_pBoard->ResetReply();
        SetDlgItemText(IDC_MODEL, m_pHead->m_strModel);
        SetDlgItemText(IDC_WAVELENGTH, Wavelength(m_pHead->m_strModel));
        SetDlgItemText(IDC_SERIAL, m_pHead->m_strSerial);
        SetDlgItemText(IDC_CAL_DATE, m_pHead->m_strCalDate);
    }
    if (!m_bCalibrated) {
        SetDlgItemText(IDC_UNIT, "Index (0-255)");
        GetDlgItem(IDC_MORE)->EnableWindow(FALSE);
    }
    return TRUE;
}

void CDetail::OnPaint() {
    CBitmap picture;
    picture.LoadBitmap(IDB_HEAD);
    m_staticPicture.SetBitmap(picture.Image());
}

void CDetail::SelectValue() {
    m_editValue.SetFocus();
    m_editValue.SetSel(0, -1);
    m_editValue.ScrollCaret();
}

void CDetail::OnBnClickedSet() {
    if (m_pHead) {
        if (m_bCalibrated) {
            const float mw = GetDlgItemFloat(this, IDC_VALUE);
            if (const char* problem = IntensityProblem(mw)) {
                ShowMessage("%s Nothing was sent.", problem);
            } else {
                m_pHead->m_fSetting = mw;
                m_pHead->SetIntensity(mw);
            }
        } else {
            const uint16_t index = HeldIndex(GetDlgItemInt(IDC_VALUE, nullptr, TRUE));
            m_pHead->m_fSetting = index;
            m_pHead->SetIndex(index);
        }
    }
    SelectValue();
}

void CDetail::OnBnClickedMore() {
    CAdvanced advanced(this);
    advanced.m_pHead = m_pHead;
    advanced.DoModal();
}
