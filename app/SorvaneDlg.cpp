#include "app/SorvaneDlg.h"

#include "app/Detail.h"
#include "app/HeadBinding.h"
#include "app/ModeSwitch.h"
#include "app/PulseDlg.h"
#include "app/StartUp.h"
#include "calibration/Calib.h"
#include "platform/Number.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Simulated heads take their serials from this table, head i entry i.
constexpr const char* kSimulatedSerials[24] = {
    "0906011", "0906012", "0906013", "0906014", "0906015", "0906016", "0906017", "0906018",
    "0906019", "0906020", "0906021", "0906022", "0906023", "0906024", "0906025", "0906026",
    "0906027", "0906028", "0906029", "0906030", "0906031", "0906032", "0906033", "0906034"};

// An edge of an indicator `extent` pixels from `origin`; settings files hold
// positions as typed, so the far edge stops at the largest int.
int FarEdge(int32_t origin, int extent) {
    return static_cast<int>(std::min<int64_t>(int64_t{origin} + extent, INT_MAX));
}

// The title field is 64 bytes; a file may leave it without a terminator.
std::string TitleText(const ConfigRecord& r) {
    return std::string(r.title, strnlen(r.title, sizeof r.title));
}

} // namespace

CSorvaneDlg::CSorvaneDlg(CDialog* parent) : CDialog(102, parent), m_config(this), m_log(this) {
    // CreateFontA(20, 0, 0, 0, FW_NORMAL, ..., ANSI_CHARSET, ..., FF_SWISS, "Microsoft Sans Serif")
    m_fontIndicator.CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0x20, "Microsoft Sans Serif");

    MapCommand(ids102::IDC_OFF, BN_CLICKED, &CSorvaneDlg::OnBnClickedOff);
    MapCommand(ids102::IDC_SET, BN_CLICKED, &CSorvaneDlg::OnBnClickedSet);
    MapCommand(ids102::IDC_CLEAR_ALL, BN_CLICKED, [this] { OnBnClickedClearAll(); });
    MapCommand(ids102::IDC_LOG, BN_CLICKED, &CSorvaneDlg::OnBnClickedLog);
    MapCommand(ids102::IDC_VEXOR, BN_CLICKED, &CSorvaneDlg::OnBnClickedVexor);
    MapCommand(ids102::IDC_EXTERNAL_TRIGGER, BN_CLICKED, &CSorvaneDlg::OnBnClickedExternalTrigger);
    MapCommand(ids102::IDC_MANUAL, EN_CHANGE, &CSorvaneDlg::OnEnChangeManual);
    MapCommand(ids102::IDC_DURATION, EN_CHANGE, &CSorvaneDlg::OnEnChangeStepEdit);
    MapCommand(ids102::IDC_INTENSITY2, EN_CHANGE, &CSorvaneDlg::OnEnChangeStepEdit);
    MapCommand(ids102::IDC_SETUP, BN_CLICKED, &CSorvaneDlg::OnBnClickedSetup);
    MapCommand(ids102::IDC_CALIBRATED_MODE, BN_CLICKED, &CSorvaneDlg::OnBnClickedContinuousMode);
    MapCommand(ids102::IDC_INDEX_MODE, BN_CLICKED, &CSorvaneDlg::OnBnClickedContinuousMode);
    MapCommand(ids102::IDC_PULSE_MODE, BN_CLICKED, &CSorvaneDlg::OnBnClickedPulseMode);
    MapCommand(ids102::IDC_PERSISTENCE, BN_CLICKED, &CSorvaneDlg::OnBnClickedPersistence);
    MapCommand(ids102::IDC_SWITCH_MODES, BN_CLICKED, &CSorvaneDlg::OnBnClickedSwitchModes);
    MapProfileCommands();
}

CSorvaneDlg::~CSorvaneDlg() {
    DestroyWindow();
    ReleaseControllers();
}

void CSorvaneDlg::ReleaseControllers() {
    // Heads point into the controller array: they go first.
    m_pHeads.reset();
    for (int k = 0; k < m_nBoards && m_pBoards; ++k)
        m_pBoards[k].Close();
    m_pBoards.reset();
    m_nBoards = 0;
}

void CSorvaneDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, ids102::IDC_STEP_LIST, m_listSteps);
    DDX_Control(pDX, ids102::IDC_RUN, m_btnRun);
    DDX_Control(pDX, ids102::IDC_STEP_PROGRESS, m_progressStep);
    DDX_Control(pDX, ids102::IDC_OVERALL_PROGRESS, m_progressOverall);
    DDX_Control(pDX, ids102::IDC_LOGO, m_staticLogo);
    DDX_Control(pDX, ids102::IDC_MANUAL, m_editManual);
    DDX_Control(pDX, ids102::IDC_DURATION, m_editDuration);
    DDX_Control(pDX, ids102::IDC_VEXOR, m_btnVexor);
    DDX_Control(pDX, ids102::IDC_SETUP, m_btnSetup);
    DDX_Control(pDX, ids102::IDC_INTENSITY2, m_editIntensity2);
    DDX_Control(pDX, ids102::IDC_INTENSITY2_CHECK, m_checkIntensity2);
    DDX_Control(pDX, ids102::IDC_INTENSITY1, m_editIntensity1);
    DDX_Control(pDX, ids102::IDC_SWITCH_MODES, m_btnSwitchModes);
    DDX_Control(pDX, ids102::IDC_INSTRUMENT, m_staticInstrument);
}

int CSorvaneDlg::HeadsInUse() const {
    int n = std::min<int64_t>(m_config.m_record.headCount, int64_t{2} * m_nBoards);
    return std::max(n, 0);
}

bool CSorvaneDlg::BothChannelsAtOnce() const {
    return m_config.m_record.headCount == 2 && m_nBoards > 0 && m_pBoards;
}

int CSorvaneDlg::IndicatorCount() const {
    return std::clamp<int32_t>(m_config.m_record.headCount, 0, kMaxIndicators);
}

std::string CSorvaneDlg::IndicatorText(int i) const {
    if (i < 0 || i >= kMaxIndicators || !m_indicators[i].IsBound())
        return "";
    return m_indicators[i].GetWindowText();
}

void CSorvaneDlg::ShowIndicator(int i, const std::string& text) {
    // Indicators are made once at start: a head count raised later gets none.
    if (i >= 0 && i < kMaxIndicators && m_indicators[i].IsBound())
        m_indicators[i].SetWindowText(text);
}

BOOL CSorvaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    // The system menu's About item and the window icon belong to the backend's
    // window frame; the dialog itself has nothing to add here.

    m_bmpLogo.LoadBitmap(IDB_LOGO);
    m_staticLogo.SetBitmap(m_bmpLogo.Image());
    m_bmpInstrument.LoadBitmap(IDB_INSTRUMENT);
    m_staticInstrument.SetBitmap(m_bmpInstrument.Image());

    SetUpControllers();

    UpdateTitle();

    if (m_nBoards > 0 && m_pBoards) {
        CheckDlgButton(ids102::IDC_EXTERNAL_TRIGGER,
                       m_pBoards[0].m_bExternalTrigger ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(ids102::IDC_PERSISTENCE,
                       m_pBoards[0].m_bPersistence ? BST_CHECKED : BST_UNCHECKED);
    }

    const int indicators = IndicatorCount();
    for (int i = 0; i < indicators; ++i) {
        const ConfigHeadEntry& e = m_config.m_record.heads[i];
        m_indicators[i].Create("", platform::ui::style::AlignRight,
                               CRect(e.x, e.y, FarEdge(e.x, 40), FarEdge(e.y, 20)), this,
                               ids102::IDC_INDICATOR);
        m_indicators[i].SetFont(&m_fontIndicator, TRUE);
        m_indicators[i].SetWindowText("0.0");
    }
    m_picture.Load("instrument.bmp");

    bool indexOnly = false;
    for (int i = 0; i < HeadsInUse(); ++i) {
        if (m_pHeads[i].m_bPresent && m_pHeads[i].m_record.enableCalibration == 0) {
            indexOnly = true;
            break;
        }
    }
    if (indexOnly) {
        GetDlgItem(ids102::IDC_CALIBRATED_MODE)->SetEnabled(false);
        CheckDlgButton(ids102::IDC_INDEX_MODE, BST_CHECKED);
        SetDlgItemText(ids102::IDC_UNIT, "Index");
        AllOff();
        OnBnClickedClearAll();
    } else {
        CheckDlgButton(ids102::IDC_CALIBRATED_MODE, BST_CHECKED);
    }

    m_btnVexor.ShowWindow(SW_HIDE);
    m_btnSetup.ShowWindow(SW_HIDE);
    m_btnSwitchModes.ShowWindow(SW_HIDE);

    m_listSteps.InsertColumn(0, "Duration", LVCFMT_LEFT, 54);
    if (m_config.m_record.headCount == 2) {
        m_listSteps.InsertColumn(1, "Intensity 1", LVCFMT_CENTER, 64);
        m_listSteps.InsertColumn(2, "Intensity 2", LVCFMT_CENTER, 64);
        m_listSteps.InsertColumn(3, "Pause", LVCFMT_CENTER, 45);
        CheckDlgButton(ids102::IDC_INTENSITY1_CHECK, BST_CHECKED);
        CheckDlgButton(ids102::IDC_INTENSITY2_CHECK, BST_CHECKED);
    } else {
        CheckDlgButton(ids102::IDC_INTENSITY1_CHECK, BST_CHECKED);
        SetDlgItemText(ids102::IDC_INTENSITY1_CHECK, "Intensity");
        m_listSteps.InsertColumn(1, "Intensity", LVCFMT_CENTER, 64);
        m_listSteps.InsertColumn(2, "Pause", LVCFMT_CENTER, 45);
        m_editIntensity2.ShowWindow(SW_HIDE);
        m_checkIntensity2.ShowWindow(SW_HIDE);
    }

    SetTimer(IDT_TELEMETRY, kTelemetryPeriodMs);
    return TRUE;
}

void CSorvaneDlg::SetUpControllers() {
    m_bDemo = false;
    ReleaseControllers();

    bool demo = false;
    {
        CStartUp startUp;
        const intptr_t code = startUp.DoModal();
        if (code == CStartUp::kExitApplication) {
            // The controllers found are not taken over: they close with the start-up dialog.
            demo = true;
            OnCancel();
        } else {
            if (code == IDCANCEL && !startUp.m_bNoHeads)
                demo = true;
            m_nBoards = startUp.m_pBoards ? startUp.m_nBoards : 0;
            m_pBoards = std::move(startUp.m_pBoards);
            startUp.m_nBoards = 0;
        }
    }
    m_bDemo = demo;

    if (m_bDemo && !m_pBoards) {
        m_pBoards = std::make_unique<CControlBoard[]>(1);
        m_nBoards = 1;
    }

    const int heads = 2 * m_nBoards;
    m_pHeads = heads > 0 ? std::make_unique<COpticalHead[]>(heads) : nullptr;
    std::vector<std::string> reported;
    for (int j = 0; j < m_nBoards; ++j)
        reported.push_back(m_pBoards[j].m_strBoardSerial);
    const ConfigRecord& rec = m_config.m_record;
    const HeadBinding binding = BindHeads(rec, std::move(reported), m_bDemo);
    for (int j = 0; j < m_nBoards; ++j) {
        m_pBoards[j].m_bDemo = m_bDemo;
        m_pBoards[j].m_strBoardSerial = binding.controllerSerials[j];
    }

    for (int i = 0; i < static_cast<int>(binding.controllerOf.size()); ++i) {
        COpticalHead& h = m_pHeads[i];
        const ConfigHeadEntry& e = rec.heads[i];
        h.m_strBoardSerial = binding.headSerials[i];
        h.m_nChannel = e.channel;
        h.m_nX = e.x;
        h.m_nY = e.y;
        const int j = binding.controllerOf[i];
        if (j == HeadBinding::kNoController) {
            h.m_bPresent = 0;
            continue;
        }
        h.m_pBoard = &m_pBoards[j];
        if (m_bDemo) {
            h.m_bPresent = 1;
            h.m_strModel = "RVX-1-420";
            h.m_strSerial = kSimulatedSerials[i];
            h.m_strCalDate = "10/01/06";
            h.m_record.enableCalibration = 1;
        } else {
            h.m_bPresent = h.ReadRecord() ? 1 : 0;
        }
        if (i < kLoggedHeads) {
            LogHeadInfo& log = m_log.m_heads[i];
            log.present = h.m_bPresent;
            log.model = h.m_strModel;
            log.serial = h.m_strSerial;
            log.calDate = h.m_strCalDate;
        }
    }
}

void CSorvaneDlg::UpdateTitle() {
    char text[160];
    std::snprintf(text, sizeof text, "%s, version %s", TitleText(m_config.m_record).c_str(),
                  kProgramVersion);
    SetWindowText(text);
}

void CSorvaneDlg::AllOff() {
    if (BothChannelsAtOnce()) {
        m_pBoards[0].HeadOff(2);
        KeepBothSettings(COpticalHead::Told::Off, 0.0f, 0.0f);
    } else {
        for (int i = 0; i < HeadsInUse(); ++i)
            m_pHeads[i].Off();
    }
    ShowSettings();
}

void CSorvaneDlg::FocusManualBox() {
    m_editManual.SetFocus();
    m_editManual.SetSel(0, -1);
    m_editManual.ScrollCaret();
}

void CSorvaneDlg::KeepBothSettings(COpticalHead::Told unit, float a, float b) {
    // The command for both channels bypasses the head objects and goes by
    // channel, not by position: entry 0 may well be channel B.
    if (m_nBoards <= 0 || !m_pHeads)
        return;
    for (int i = 0; i < 2 * m_nBoards; ++i) {
        COpticalHead& head = m_pHeads[i];
        if (head.m_pBoard != &m_pBoards[0])
            continue;
        const int channel = head.m_nChannel & 0xFF; // as the head sends it
        if (channel == 0)
            head.KeepSetting(unit, a);
        else if (channel == 1)
            head.KeepSetting(unit, b);
    }
}

void CSorvaneDlg::ShowSettings() {
    const int heads = std::min(2 * m_nBoards, kMaxIndicators);
    for (int i = 0; i < heads && m_pHeads; ++i)
        ShowIndicator(i, SettingText(m_pHeads[i], Calibrated()));
}

std::string SettingText(const COpticalHead& head, bool calibrated) {
    switch (head.m_told) {
    case COpticalHead::Told::Milliwatts:
        return IntensityText(head.m_fSetting, true);
    case COpticalHead::Told::Index:
        if (calibrated)
            return "#" + std::to_string(platform::TruncateToInt(head.m_fSetting));
        return IntensityText(head.m_fSetting, false);
    case COpticalHead::Told::Off:
        break;
    }
    return IntensityText(0.0f, calibrated);
}

void CSorvaneDlg::OnBnClickedSet() {
    const float f = GetDlgItemFloat(this, ids102::IDC_MANUAL);
    const uint16_t n = HeldIndex(GetDlgItemInt(ids102::IDC_MANUAL, nullptr, TRUE));
    const bool calibrated = Calibrated();
    if (const char* problem = calibrated ? IntensityProblem(f) : nullptr) {
        ShowMessage("%s Nothing was sent.", problem);
        FocusManualBox();
        return;
    }
    if (BothChannelsAtOnce()) {
        if (calibrated) {
            m_pBoards[0].SetIntensity(2, f);
            KeepBothSettings(COpticalHead::Told::Milliwatts, f, f);
        } else {
            m_pBoards[0].SetIndex(2, n);
            KeepBothSettings(COpticalHead::Told::Index, n, n);
        }
    } else {
        for (int i = 0; i < HeadsInUse(); ++i) {
            if (calibrated)
                m_pHeads[i].SetIntensity(f);
            else
                m_pHeads[i].SetIndex(n);
        }
    }
    ShowSettings();
    FocusManualBox();
}

void CSorvaneDlg::OnBnClickedOff() {
    AllOff();
    FocusManualBox();
}

void CSorvaneDlg::SwitchAllControllers(int checkId, bool (CControlBoard::*command)(uint8_t)) {
    const uint8_t on = IsDlgButtonChecked(checkId) == BST_CHECKED ? 1 : 0;
    for (int k = 0; k < m_nBoards; ++k)
        if (!(m_pBoards[k].*command)(on))
            ShowMessage("No Acknowledgement.");
}

void CSorvaneDlg::OnBnClickedPersistence() {
    SwitchAllControllers(ids102::IDC_PERSISTENCE, &CControlBoard::SetPersistence);
}

void CSorvaneDlg::OnBnClickedExternalTrigger() {
    SwitchAllControllers(ids102::IDC_EXTERNAL_TRIGGER, &CControlBoard::SetExternalTrigger);
}

void CSorvaneDlg::OnBnClickedContinuousMode() {
    SetDlgItemText(ids102::IDC_UNIT, Calibrated() ? "mW/cm\xB2" : "Index");
    AllOff();
    OnBnClickedClearAll();
}

void CSorvaneDlg::OnBnClickedPulseMode() {
    KillTimer(IDT_TELEMETRY);
    const int heads = 2 * m_nBoards;
    RunPulseDialog(heads > 0 ? &m_pHeads[0] : nullptr, heads > 1 ? &m_pHeads[1] : nullptr);
    SetTimer(IDT_TELEMETRY, kTelemetryPeriodMs);
    CheckDlgButton(ids102::IDC_INDEX_MODE, BST_CHECKED);
    CheckDlgButton(ids102::IDC_CALIBRATED_MODE, BST_UNCHECKED);
    CheckDlgButton(ids102::IDC_PULSE_MODE, BST_UNCHECKED);
    SetDlgItemText(ids102::IDC_UNIT, "Index");
    AllOff();
    OnBnClickedClearAll();
}

void CSorvaneDlg::OnBnClickedSwitchModes() {
    KillTimer(IDT_TELEMETRY);
    RunModeSwitchDialog(m_nBoards > 0 ? &m_pHeads[0] : nullptr);
    SetTimer(IDT_TELEMETRY, kTelemetryPeriodMs);
}

void CSorvaneDlg::OnBnClickedLog() {
    if (IsDlgButtonChecked(ids102::IDC_LOG) == BST_CHECKED) {
        SetDlgItemText(ids102::IDC_LOG, "Stop Log");
        if (RunLogDialog() == IDCANCEL) {
            CheckDlgButton(ids102::IDC_LOG, BST_UNCHECKED);
            SetDlgItemText(ids102::IDC_LOG, "Log");
        }
    } else {
        CloseLog();
        SetDlgItemText(ids102::IDC_LOG, "Log");
    }
}

void CSorvaneDlg::OnBnClickedVexor() {
    ShowMessage("No VEXOR was detected on the USB.");
}

void CSorvaneDlg::OnEnChangeManual() {
    SetDefID(ids102::IDC_SET);
}

void CSorvaneDlg::OnEnChangeStepEdit() {
    SetDefID(ids102::IDC_ADD);
}

void CSorvaneDlg::OnTimer(uintptr_t id) {
    switch (id) {
    case IDT_TRIGGER_POLL:
        OnTriggerPollTimer();
        break;
    case IDT_STEP_END:
        OnStepEndTimer();
        break;
    case IDT_PROGRESS_TICK:
        OnProgressTimer();
        break;
    case IDT_TELEMETRY:
        OnTelemetryTimer();
        break;
    default:
        break;
    }
}

bool CSorvaneDlg::PasswordGate() {
    passwd prompt(this);
    if (!m_config.m_record.passwordProtect)
        return true;
    if (prompt.DoModal() != IDOK)
        return false;
    if (prompt.m_strPassword == kAccessPassword)
        return true;
    ShowMessage("Invalid Password.");
    return false;
}

void CSorvaneDlg::OpenHeadDoor(int i, bool ctrl) {
    COpticalHead& head = m_pHeads[i];
    if (ctrl) {
        if (!PasswordGate())
            return;
        KillTimer(IDT_TELEMETRY);
        RunCalibrationDialog(head, &m_strComPort);
        SetTimer(IDT_TELEMETRY, kTelemetryPeriodMs);
    } else {
        KillTimer(IDT_TELEMETRY);
        RunDetailDialog(head, Calibrated());
        SetTimer(IDT_TELEMETRY, kTelemetryPeriodMs);
    }
    // Both dialogs send through the head: its display follows what they told it.
    ShowIndicator(i, SettingText(head, Calibrated()));
}

void CSorvaneDlg::OpenConfigDoor() {
    if (!PasswordGate())
        return;
    KillTimer(IDT_TELEMETRY);
    if (RunConfigDialog() == IDOK)
        UpdateTitle();
    SetTimer(IDT_TELEMETRY, kTelemetryPeriodMs);
}

void CSorvaneDlg::OnLButtonDown(unsigned flags, CPoint point) {
    if (flags & MK_SHIFT) {
        ShowMessage("x:%d y:%d flags:%d control: %d", point.x, point.y, static_cast<int>(flags),
                    static_cast<int>(flags & MK_CONTROL));
        return;
    }
    const bool ctrl = (flags & MK_CONTROL) != 0;
    // Boxes may overlap: every head under the point opens its door in turn.
    for (int i = 0; i < HeadsInUse(); ++i) {
        const COpticalHead& h = m_pHeads[i];
        const int64_t x = point.x, y = point.y;
        if (h.m_nX <= x && x <= int64_t{h.m_nX} + (kHeadBoxWidth - 1) && h.m_nY <= y &&
            y <= int64_t{h.m_nY} + (kHeadBoxHeight - 1))
            OpenHeadDoor(i, ctrl);
    }
    if (ctrl && 23 <= point.x && point.x <= 177 && 6 <= point.y && point.y <= 61)
        OpenConfigDoor();
}

int CSorvaneDlg::RunDetailDialog(COpticalHead& head, bool calibrated) {
    CDetail detail(this);
    detail.m_pHead = &head;
    detail.m_bCalibrated = calibrated ? 1 : 0;
    return static_cast<int>(detail.DoModal());
}

int CSorvaneDlg::RunCalibrationDialog(COpticalHead& head, std::string* meterPort) {
    CCalib dlg(this);
    dlg.m_pHead = &head;
    dlg.m_pMeterPort = meterPort;
    return static_cast<int>(dlg.DoModal());
}

int CSorvaneDlg::RunConfigDialog() {
    // The telemetry timer is already stopped (OpenConfigDoor).
    m_config.m_nSerials = std::min<int32_t>(m_nBoards, Config::kMaxSerials);
    for (int k = 0; k < m_config.m_nSerials; ++k)
        m_config.m_serials[k] = m_pBoards[k].m_strBoardSerial;
    return static_cast<int>(m_config.DoModal());
}

int CSorvaneDlg::RunPulseDialog(COpticalHead* headA, COpticalHead* headB) {
    pulseDlg dlg(this);
    dlg.m_pHeadA = headA;
    dlg.m_pHeadB = headB;
    return static_cast<int>(dlg.DoModal());
}

int CSorvaneDlg::RunModeSwitchDialog(COpticalHead* head) {
    CModeSwitch dlg(this);
    dlg.m_pHead = head;
    return static_cast<int>(dlg.DoModal());
}

int CSorvaneDlg::RunLogDialog() {
    return static_cast<int>(m_log.DoModal());
}

void CSorvaneDlg::CloseLog() {
    m_log.Close();
}

void CSorvaneDlg::OnTelemetryTimer() {
    if (m_log.Tick(m_pHeads.get(), 2 * m_nBoards, m_config.m_record.headCount))
        return;
    // The log file could not take the line (disk full, device gone): logging
    // has stopped, so the Log button is released and the operator told.
    CheckDlgButton(ids102::IDC_LOG, BST_UNCHECKED);
    SetDlgItemText(ids102::IDC_LOG, "Log");
    ShowMessage("Log file could not be written.");
}
