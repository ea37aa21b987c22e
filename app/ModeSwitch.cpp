#include "app/ModeSwitch.h"

#include "app/shared/DialogHelpers.h"
#include "resources/dialogs/Dialog151Ids.h"

#include <cstdint>

using namespace ids151;

CModeSwitch::CModeSwitch(CDialog* parent) : CDialog(IDD, parent) {
    MapCommand(IDC_SWITCH, BN_CLICKED, &CModeSwitch::OnBnClickedSwitch);
}

BOOL CModeSwitch::OnInitDialog() {
    CDialog::OnInitDialog();
    CControlBoard* board = Board();
    if (board == nullptr) {
        // No board information to show or change: say so rather than claim a mode.
        SetDlgItemText(IDC_MODE_TEXT, "No controller!");
        SetDlgItemText(IDC_DEFAULT_LABEL, "");
        GetDlgItem(IDC_DEFAULT_VALUE)->SetEnabled(false);
        GetDlgItem(IDC_SWITCH)->SetEnabled(false);
        return TRUE;
    }
    board->ReadBoardInfo(); // on failure the mode last known is shown
    if (board->m_nIntensitySetMode == 0) {
        SetDlgItemText(IDC_MODE_TEXT, "The Lumiflex is currently in PWM mode.");
        SetDlgItemText(IDC_DEFAULT_LABEL, "Default PWM value while in DAC mode:");
    } else {
        SetDlgItemText(IDC_MODE_TEXT, "The Lumiflex is currently in DAC mode.");
        SetDlgItemText(IDC_DEFAULT_LABEL, "Default DAC value while in PWM mode:");
    }
    return TRUE;
}

void CModeSwitch::OnBnClickedSwitch() {
    CControlBoard* board = Board();
    if (board == nullptr)
        return;
    m_pHead->m_bPresent = m_pHead->ReadRecord() ? 1 : 0;
    if (!m_pHead->m_bPresent) {
        // The burn writes the whole record back: after a failed read that is
        // whatever the head object last held (all zeros for a head never
        // read), which would wipe the model, serial and curves.
        ShowMessage("The RVX configuration could not be read. Nothing was burned and the mode was "
                    "not switched.");
        return;
    }
    const int value = GetDlgItemInt(IDC_DEFAULT_VALUE, nullptr, TRUE);
    m_pHead->m_record.initialDacPwm = static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
    m_pHead->WriteRecord();
    board->ReadBoardInfo();
    board->m_nIntensitySetMode = board->m_nIntensitySetMode == 0 ? 1 : 0;
    board->WriteBoardInfo(); // throws, after the burn, on a board serial under 7 characters
    EndDialog(0);
}
