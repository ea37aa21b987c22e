#pragma once
// CSorvaneDlg: the program's main window (template 102). It owns the
// controller and head arrays for the whole run, carries the operator's
// controls (mode, manual intensity, profile, extras) and one intensity
// indicator per configured head position over the instrument picture, and
// opens the doors to the head, calibration and configuration dialogs.
//
// Everything runs on the UI thread; controller requests are synchronous.

#include "app/Log.h"
#include "app/ProfileStep.h"
#include "app/config/Config.h"
#include "app/shared/DialogHelpers.h"
#include "app/shared/Passwd.h"
#include "app/shared/Picture.h"
#include "link/ControlBoard.h"
#include "link/OpticalHead.h"
#include "platform/ui/Afx.h"
#include "resources/Resources.h"
#include "resources/dialogs/Dialog102Ids.h"

#include <cstdint>
#include <memory>
#include <string>

class CSorvaneDlg : public CDialog {
public:
    // Timers of this window.
    static constexpr uintptr_t IDT_TRIGGER_POLL = 1;   // 1000 ms: waiting for the external trigger
    static constexpr uintptr_t IDT_STEP_END = 10;      // end of the current profile step
    static constexpr uintptr_t IDT_PROGRESS_TICK = 11; // 1000 ms: profile progress bars
    static constexpr uintptr_t IDT_TELEMETRY = 12;     // 3000 ms: telemetry sample
    static constexpr unsigned kTelemetryPeriodMs = 3000;

    static constexpr int kMaxIndicators = 64;
    static constexpr int kLoggedHeads = 8;
    // Width and height of a head's click box in client pixels (both ends included).
    static constexpr int kHeadBoxWidth = 34;
    static constexpr int kHeadBoxHeight = 37;

    // Loads config.ini (through m_config), which may show its notice.
    explicit CSorvaneDlg(CDialog* parent = nullptr);
    // Closes every controller; sends nothing, so the heads keep their output.
    ~CSorvaneDlg() override;

    // Decides once which controllers and heads the program works with and whether
    // it runs in simulation mode (runs the start-up discovery dialog).
    void SetUpControllers();
    // Every head in use off; the indicators show what their heads were told.
    void AllOff();
    // AllOff, and whatever the running profile switched on that AllOff no
    // longer reaches because the head count changed under the run.
    void RunOff();
    // Window text "<title>, version 3.02".
    void UpdateTitle();

    // Head positions in use for head objects: min(headCount, 2 x controllers), never negative.
    int HeadsInUse() const;
    // Exactly two head positions and a controller: the manual box, Off and the
    // profile runner address both heads through one command to the first
    // controller (channel 2, or a dual command) instead of through the head objects.
    bool BothChannelsAtOnce() const;
    // Head positions that get an indicator: min(headCount, 64), never negative.
    int IndicatorCount() const;
    // Text of indicator i, or "" when it was not created.
    std::string IndicatorText(int i) const;
    const CStatic& Indicator(int i) const { return m_indicators[i]; }

    std::string m_strComPort; // reference radiometer's port, set by the application
    CPicture m_picture;       // "instrument.bmp" from the current directory; not drawn
    CFont m_fontIndicator;
    CStatic m_indicators[kMaxIndicators];
    Config m_config; // m_config.m_record is the application configuration

    std::unique_ptr<CControlBoard[]> m_pBoards; // one per controller
    std::unique_ptr<COpticalHead[]> m_pHeads;   // two per controller
    // The telemetry log; the set-up fills its records of head positions 0 to 7.
    CLog m_log;
    int32_t m_nBoards = 0;
    bool m_bDemo = true;

    CListCtrl m_listSteps;
    CButton m_btnRun;
    CProgressCtrl m_progressStep;
    CProgressCtrl m_progressOverall;
    int32_t m_nStep = 0;
    CEdit m_editManual;
    CEdit m_editDuration;
    CButton m_btnVexor;
    CButton m_btnSetup;
    CEdit m_editIntensity2;
    CButton m_checkIntensity2;
    CEdit m_editIntensity1;
    CButton m_btnSwitchModes;
    CBitmap m_bmpLogo;
    CStatic m_staticLogo;
    CBitmap m_bmpInstrument;
    CStatic m_staticInstrument;

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnTimer(uintptr_t id) override;
    void OnLButtonDown(unsigned flags, CPoint point) override;

    // Manual group and extras.
    void OnBnClickedSet();
    void OnBnClickedOff();
    void OnBnClickedPersistence();
    void OnBnClickedExternalTrigger();

    void OnBnClickedContinuousMode();
    void OnBnClickedPulseMode();
    void OnBnClickedSwitchModes();
    void OnBnClickedLog();
    void OnBnClickedVexor();
    void OnBnClickedSetup() {}
    void OnEnChangeManual();
    void OnEnChangeStepEdit();

    // Profile editor (step list IDC_STEP_LIST and the "Add new step" group).
    void OnBnClickedAdd();
    void OnBnClickedRemoveStep();
    // Empties the profile and resets the editor's edits and check boxes.
    virtual void OnBnClickedClearAll();
    void OnBnClickedOpen();
    void OnBnClickedSave();
    void OnBnClickedIntensity1();
    void OnBnClickedIntensity2();

    // Profile runner: Run/Stop, and the start of the step at m_nStep (or the
    // end or restart of the run past the last step).
    void OnBnClickedRun();
    void StartStep();

protected:
    // Doors to the child dialogs. Each runs its dialog modally and returns the end
    // code; the main window does the timer and indicator work around them. A door
    // whose dialog is not there yet opens nothing.
    virtual int RunDetailDialog(COpticalHead& head, bool calibrated);
    virtual int RunCalibrationDialog(COpticalHead& head, std::string* meterPort);
    virtual int RunConfigDialog(); // hands the dialog the controllers' serials, then runs it
    virtual int RunPulseDialog(COpticalHead* headA, COpticalHead* headB);
    virtual int RunModeSwitchDialog(COpticalHead* head);
    virtual int RunLogDialog();
    virtual void CloseLog();

    // Timer work of the profile runner and the telemetry log.
    virtual void OnTriggerPollTimer();
    virtual void OnStepEndTimer();
    virtual void OnProgressTimer();
    virtual void OnTelemetryTimer();

    // The password gate in front of the calibration and configuration doors.
    bool PasswordGate();

private:
    void MapProfileCommands();
    void InsertStepRow(int row, const ProfileStep& step);
    void IntensityBoxClicked(int checkId, CEdit& edit);
    bool TriggerSeen();
    void ArmStepEnd(int32_t duration);
    void EndRun();

    bool Calibrated() const {
        return IsDlgButtonChecked(ids102::IDC_CALIBRATED_MODE) == BST_CHECKED;
    }
    void ShowIndicator(int i, const std::string& text);
    // Every indicator that has a head object shows what that head was last told.
    void ShowSettings();
    // What one command for both channels of the first controller told its
    // heads: every head object on that controller keeps a (channel A) or b
    // (channel B), whatever position it has.
    void KeepBothSettings(COpticalHead::Told unit, float a, float b);
    void FocusManualBox();
    void OpenHeadDoor(int i, bool ctrl);
    void OpenConfigDoor();
    void SwitchAllControllers(int checkId, bool (CControlBoard::*command)(uint8_t));
    void ReleaseControllers();

    // What the running profile switched on: the first controller's two
    // channels through one command, and head objects 0 to m_nRunHeads - 1.
    bool m_bRunBoth = false;
    int m_nRunHeads = 0;
};

// An indicator's text for what `head` was last told, in the window's mode:
// an intensity as "%4.1f" (mW/cm2), an index as "%3d" in index mode and as
// "#" and the number in calibrated mode, where a bare number would read as
// mW/cm2; off as zero in the mode's format.
std::string SettingText(const COpticalHead& head, bool calibrated);

// The access password of the configuration and calibration doors.
inline constexpr const char* kAccessPassword = "pelrud";
// Version shown in the window title.
inline constexpr const char* kProgramVersion = "3.02";
