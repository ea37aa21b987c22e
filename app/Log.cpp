#include "app/Log.h"

#include "app/shared/DialogHelpers.h"
#include "platform/TimeFormat.h"
#include "resources/dialogs/Dialog131Ids.h"

#include <algorithm>
#include <limits>

using namespace ids131;

CLog::CLog(CDialog* parent) : CDialog(IDD, parent) {
    MapCommand(IDC_BROWSE, BN_CLICKED, &CLog::OnBnClickedBrowse);
    MapCommand(IDOK, BN_CLICKED, &CLog::OnBnClickedOk);
}

CLog::~CLog() {
    DestroyWindow();
    Close();
    for (LogHeadInfo& r : m_heads)
        r.present = 0;
}

std::tm CLog::Now() const {
    return platform::LocalTimeNow();
}

BOOL CLog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_PATH, m_strPath);
    return TRUE;
}

void CLog::OnBnClickedBrowse() {
    CFileDialog dlg(false, "dsc", nullptr,
                    OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXTENSIONDIFFERENT | OFN_EXPLORER,
                    "DSC Log Files (*.log)|*.log|All Files (*.*)|*.*||", this);
    dlg.m_ofn.lpstrTitle = "Save DSC Log File";
    if (dlg.DoModal() != IDOK)
        return;
    m_strPath = dlg.GetPathName();
    SetDlgItemText(IDC_PATH, m_strPath);
}

void CLog::OnBnClickedOk() {
    m_strPath = GetDlgItemText(IDC_PATH);
    if (!m_file.Create(m_strPath)) {
        ShowMessage("File could not be opened.");
        return;
    }
    const std::tm now = Now();
    const std::string header =
        FormatLogHeader(m_heads, GetDlgItemText(IDC_OPERATOR), GetDlgItemText(IDC_COMMENT), now);
    if (!m_file.Write(header)) {
        // A log without its header would be read wrongly: the operator tries again.
        m_file.Close();
        ShowMessage("Log file could not be written.");
        return;
    }
    m_bLogging = 1;
    CDialog::OnOK();
}

void CLog::Close() {
    m_file.Close();
    m_bLogging = 0;
}

bool CLog::WriteSample() {
    m_line.clear();
    AppendLogSample(m_line, m_heads, Now());
    if (m_file.Write(m_line))
        return true;
    Close();
    return false;
}

bool CLog::Tick(COpticalHead* heads, int headObjects, int32_t headCount) {
    if (!m_bLogging)
        return true;
    // Every record starts the tick without a reading: one that is not read
    // now is written empty rather than with an old value.
    for (LogHeadInfo& r : m_heads)
        r.reading = std::numeric_limits<float>::quiet_NaN();
    const int n = std::min({headCount, headObjects, kLogPositions});
    for (int i = 0; i < n && heads != nullptr; ++i) {
        if (!heads[i].m_bPresent)
            continue;
        float reading = 0.0f;
        uint8_t temperature = 0;
        if (!heads[i].ReadOutput(reading, temperature))
            continue;
        m_heads[i].reading = reading;
        m_heads[i].temperature = temperature;
    }
    return WriteSample();
}
