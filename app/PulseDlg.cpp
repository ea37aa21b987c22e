#include "app/PulseDlg.h"

#include "app/shared/DialogHelpers.h"
#include "platform/Number.h"
#include "resources/dialogs/Dialog150Ids.h"

#include <algorithm>
#include <cmath>

using namespace ids150;

namespace {

using platform::TruncateToInt;

// Mode bytes of the start command.
constexpr uint8_t kModeCounted = 0;
constexpr uint8_t kModeTimeLimit = 1; // sent as kModeCounted
// Modes 2 (manual: pulses until stopped) and 3 (external trigger) go on the
// wire as the radio's offset, like the two above.

uint16_t Low16(int value) {
    return static_cast<uint16_t>(static_cast<unsigned>(value) & 0xFFFFu);
}

} // namespace

pulseDlg::pulseDlg(CDialog* parent) : CDialog(IDD, parent) {
    MapCommand(IDC_START_PULSES, BN_CLICKED, &pulseDlg::OnBnClickedStartPulses);
    MapCommand(IDC_START_TIME_LIMIT, BN_CLICKED, &pulseDlg::OnBnClickedStartTimeLimit);
    MapCommand(IDC_ON, BN_CLICKED, &pulseDlg::OnBnClickedOn);
    MapCommand(IDC_ARM, BN_CLICKED, &pulseDlg::OnBnClickedArm);
    MapCommand(IDC_PULSE_COUNT, EN_CHANGE, &pulseDlg::OnEnChangePulseCount);
    MapCommand(IDC_TIME_LIMIT, EN_CHANGE, &pulseDlg::OnEnChangeTimeLimit);
}

BOOL pulseDlg::OnInitDialog() {
    return CDialog::OnInitDialog();
}

void pulseDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MODE_PULSES, m_radioMode[0]);
    DDX_Control(pDX, IDC_MODE_TIME_LIMIT, m_radioMode[1]);
    DDX_Control(pDX, IDC_MODE_MANUAL, m_radioMode[2]);
    DDX_Control(pDX, IDC_MODE_TRIGGER, m_radioMode[3]);
    DDX_Control(pDX, IDC_CHANNEL_A, m_checkChannelA);
    DDX_Control(pDX, IDC_CHANNEL_B, m_checkChannelB);
    DDX_Control(pDX, IDC_START_PULSES, m_btnStartPulses);
    DDX_Control(pDX, IDC_START_TIME_LIMIT, m_btnStartTimeLimit);
    DDX_Control(pDX, IDC_ON, m_btnOn);
    DDX_Control(pDX, IDC_ARM, m_btnArm);
    DDX_Control(pDX, IDC_PROGRESS_PULSES, m_progressPulses);
    DDX_Control(pDX, IDC_PROGRESS_TIME_LIMIT, m_progressTimeLimit);
}

void pulseDlg::Twin(int mode, CButton& button, CProgressCtrl* bar, const char* idle,
                    const char* running) {
    CButton* const all[4] = {&m_btnStartPulses, &m_btnStartTimeLimit, &m_btnOn, &m_btnArm};
    if (button.GetCheck() == BST_CHECKED) {
        CheckRadioButton(IDC_MODE_PULSES, IDC_MODE_TRIGGER, IDC_MODE_PULSES + mode);
        for (CButton* b : all)
            if (b != &button)
                b->EnableWindow(FALSE);
        button.SetWindowText(running);
        if (bar != nullptr)
            m_pActiveProgress = bar;
        StartPulse();
        return;
    }
    StopPulse();
    if (bar != nullptr) {
        KillTimer(IDT_PULSE_PROGRESS);
        KillTimer(IDT_PULSE_END);
        if (m_pActiveProgress != nullptr)
            m_pActiveProgress->SetPos(0);
    }
    button.SetWindowText(idle);
    for (CButton* b : all)
        if (b != &button)
            b->EnableWindow(TRUE);
}

void pulseDlg::OnBnClickedStartPulses() {
    Twin(0, m_btnStartPulses, &m_progressPulses, "Start", "Cancel");
}

void pulseDlg::OnBnClickedStartTimeLimit() {
    Twin(1, m_btnStartTimeLimit, &m_progressTimeLimit, "Start", "Cancel");
}

void pulseDlg::OnBnClickedOn() {
    Twin(2, m_btnOn, nullptr, "On", "Off");
}

void pulseDlg::OnBnClickedArm() {
    Twin(3, m_btnArm, nullptr, "Arm", "Disarm");
}

void pulseDlg::OnEnChangePulseCount() {
    CheckRadioButton(IDC_MODE_PULSES, IDC_MODE_TRIGGER, IDC_MODE_PULSES);
}

void pulseDlg::OnEnChangeTimeLimit() {
    CheckRadioButton(IDC_MODE_PULSES, IDC_MODE_TRIGGER, IDC_MODE_TIME_LIMIT);
}

void pulseDlg::StartPulse() {
    const float on = GetDlgItemFloat(this, IDC_ON_DURATION);
    const float off = GetDlgItemFloat(this, IDC_OFF_DURATION);
    const int index = std::clamp(GetDlgItemInt(IDC_INTENSITY, nullptr, TRUE), 0, 255);
    int count = GetDlgItemInt(IDC_PULSE_COUNT, nullptr, TRUE);
    const float limit = GetDlgItemFloat(this, IDC_TIME_LIMIT);
    const int checked = GetCheckedRadioButton(IDC_MODE_PULSES, IDC_MODE_TRIGGER);
    uint8_t mode = checked == 0 ? kModeCounted : static_cast<uint8_t>(checked - IDC_MODE_PULSES);
    const float period = on + off;

    if (mode == kModeTimeLimit)
        count = TruncateToInt(limit / period); // a zero period gives no int: count 0 is sent
    if (mode == kModeCounted || mode == kModeTimeLimit) {
        if (m_pActiveProgress == nullptr) // a start not made through its button
            m_pActiveProgress = mode == kModeCounted ? &m_progressPulses : &m_progressTimeLimit;
        // The run lasts as long as the train the controller is sent: the count
        // as it goes on the wire, whole seconds. Its end timer is not cut to
        // 16 bits, so trains of 32768 s or more end on time too; the bar's
        // range is 16 bits and fills early on longer trains.
        const float seconds = std::trunc(static_cast<float>(Low16(count)) * period);
        const double total = std::isnan(seconds) ? 0.0 : std::max(0.0, double{seconds});
        const uint64_t endMs = total * 1000.0 >= double{kMaxTimerMs}
                                   ? kMaxTimerMs
                                   : std::max(kMinTimerMs, static_cast<uint64_t>(total * 1000.0));
        // PBM_SETRANGE takes the upper bound as 16 bits; through int, so that a
        // bound above 32767 is not a float-to-short overflow.
        const auto upper = static_cast<uint16_t>(static_cast<int>(std::min(total, 65535.0)));
        m_pActiveProgress->SetRange(0, static_cast<short>(upper));
        m_pActiveProgress->SetStep(1);
        m_pActiveProgress->SetPos(0);
        SetTimer(IDT_PULSE_PROGRESS, 1000);
        SetTimer(IDT_PULSE_END, static_cast<unsigned>(endMs));
        mode = kModeCounted;
    }

    const bool a = m_checkChannelA.GetCheck() == BST_CHECKED;
    const bool b = m_checkChannelB.GetCheck() == BST_CHECKED;
    COpticalHead* head = nullptr;
    uint8_t channel = 0;
    if (a && b) {
        head = m_pHeadA;
        channel = 2;
    } else if (a) {
        head = m_pHeadA;
        channel = 0;
    } else if (b) {
        head = m_pHeadB;
        channel = 1;
    }
    if (head == nullptr)
        return;
    head->StartPulse(channel, Low16(TruncateToInt(on * 1000.0f)),
                     Low16(TruncateToInt(off * 1000.0f)), static_cast<uint8_t>(index), mode,
                     Low16(count));
}

void pulseDlg::StopPulse() {
    COpticalHead* head = nullptr;
    if (m_checkChannelA.GetCheck() == BST_CHECKED)
        head = m_pHeadA;
    else if (m_checkChannelB.GetCheck() == BST_CHECKED)
        head = m_pHeadB;
    if (head != nullptr)
        head->StopPulse();
}

void pulseDlg::OnTimer(uintptr_t id) {
    if (id == IDT_PULSE_PROGRESS) {
        if (m_pActiveProgress != nullptr)
            m_pActiveProgress->StepIt();
        return;
    }
    if (id != IDT_PULSE_END)
        return;
    KillTimer(IDT_PULSE_PROGRESS);
    KillTimer(IDT_PULSE_END);
    // The last step completes the bar. When the progress timer, due at the
    // same moment, has already filled it, a further step would start the bar
    // over and leave a finished run looking barely begun.
    if (m_pActiveProgress != nullptr) {
        int lower = 0, upper = 0;
        m_pActiveProgress->GetRange(lower, upper);
        if (m_pActiveProgress->GetPos() < upper)
            m_pActiveProgress->StepIt();
    }
    m_btnStartPulses.SetCheck(BST_UNCHECKED);
    m_btnStartTimeLimit.SetCheck(BST_UNCHECKED);
    m_btnStartPulses.SetWindowText("Start");
    m_btnStartTimeLimit.SetWindowText("Start");
    m_btnOn.EnableWindow(TRUE);
    m_btnArm.EnableWindow(TRUE);
    m_btnStartPulses.EnableWindow(TRUE);
    m_btnStartTimeLimit.EnableWindow(TRUE);
}
