#include "calibration/Calib.h"

#include "app/shared/Intensity.h"
#include "app/shared/Stopwatch.h"
#include "calibration/CalibReport.h"
#include "calibration/CheckReport.h"
#include "calibration/PolyFit.h"
#include "calibration/RVX_Config.h"
#include "calibration/RecordFloats.h"
#include "platform/FileImage.h"
#include "platform/Format.h"
#include "platform/Number.h"
#include "platform/TimeFormat.h"
#include "resources/dialogs/Dialog137Ids.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

using namespace ids137;
using platform::Format;

namespace {

constexpr int kResultIds[] = {IDC_PHOTO_A, IDC_PHOTO_B, IDC_PHOTO_C, IDC_PHOTO_R2,
                              IDC_INDEX_A, IDC_INDEX_B, IDC_INDEX_C, IDC_INDEX_R2};
constexpr int kRoleIds[] = {IDC_ROLE_LUMIFLEX, IDC_ROLE_MX12, IDC_ROLE_TALON, IDC_ROLE_HB7R40,
                            IDC_ROLE_K310};
constexpr unsigned char DEFAULT_CHARSET = 1;

} // namespace

CCalib::CCalib(CDialog* parent) : CDialog(IDD_CALIB, parent) {
    MapCommand(IDC_DAC_SET, BN_CLICKED, &CCalib::OnBnClickedSetDac);
    MapCommand(IDC_GO, BN_CLICKED, &CCalib::OnBnClickedGo);
    MapCommand(IDC_ERASE_EEPROM, BN_CLICKED, &CCalib::OnBnClickedEraseEeprom);
    MapCommand(IDC_CALIBRATION_MODE, BN_CLICKED, &CCalib::OnBnClickedCalibrationMode);
    MapCommand(IDC_COEFFS, BN_CLICKED, &CCalib::OnBnClickedCalibrationCoeffs);
    MapCommand(IDC_FAN_OFF, BN_CLICKED, &CCalib::OnBnClickedFanOff);
    MapCommand(IDC_CANCEL_OVERTEMP, BN_CLICKED, &CCalib::OnBnClickedCancelOvertemp);
    MapCommand(IDC_DEBUG_NO_HEAD, BN_CLICKED, &CCalib::OnBnClickedDebugNoHead);
    MapCommand(IDC_BOARD_GET, BN_CLICKED, &CCalib::OnBnClickedGetConfig);
    MapCommand(IDC_BOARD_SET, BN_CLICKED, &CCalib::OnBnClickedSetConfig);
    MapCommand(IDC_DAC_GET, BN_CLICKED, &CCalib::OnBnClickedGetDac);
    MapCommand(IDC_PWM_SET, BN_CLICKED, &CCalib::OnBnClickedSetPwm);
    MapCommand(IDC_PWM_OFF, BN_CLICKED, &CCalib::OnBnClickedOff);
    MapCommand(IDC_BURN, BN_CLICKED, &CCalib::OnBnClickedBurn);
    MapCommand(IDC_CHECK_MODE, BN_CLICKED, &CCalib::OnBnClickedCalibrationCheck);
    MapCommand(IDC_SAVE_RAW, BN_CLICKED, &CCalib::OnBnClickedSaveRaw);
    MapCommand(IDC_SHOW_REPORT, BN_CLICKED, &CCalib::OnBnClickedShowReport);
    MapCommand(IDC_DAC, EN_CHANGE, &CCalib::OnEnChangeDac);
    MapCommand(IDC_PWM, EN_CHANGE, &CCalib::OnEnChangePwm);
    MapCommand(IDC_SUGGEST, BN_CLICKED, &CCalib::OnBnClickedSuggest);
    MapCommand(IDC_METER_OPEN, BN_CLICKED, &CCalib::OnBnClickedOpenMeter);
    MapCommand(IDC_METER_PORT, EN_CHANGE, &CCalib::OnEnChangeMeterPort);
    MapCommand(IDC_POLL, BN_CLICKED, &CCalib::OnBnClickedPoll);
}

CCalib::~CCalib() {
    // Before the members the dialog's handlers use go away.
    m_meter.Close();
}

void CCalib::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_POINTS, m_listPoints);
    DDX_Control(pDX, IDC_DAC_SET, m_btnSetDac);
    DDX_Control(pDX, IDC_DAC, m_editDac);
    DDX_Control(pDX, IDC_PWM, m_editPwm);
}

BOOL CCalib::OnInitDialog() {
    CDialog::OnInitDialog();
    if (CControlBoard* board = Board())
        board->ResetReply();

    ShowHeadIdentity();
    for (int id : kResultIds)
        SetDlgItemText(id, "");

    m_listPoints.InsertColumn(0, "Index", LVCFMT_LEFT, 45);
    m_listPoints.InsertColumn(1, "Photo", LVCFMT_LEFT, 55);
    m_listPoints.InsertColumn(2, "IL-1400", LVCFMT_LEFT, 66);

    SetDlgItemText(IDC_METER_PORT, m_pMeterPort ? *m_pMeterPort : std::string());
    SetDlgItemInt(IDC_START, 255);
    SetDlgItemInt(IDC_STOP, 5);
    SetDlgItemInt(IDC_STEP, 5);
    SetDlgItemText(IDC_FACTOR, "1.0");

    m_fontBig.CreateFont(56, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                         "Microsoft Sans Serif");
    for (int id : {IDC_METER_READOUT, IDC_HEAD_MW, IDC_HEAD_RAW}) {
        if (platform::ui::Control* c = GetDlgItem(id))
            c->SetFont(m_fontBig.Spec());
        SetDlgItemText(id, "");
    }
    SetDlgItemText(IDC_FIRMWARE, "");

    if (m_pHead->m_strModel.compare(0, 3, "KZD") == 0)
        SetWindowText("KZD Calibration Utility");
    return TRUE;
}

void CCalib::ShowHeadIdentity() {
    SetDlgItemText(IDC_MODEL, m_pHead->m_strModel);
    SetDlgItemText(IDC_SERIAL, m_pHead->m_strSerial);
    SetDlgItemText(IDC_CAL_DATE, m_pHead->m_strCalDate);
}

void CCalib::SetDlgItemFloat(int id, float value, const char* format) {
    SetDlgItemText(id, Format(format, static_cast<double>(value)));
}

void CCalib::OnTimer(uintptr_t id) {
    switch (id) {
    case IDT_TAKE_POINT:
        KillTimer(IDT_TAKE_POINT);
        TakePoint();
        break;
    case IDT_METER_READOUT: {
        const bool stable = m_meter.m_bStable.load();
        const float reading = m_meter.m_fReading.load();
        const float mw = GetDlgItemFloat(this, IDC_FACTOR) * reading / 1000.0f;
        SetDlgItemText(IDC_METER_READOUT,
                       Format("%.2f%c", static_cast<double>(mw), stable ? ' ' : '*'));
        break;
    }
    case IDT_HEAD_POLL: {
        float output = 0.0f;
        uint8_t temperature = 0;
        if (m_pHead->ReadOutput(output, temperature))
            SetDlgItemFloat(IDC_HEAD_MW, output, "%6.3f");
        else
            SetDlgItemText(IDC_HEAD_MW, "");
        uint16_t counts = 0;
        if (m_pHead->ReadPhoto(counts))
            SetDlgItemInt(IDC_HEAD_RAW, counts, TRUE);
        else
            SetDlgItemText(IDC_HEAD_RAW, "");
        break;
    }
    default:
        break;
    }
}

// ---------------------------------------------------------------- runs

void CCalib::OnBnClickedGo() {
    if (IsDlgButtonChecked(IDC_GO) == BST_CHECKED) {
        StartRun();
        return;
    }
    KillTimer(IDT_TAKE_POINT);
    m_pHead->Off();
    FinishRun();
}

void CCalib::RefuseRun(const std::string& text) {
    CheckDlgButton(IDC_GO, BST_UNCHECKED);
    ShowMessage("%s", text.c_str());
}

void CCalib::StartRun() {
    // A number beyond float's range reads as infinity: as a factor it would
    // record every point as infinite.
    const float factor = GetDlgItemFloat(this, IDC_FACTOR);
    if (!std::isfinite(factor)) {
        RefuseRun("The factor is not a valid number. The run was not started.");
        return;
    }
    RunPlan plan = m_bCheckMode ? RunPlan::Intensities(GetDlgItemFloat(this, IDC_START),
                                                       GetDlgItemFloat(this, IDC_STOP),
                                                       GetDlgItemFloat(this, IDC_STEP))
                                : RunPlan::Indexes(GetDlgItemInt(IDC_START, nullptr, TRUE),
                                                   GetDlgItemInt(IDC_STOP, nullptr, TRUE),
                                                   GetDlgItemInt(IDC_STEP, nullptr, TRUE));
    if (plan.Refused()) {
        RefuseRun(plan.Refusal());
        return;
    }

    m_listPoints.DeleteAllItems();
    for (int id : kResultIds)
        SetDlgItemText(id, "");
    // The result fields are empty now; what Burn would write goes with them.
    m_result.Discard();
    m_fFactor = factor;
    m_plan = plan;
    m_nPoints = 0;
    ++m_nPointSet;
    m_nMeterWaits = 0;
    m_progress.SetRange(0, static_cast<short>(m_plan.ProgressPoints()));
    m_bRunning = true;
    SendSetPoint();
    m_progress.SetStep(1);
    m_progress.SetPos(0);
    SetTimer(IDT_TAKE_POINT, kSettleMs);
}

void CCalib::SendSetPoint() {
    if (m_plan.IsCheck())
        m_pHead->SetIntensity(m_plan.Intensity());
    else
        m_pHead->SetIndex(m_plan.Index());
    m_nLinesAtSetPoint = m_meter.m_nLines.load();
}

void CCalib::TakePoint() {
    if (!m_bRunning)
        return;
    // A meter that stopped sending, or whose port was closed, keeps its last
    // reading and flag. Once the meter has been opened, a point is taken only
    // from a stable window whose readings all came after the set point went
    // out: a window that still holds readings of the light before, or of the
    // light on its way to the new level, can pass for settled while its last
    // reading is not the new level. A meter never opened reads its fixed
    // value at once.
    const CSensorComm::Window window = m_meter.LatestWindow();
    const uint32_t linesSince = window.lines - m_nLinesAtSetPoint; // the count wraps
    const bool fresh = !m_bMeterOpened || linesSince >= CSensorComm::kWindowLines;
    if (!window.stable || !fresh) {
        if (++m_nMeterWaits > kMaxMeterWaits) {
            AbortRun(fresh ? "The light meter reading did not settle. The run was stopped."
                           : "The light meter sends no readings. The run was stopped.");
            return;
        }
        SetTimer(IDT_TAKE_POINT, kRecheckMs);
        return;
    }
    m_nMeterWaits = 0;

    const int n = m_nPoints;
    const int row = m_listPoints.GetItemCount();
    const float reading = window.reading;
    const double meterUw = static_cast<double>(m_fFactor * reading);
    const double meterMw = meterUw / 1000.0;

    double headValue = 0.0;
    bool ok = false;
    if (m_bCheckMode) {
        float output = 0.0f;
        uint8_t temperature = 0;
        for (int t = 0; t < kHeadReadTries && !ok; ++t)
            ok = m_pHead->ReadOutput(output, temperature);
        headValue = output;
    } else {
        uint16_t counts = 0;
        for (int t = 0; t < kHeadReadTries && !ok; ++t)
            ok = m_pHead->ReadPhoto(counts);
        headValue = counts;
    }
    if (!ok) {
        AbortRun("The head does not answer. The run was stopped.");
        return;
    }

    m_meterUw[n] = meterUw;
    m_meterMw[n] = meterMw;
    m_headValue[n] = headValue;
    m_setPoint[n] = m_plan.SetPoint();
    if (m_bCheckMode) {
        m_listPoints.InsertItem(row, Format("%4.1f", headValue).c_str());
        m_listPoints.SetItemText(row, 1, Format("%4.1f", meterMw).c_str());
        m_listPoints.SetItemText(row, 2, Format("%4.1f", std::fabs(headValue - meterMw)).c_str());
    } else {
        m_listPoints.InsertItem(row, Format("%d", m_plan.Index()).c_str());
        m_listPoints.SetItemText(row, 1, Format("%4.0f", headValue).c_str());
        m_listPoints.SetItemText(row, 2, Format("%5.2f", meterMw).c_str());
    }
    m_listPoints.EnsureVisible(row, FALSE);
    ++m_nPoints;
    ++m_nPointSet;
    m_progress.StepIt();

    if (m_plan.Advance()) {
        SendSetPoint();
        SetTimer(IDT_TAKE_POINT, kSettleMs);
        return;
    }
    m_pHead->Off();
    CheckDlgButton(IDC_GO, BST_UNCHECKED);
    FinishRun();
}

void CCalib::FinishRun() {
    m_bRunning = false;
    if (m_bCheckMode)
        OnBnClickedShowReport();
    else
        ComputeFits();
}

void CCalib::StopRun() {
    KillTimer(IDT_TAKE_POINT);
    m_bRunning = false;
    m_pHead->Off();
    CheckDlgButton(IDC_GO, BST_UNCHECKED);
}

void CCalib::AbortRun(const char* why) {
    StopRun();
    ShowMessage("%s", why);
    FinishRun();
}

void CCalib::ComputeFits() {
    m_result.Fit(m_nPoints, m_setPoint, m_headValue, m_meterUw, m_meterMw, m_nPointSet);
    const std::pair<int, float> shown[] = {
        {IDC_PHOTO_A, m_result.photoToMw[0]},
        {IDC_PHOTO_B, m_result.photoToMw[1]},
        {IDC_PHOTO_C, m_result.photoToMw[2]},
        {IDC_INDEX_A, m_result.mwToIndex[0]},
        {IDC_INDEX_B, m_result.mwToIndex[1]},
        {IDC_INDEX_C, m_result.mwToIndex[2]},
        {IDC_PHOTO_R2, platform::NarrowToFloat(m_result.r2PhotoToMw)},
        {IDC_INDEX_R2, platform::NarrowToFloat(m_result.r2MwToIndex)}};
    for (const auto& [id, value] : shown)
        SetDlgItemFloat(id, value, "%12.9f");
    OnBnClickedShowReport();
}

void CCalib::OnBnClickedShowReport() {
    const std::string serial = FieldText(m_pHead->m_record.serial);
    if (m_bCheckMode) {
        RunCheckReport(m_nPoints, m_setPoint, m_headValue, m_meterMw, serial);
    } else {
        const uint64_t listed = m_nPointSet;
        const float avgStep =
            RunCalibReport(m_nPoints, m_setPoint, m_headValue, m_meterMw, m_result.photoToMw,
                           m_result.mwToIndex, m_result.r2PhotoToMw, m_result.r2MwToIndex, serial);
        // A report stays open while a run goes on, and that run's own report
        // opens inside it; the outer one's step, from other points, must not
        // replace the step of the fits computed meanwhile.
        m_result.TakeStep(avgStep, listed);
    }
    if (CControlBoard* board = Board())
        board->ResetReply();
}

void CCalib::OnBnClickedSaveRaw() {
    // A file of the header alone would replace the raw data of an earlier
    // run of this head.
    if (m_nPoints == 0) {
        ShowMessage("There are no recorded points to save. Nothing was saved.");
        return;
    }
    const std::string name =
        Format(m_bCheckMode ? "Calibration Check Data (%s).txt" : "Calibration Data (%s).txt",
               m_pHead->m_strSerial.c_str());
    std::string text = m_bCheckMode
                           ? "Target\tIL-1400 (mW/cm\xB2)\tIL-1400 (uW/cm\xB2)\tRVX\r"
                           : "Index\tIL-1400 (mW/cm\xB2)\tIL-1400 (uW/cm\xB2)\tRVX Counts\r";
    for (int i = 0; i < m_nPoints; ++i)
        text +=
            Format("%f\t%f\t%f\t%f\r", m_setPoint[i], m_meterMw[i], m_meterUw[i], m_headValue[i]);

    // Written beside the old file and renamed over it: a full disk leaves the
    // earlier raw data of this head whole.
    platform::FileReplacement file;
    if (!file.Open(name)) {
        ShowMessage("File could not be opened (%s).", name.c_str());
        return;
    }
    if (!file.Commit(reinterpret_cast<const uint8_t*>(text.data()), text.size())) {
        ShowMessage("Raw calibration data could not be saved to %s.", name.c_str());
        return;
    }
    ShowMessage("Raw calibration data saved to %s.", name.c_str());
}

void CCalib::OnBnClickedCalibrationCheck() {
    // The run follows one mode's set points and columns; a switch ends it.
    if (m_bRunning)
        StopRun();
    m_bCheckMode = IsDlgButtonChecked(IDC_CHECK_MODE) == BST_CHECKED;
    const char* unit = m_bCheckMode ? "mW/cm\xB2" : "index";
    for (int id : {IDC_START_UNIT, IDC_STOP_UNIT, IDC_STEP_UNIT})
        SetDlgItemText(id, unit);
    m_listPoints.DeleteAllItems();
    const char* const check[] = {"RVX", "IL-1400", "Diff"};
    const char* const calibration[] = {"Index", "Photo", "IL-1400"};
    for (int col = 0; col < 3; ++col)
        m_listPoints.SetColumnTitle(col, m_bCheckMode ? check[col] : calibration[col]);
    if (m_bCheckMode) {
        SetDlgItemFloat(IDC_START, 10.0f, "%4.1f");
        SetDlgItemFloat(IDC_STOP, 0.2f, "%4.1f");
        SetDlgItemFloat(IDC_STEP, 0.2f, "%4.1f");
    } else {
        SetDlgItemInt(IDC_START, 255);
        SetDlgItemInt(IDC_STOP, 10);
        SetDlgItemInt(IDC_STEP, 5);
    }
}

// ---------------------------------------------------------------- meter, poll

void CCalib::OnBnClickedOpenMeter() {
    if (IsDlgButtonChecked(IDC_METER_OPEN) == BST_CHECKED) {
        const std::string port = m_pMeterPort ? *m_pMeterPort : GetDlgItemText(IDC_METER_PORT);
        if (m_meter.Open(port.c_str())) {
            m_bMeterOpened = true;
            SetDlgItemText(IDC_METER_OPEN, "Close");
            SetTimer(IDT_METER_READOUT, kReadoutMs);
        } else {
            ShowMessage("Could not open %s", port.c_str());
            CheckDlgButton(IDC_METER_OPEN, BST_UNCHECKED);
        }
        return;
    }
    KillTimer(IDT_METER_READOUT);
    m_meter.Close();
    SetDlgItemText(IDC_METER_OPEN, "Open");
    SetDlgItemText(IDC_METER_READOUT, "");
}

void CCalib::OnEnChangeMeterPort() {
    if (m_pMeterPort)
        *m_pMeterPort = GetDlgItemText(IDC_METER_PORT);
}

void CCalib::OnBnClickedPoll() {
    if (IsDlgButtonChecked(IDC_POLL) == BST_CHECKED)
        SetTimer(IDT_HEAD_POLL, kReadoutMs);
    else
        KillTimer(IDT_HEAD_POLL);
}

void CCalib::OnEnChangeDac() {
    SetDefID(IDC_DAC_SET);
}

void CCalib::OnEnChangePwm() {
    SetDefID(IDC_PWM_SET);
}

// ---------------------------------------------------------------- service

void CCalib::OnBnClickedCalibrationMode() {
    if (CControlBoard* board = Board())
        board->EnterCalibrationMode();
}

void CCalib::OnBnClickedFanOff() {
    if (CControlBoard* board = Board())
        if (!board->SetHeadFan(0))
            board->SetHeadFan(0);
}

void CCalib::OnBnClickedCancelOvertemp() {
    if (CControlBoard* board = Board())
        board->CancelOvertempProtection();
}

void CCalib::OnBnClickedDebugNoHead() {
    if (CControlBoard* board = Board())
        board->ContinueWithoutHead();
}

void CCalib::OnBnClickedEraseEeprom() {
    if (!AskOkCancel("Performing an EEPROM test will reset the contents of the DSC head and will "
                     "render it inoperable until it is reset by the factory. Do you wish to "
                     "continue with the head EEPROM test?"))
        return;
    if (!m_pHead->EraseEeprom())
        ShowMessage("failed.");
}

void CCalib::FocusAndSelect(CEdit& edit) {
    edit.SetFocus();
    edit.SetSel(0, -1);
    edit.ScrollCaret();
}

void CCalib::OnBnClickedGetDac() {
    SetDlgItemInt(IDC_DAC, m_pHead->ReadDac());
    FocusAndSelect(m_editDac);
}

void CCalib::OnBnClickedSetDac() {
    m_pHead->SetDacValue(GetDlgItemInt(IDC_DAC, nullptr, TRUE));
    SetDlgItemInt(IDC_DAC, m_pHead->ReadDac());
    FocusAndSelect(m_editDac);
}

void CCalib::OnBnClickedSetPwm() {
    // Only the low 8 bits go out: 300 would be sent as 44.
    const int value = GetDlgItemInt(IDC_PWM, nullptr, TRUE);
    if (value < 0 || value > kMaxIndex)
        ShowMessage("The PWM value must be between 0 and %d. Nothing was sent.", kMaxIndex);
    else
        m_pHead->SetPwmIndex(value);
    FocusAndSelect(m_editPwm);
}

void CCalib::OnBnClickedOff() {
    m_pHead->Off();
}

void CCalib::OnBnClickedGetConfig() {
    CControlBoard* board = Board();
    if (!board || !board->ReadBoardInfo()) {
        ShowMessage("Failed to get controller configuration.");
        return;
    }
    for (int k = 0; k < 5; ++k)
        CheckDlgButton(kRoleIds[k], board->m_nRole == k + 1 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_MODE_PWM, board->m_nIntensitySetMode == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_MODE_DAC, board->m_nIntensitySetMode == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_BOARD_SERIAL, board->m_strBoardSerial);
    SetDlgItemText(IDC_FIRMWARE, board->m_strFirmwareVersion);
}

void CCalib::OnBnClickedSetConfig() {
    CControlBoard* board = Board();
    if (!board)
        return;
    for (int k = 0; k < 5; ++k) {
        if (IsDlgButtonChecked(kRoleIds[k]) == BST_CHECKED) {
            board->m_nRole = static_cast<uint8_t>(k + 1);
            break;
        }
    }
    board->m_nIntensitySetMode = IsDlgButtonChecked(IDC_MODE_PWM) == BST_CHECKED ? 0 : 1;
    board->m_strBoardSerial = GetDlgItemText(IDC_BOARD_SERIAL);
    // Refuses (throws) a serial of fewer than 7 characters before sending;
    // the dialog layer reports it and this handler ends.
    board->WriteBoardInfo();
}

void CCalib::OnBnClickedSuggest() {
    if (CControlBoard* board = Board())
        SetDlgItemText(IDC_BOARD_SERIAL, board->m_strBoardSerial);
}

void CCalib::OnBnClickedCalibrationCoeffs() {
    RunHeadConfig(m_pHead);
}

void CCalib::OnBnClickedBurn() {
    // Without a run's result the members hold zeros or a discarded result,
    // which would wipe the head's calibration.
    if (!m_result.Complete()) {
        ShowMessage("There are no calibration results to burn. Nothing was burned.");
        return;
    }
    // Coefficients from a fit over too few points are NaN or infinite; in a
    // head they would turn every calibrated setting into nonsense.
    if (!m_result.Finite()) {
        ShowMessage("The calibration results are not valid numbers. Nothing was burned.");
        return;
    }
    // Read first: a failed read must not become the head's initial value,
    // and the record stays as it was.
    uint16_t dac = 0;
    if (!m_pHead->ReadDac(dac)) {
        ShowMessage("The DAC value could not be read. Nothing was burned.");
        return;
    }
    // Burn changes its own fields in the record the head holds now, never in
    // an older copy: the read when the program started may have failed (the
    // copy is then all zeros), or another head may be on the channel since.
    if (!m_pHead->ReadRecord()) {
        ShowMessage("The RVX configuration could not be read. Nothing was burned.");
        return;
    }
    ShowHeadIdentity();

    HeadRecord r = m_pHead->m_record;
    m_result.WriteTo(r);
    r.initialDacPwm = static_cast<int16_t>(dac);
    StampDate(r, Now());
    r.channel = static_cast<uint8_t>(m_pHead->m_nChannel & 0xFF);
    const CControlBoard* board = Board();
    SetFieldText(r.boardSerial, board ? board->m_strBoardSerial : std::string());
    r.enableCalibration = 1;
    // What Burn does not set is burned as the head holds it; a NaN there (an
    // erased head reads all 0xFF) is the head configuration's to mend.
    const std::vector<RecordFloat> bad = NonFiniteFloats(r);
    if (!bad.empty()) {
        ShowMessage("%s in the RVX configuration is not a valid number. Correct it with "
                    "Calibration Coeffs. Nothing was burned.",
                    RecordFloatName(bad.front()).c_str());
        return;
    }
    m_pHead->m_record = r;
    m_pHead->m_strCalDate = CalibrationDateText(r);
    ShowHeadIdentity();

    CStopwatch watch;
    watch.Restart();
    if (m_pHead->WriteRecord())
        ShowMessage("Burn Complete in %0.2f ms", static_cast<double>(watch.ElapsedMs()));
    else
        ShowMessage("Burn command never acknowledged.");
}

// ---------------------------------------------------------------- seams

float CCalib::RunCalibReport(int32_t nPoints, const double* setPoint, const double* headValue,
                             const double* meterMw, const float photoToMw[3],
                             const float mwToIndex[3], double r2PhotoToMw, double r2MwToIndex,
                             const std::string& serial) {
    CCalibReport report;
    const int n = std::clamp<int32_t>(nPoints, 0, CCalibReport::kMaxPoints);
    report.m_nPoints = n;
    std::copy_n(setPoint, n, report.m_setPoint);
    std::copy_n(headValue, n, report.m_headValue);
    std::copy_n(meterMw, n, report.m_meterMw);
    std::copy_n(photoToMw, 3, report.m_photoToMw);
    std::copy_n(mwToIndex, 3, report.m_mwToIndex);
    report.m_r2PhotoToMw = r2PhotoToMw;
    report.m_r2MwToIndex = r2MwToIndex;
    report.m_strSerial = serial;
    report.DoModal();
    // Whatever the run returned: the report computed its step when it opened.
    return report.m_fAvgStep;
}

void CCalib::RunCheckReport(int32_t nPoints, const double* setPoint, const double* headValue,
                            const double* meterMw, const std::string& serial) {
    CCheckReport report;
    const int n = std::clamp<int32_t>(nPoints, 0, CCheckReport::kMaxPoints);
    report.m_nPoints = n;
    std::copy_n(setPoint, n, report.m_setPoint);
    std::copy_n(headValue, n, report.m_headValue);
    std::copy_n(meterMw, n, report.m_meterMw);
    report.m_strSerial = serial;
    report.DoModal();
}

void CCalib::RunHeadConfig(COpticalHead* head) {
    RVX_Config dlg(this);
    dlg.m_pHead = head;
    dlg.DoModal();
}

std::tm CCalib::Now() const {
    return platform::LocalTimeNow();
}
