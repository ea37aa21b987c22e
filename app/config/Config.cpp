#include "app/config/Config.h"

#include "app/config/ConfigFile.h"
#include "app/shared/DialogHelpers.h"
#include "resources/dialogs/Dialog129Ids.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace ids129;

Config::Config(CDialog* parent) : CDialog(IDD, parent) {
    MapCommand(IDOK, BN_CLICKED, &Config::OnBnClickedOk);
    MapCommand(IDC_TITLE_LUMIFLEX, BN_CLICKED, &Config::OnBnClickedTitleLumiflex);
    MapCommand(IDC_TITLE_K310, BN_CLICKED, &Config::OnBnClickedTitleK310);
    MapCommand(IDC_TITLE_7R40, BN_CLICKED, &Config::OnBnClickedTitle7R40);
    MapCommand(IDC_TITLE_MX12, BN_CLICKED, &Config::OnBnClickedTitleMX12);
    MapCommand(IDC_TITLE_TALON, BN_CLICKED, &Config::OnBnClickedTitleTalon);
    MapCommand(IDC_TITLE_OPALINE, BN_CLICKED, &Config::OnBnClickedTitleOpaline);
    MapCommand(IDC_HEAD_COUNT, EN_CHANGE, &Config::OnEnChangeHeadCount);
    MapCommand(IDC_HEAD_LIST, LBN_SELCHANGE, &Config::OnLbnSelchangeHeadList);

    if (ReadConfigFile(kFileName, m_record))
        return;
    ShowMessage("Configuration file not found. Creating with defaults.");
    DecodeConfigRecord(nullptr, 0, m_record);
    std::strcpy(m_record.title, "Lumiflex");
    m_record.headCount = 0;
    WriteConfigFile();
}

void Config::WriteConfigFile() {
    if (!WriteConfigFileAtomically(kFileName, m_record))
        ShowMessage("Config.ini could not be opened for writing.");
}

void Config::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HEAD_LIST, m_listHeads);
    DDX_Control(pDX, IDC_HEAD_COUNT, m_editHeadCount);
    DDX_Control(pDX, IDC_SERIAL, m_comboSerial);
}

BOOL Config::OnInitDialog() {
    // Taken first: filling the head-count edit below already stores into the
    // edited record (a count above 67 comes back as 67).
    m_edited = m_record;
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_TITLE_OTHER, BST_CHECKED);
    SetDlgItemText(IDC_TITLE,
                   std::string(m_edited.title, strnlen(m_edited.title, sizeof m_edited.title)));
    SetDlgItemInt(IDC_HEAD_COUNT, m_edited.headCount, TRUE);
    OnEnChangeHeadCount();
    const int serials = std::clamp(m_nSerials, 0, kMaxSerials);
    for (int k = 0; k < serials; ++k)
        m_comboSerial.AddString(m_serials[k].c_str());
    CheckDlgButton(IDC_PASSWORD_PROTECT, m_edited.passwordProtect ? BST_CHECKED : BST_UNCHECKED);
    m_nSelectedHead = -1;
    return TRUE;
}

void Config::OnBnClickedTitleLumiflex() {
    SetDlgItemText(IDC_TITLE, "Lumiflex");
}
void Config::OnBnClickedTitleK310() {
    SetDlgItemText(IDC_TITLE, "K310 DSC Photo Module");
}
void Config::OnBnClickedTitle7R40() {
    SetDlgItemText(IDC_TITLE, "7R40 DSC Photo Module");
}
void Config::OnBnClickedTitleMX12() {
    SetDlgItemText(IDC_TITLE, "MX12 DSC Photo Module");
}
void Config::OnBnClickedTitleTalon() {
    SetDlgItemText(IDC_TITLE, "Talon DSC Photo Module");
}
void Config::OnBnClickedTitleOpaline() {
    SetDlgItemText(IDC_TITLE, "Opaline DSC Photo Module");
}

int32_t Config::HeadCountFromEdit() {
    const int count = GetDlgItemInt(IDC_HEAD_COUNT, nullptr, TRUE);
    if (count <= ConfigRecord::kMaxHeads)
        return count;
    // The table has 67 entries; writing the edit back raises EN_CHANGE once
    // more, which then finds 67 and stops.
    SetDlgItemInt(IDC_HEAD_COUNT, ConfigRecord::kMaxHeads, TRUE);
    return ConfigRecord::kMaxHeads;
}

void Config::OnEnChangeHeadCount() {
    m_edited.headCount = HeadCountFromEdit();
    m_listHeads.ResetContent();
    char text[32];
    for (int i = 1; i <= m_edited.headCount; ++i) {
        std::snprintf(text, sizeof text, "RVX %d", i);
        m_listHeads.AddString(text);
    }
}

void Config::OnLbnSelchangeHeadList() {
    if (m_nSelectedHead != -1)
        SaveSelectedHead();
    const int sel = m_listHeads.GetCurSel();
    m_nSelectedHead = (sel >= 0 && sel < ConfigRecord::kMaxHeads) ? sel : -1;
    if (m_nSelectedHead == -1)
        return;
    const ConfigHeadEntry& e = m_edited.heads[m_nSelectedHead];
    m_comboSerial.SelectString(-1, BoardSerialText(e).c_str());
    CheckRadioButton(IDC_CHANNEL_A, IDC_CHANNEL_B, e.channel == 0 ? IDC_CHANNEL_A : IDC_CHANNEL_B);
    SetDlgItemInt(IDC_X, e.x, TRUE);
    SetDlgItemInt(IDC_Y, e.y, TRUE);
}

void Config::SaveSelectedHead() {
    if (m_nSelectedHead < 0 || m_nSelectedHead >= ConfigRecord::kMaxHeads)
        return;
    ConfigHeadEntry& e = m_edited.heads[m_nSelectedHead];
    const int sel = m_comboSerial.GetCurSel();
    if (sel >= 0) {
        std::string serial;
        m_comboSerial.GetLBText(sel, serial);
        // Eight characters fill the field without a terminator; shorter ones are padded with NULs.
        std::memset(e.boardSerial, 0, sizeof e.boardSerial);
        std::memcpy(e.boardSerial, serial.data(), std::min(serial.size(), sizeof e.boardSerial));
    }
    e.channel = IsDlgButtonChecked(IDC_CHANNEL_A) == BST_CHECKED ? 0 : 1;
    e.x = GetDlgItemInt(IDC_X, nullptr, TRUE);
    e.y = GetDlgItemInt(IDC_Y, nullptr, TRUE);
}

void Config::OnBnClickedOk() {
    const std::string title = GetDlgItemText(IDC_TITLE);
    // At most 63 characters and a terminator; the rest of the field is cleared.
    std::memset(m_edited.title, 0, sizeof m_edited.title);
    std::memcpy(m_edited.title, title.data(), std::min(title.size(), sizeof m_edited.title - 1));
    if (m_nSelectedHead != -1) {
        m_edited.headCount = HeadCountFromEdit();
        SaveSelectedHead();
    }
    m_edited.passwordProtect = IsDlgButtonChecked(IDC_PASSWORD_PROTECT) == BST_CHECKED ? 1 : 0;
    m_record = m_edited;
    WriteConfigFile();
    CDialog::OnOK();
}
