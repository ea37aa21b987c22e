// CCalib: the calibration utility (template 137), the service window for one
// optical head. It watches the reference radiometer, runs calibrations and
// calibration checks (stepping the head, recording points, fitting two
// quadratics), burns the results into the head's record, saves the raw
// points, polls the head and sends the controller's service commands.
//
// Everything runs on the UI thread; controller requests are synchronous. The
// radiometer's listening thread only writes the reading, the stable flag and
// the line count of m_meter, which the timers read.
#pragma once

#include "app/shared/DialogHelpers.h"
#include "calibration/RunPlan.h"
#include "calibration/RunResult.h"
#include "link/OpticalHead.h"
#include "link/SensorComm.h"
#include "platform/ui/Afx.h"

#include <cstdint>
#include <ctime>
#include <string>

class CCalib : public CDialog {
public:
    static constexpr uintptr_t IDT_TAKE_POINT = 1;    // 5000 ms settle, 1000 ms while unstable
    static constexpr uintptr_t IDT_METER_READOUT = 4; // 250 ms
    static constexpr uintptr_t IDT_HEAD_POLL = 10;    // 250 ms
    static constexpr unsigned kSettleMs = 5000;
    static constexpr unsigned kRecheckMs = 1000;
    static constexpr unsigned kReadoutMs = 250;

    static constexpr int kMaxPoints = RunPlan::kMaxPoints;
    // A point waits at most this many 1 s re-checks for a stable, fresh
    // radiometer reading before the run is stopped (with a message).
    static constexpr int kMaxMeterWaits = 120;
    // Attempts of a head read for one point before the run is stopped.
    static constexpr int kHeadReadTries = 3;

    explicit CCalib(CDialog* parent = nullptr);
    ~CCalib() override;

    // Set by the opener before DoModal; neither is owned. m_pHead must not be
    // null; its controller may be (the controller commands then do nothing).
    COpticalHead* m_pHead = nullptr;
    std::string* m_pMeterPort = nullptr; // radiometer port name, followed by the port edit

    CProgressCtrl m_progress;
    CSensorComm m_meter; // closed (and its thread joined) when the dialog goes
    CFont m_fontBig;
    CListCtrl m_listPoints;
    CButton m_btnSetDac;
    CEdit m_editDac;
    CEdit m_editPwm;

    // ---- Run data ----
    bool m_bCheckMode = false;
    int32_t m_nPoints = 0;               // 0..255
    double m_setPoint[kMaxPoints] = {};  // index (calibration) or mW/cm² (check)
    double m_headValue[kMaxPoints] = {}; // photodiode counts or head output mW/cm²
    double m_meterUw[kMaxPoints] = {};   // factor x radiometer, µW/cm²
    double m_meterMw[kMaxPoints] = {};   // the same in mW/cm²
    float m_fFactor = 1.0f;
    // The fits, their R² and the average step: burned only when complete
    // (see RunResult). Starting a run discards it.
    RunResult m_result;
    bool HasResult() const { return m_result.Complete(); }

    bool IsRunning() const { return m_bRunning; }

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(uintptr_t id) override;

    // Formats `value` (widened to double) with a printf format into the item.
    void SetDlgItemFloat(int id, float value, const char* format);

    // Runs.
    void OnBnClickedGo();
    void TakePoint();
    void ComputeFits();
    void OnBnClickedShowReport();
    void OnBnClickedSaveRaw();
    void OnBnClickedCalibrationCheck();

    // Service and readouts.
    void OnBnClickedSetDac();
    void OnBnClickedEraseEeprom();
    void OnBnClickedCalibrationMode();
    void OnBnClickedCalibrationCoeffs();
    void OnBnClickedFanOff();
    void OnBnClickedCancelOvertemp();
    void OnBnClickedDebugNoHead();
    void OnBnClickedGetConfig();
    void OnBnClickedSetConfig();
    void OnBnClickedGetDac();
    void OnBnClickedSetPwm();
    void OnBnClickedOff();
    void OnBnClickedBurn();
    void OnEnChangeDac();
    void OnEnChangePwm();
    void OnBnClickedSuggest();
    void OnBnClickedOpenMeter();
    void OnEnChangeMeterPort();
    void OnBnClickedPoll();

protected:
    // The dialogs this utility opens. Each gets by value what it shows and
    // runs modally; RunCalibReport returns the report's average step per index.
    virtual float RunCalibReport(int32_t nPoints, const double* setPoint, const double* headValue,
                                 const double* meterMw, const float photoToMw[3],
                                 const float mwToIndex[3], double r2PhotoToMw, double r2MwToIndex,
                                 const std::string& serial);
    virtual void RunCheckReport(int32_t nPoints, const double* setPoint, const double* headValue,
                                const double* meterMw, const std::string& serial);
    virtual void RunHeadConfig(COpticalHead* head);
    // Local date and time for Burn.
    virtual std::tm Now() const;

private:
    CControlBoard* Board() const { return m_pHead ? m_pHead->m_pBoard : nullptr; }
    void StartRun();
    void SendSetPoint();
    void FinishRun(); // fits (calibration) or report (check)
    void StopRun();   // timer killed, head off, GO! unchecked; no fits
    void AbortRun(const char* why);
    // Unchecks GO! and shows the box `text`.
    void RefuseRun(const std::string& text);
    // The model, serial and calibration date statics from the head's texts.
    void ShowHeadIdentity();
    void FocusAndSelect(CEdit& edit);

    bool m_bRunning = false;
    RunPlan m_plan;                  // the set points of the run going on, or of the last one
    int m_nMeterWaits = 0;           // 1 s re-checks spent on the current point
    uint32_t m_nLinesAtSetPoint = 0; // the meter's reading count when the set point went out
    bool m_bMeterOpened = false;     // the meter's port was opened in this window at some time

    // Changes with every change of the recorded points, so that a report can
    // tell whether the points it listed are still the ones the fits came from.
    uint64_t m_nPointSet = 0;
};
