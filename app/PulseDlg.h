#pragma once
// pulseDlg: the "Pulse Mode" dialog (template 150). Starts and stops the
// controller's pulse train on channel A, B or both: a number of pulses, as many
// as fit a time limit, on until stopped by hand, or armed for the external
// trigger. The controller does the pulsing; the dialog sends the start and stop
// commands and, for the two timed modes, follows the run with a bar and ends it
// when the train should be over (no stop is sent then).
//
// The opener sets m_pHeadA (head position 0: channel A and both channels) and
// m_pHeadB (head position 1: channel B alone); either may be null, and a head
// without a controller sends nothing. UI thread only.

#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"

#include <cstdint>

class pulseDlg : public CDialog {
public:
    enum { IDD = 150 };
    static constexpr uintptr_t IDT_PULSE_PROGRESS = 100; // 1000 ms: steps the active bar
    static constexpr uintptr_t IDT_PULSE_END = 101;      // the timed run is over
    // The window system's shortest and longest timer periods, in ms.
    static constexpr uint64_t kMinTimerMs = 10;
    static constexpr uint64_t kMaxTimerMs = 0x7FFFFFFF;

    explicit pulseDlg(CDialog* parent = nullptr);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(uintptr_t id) override;

    void OnBnClickedStartPulses();
    void OnBnClickedStartTimeLimit();
    void OnBnClickedOn();
    void OnBnClickedArm();
    void OnEnChangePulseCount();
    void OnEnChangeTimeLimit();

    // Reads the controls, prepares a timed run's bar and timers, sends the start.
    void StartPulse();
    // Sends the stop to the head of the checked channel box (A before B).
    void StopPulse();

    COpticalHead* m_pHeadA = nullptr;
    COpticalHead* m_pHeadB = nullptr;
    CProgressCtrl* m_pActiveProgress = nullptr; // the bar of the timed run in progress
    CButton m_radioMode[4];                     // IDC_MODE_PULSES to IDC_MODE_TRIGGER
    CButton m_checkChannelA;
    CButton m_checkChannelB;
    CButton m_btnOn;
    CButton m_btnArm;
    CButton m_btnStartPulses;
    CButton m_btnStartTimeLimit;
    CProgressCtrl m_progressPulses;
    CProgressCtrl m_progressTimeLimit;

private:
    // One of the four twin buttons pressed or released.
    void Twin(int mode, CButton& button, CProgressCtrl* bar, const char* idle, const char* running);
};
