// The main window's profile editor (step list, Add, Remove Step, Clear All,
// Open, Save, the intensity check boxes) and the profile runner (Run/Stop,
// the trigger wait, the steps and their timers).
#include "app/ProfileFile.h"
#include "app/SorvaneDlg.h"

#include <algorithm>
#include <cmath>

using namespace ids102;

namespace {

constexpr unsigned kTriggerPollMs = 1000;
constexpr unsigned kProgressTickMs = 1000;
constexpr uint64_t kLongestTimerMs = 0x7FFFFFFF; // as Win32's USER_TIMER_MAXIMUM

// The pause flag of the step now running: set when it starts, read when it
// ends. One per program, as there is one main window.
uint8_t g_bPauseAfterStep = 0;

constexpr const char* kOpenFilter =
    "RVX Profiles (*.profile)|*.profile|VEXOR data (*.vexor)|*.vexor|All Files (*.*)|*.*||";
constexpr const char* kSaveFilter = "RVX Profiles (*.profile)|*.profile|All Files (*.*)|*.*||";

// Steps are typed in whole seconds; a file may still carry a negative
// duration, which runs as a step of no length (its timer must never be armed
// with the wrapped-around product of some 49 days).
int32_t RunDuration(const ProfileStep& step) {
    return std::max(step.duration, 0);
}

// A value from a file outside 0-255 is held at its end (StepIndex).
uint16_t RunIndex(float value) {
    return StepIndex(value);
}

// The number (from 1) of the first step whose intensities may not be sent in
// the selected mode, or 0 when every one may: no NaN or infinity in either
// mode (the format never holds one), no negative intensity when calibrated.
// Both intensities count whatever the head count, which can change while the
// profile stays loaded.
std::size_t FirstUnsendableStep(const std::vector<ProfileStep>& steps, bool calibrated) {
    for (std::size_t k = 0; k < steps.size(); ++k)
        for (float value : {steps[k].intensity1, steps[k].intensity2})
            if (calibrated ? IntensityProblem(value) != nullptr : !std::isfinite(value))
                return k + 1;
    return 0;
}

} // namespace

void CSorvaneDlg::MapProfileCommands() {
    MapCommand(IDC_ADD, BN_CLICKED, &CSorvaneDlg::OnBnClickedAdd);
    MapCommand(IDC_REMOVE_STEP, BN_CLICKED, &CSorvaneDlg::OnBnClickedRemoveStep);
    MapCommand(IDC_OPEN, BN_CLICKED, &CSorvaneDlg::OnBnClickedOpen);
    MapCommand(IDC_SAVE, BN_CLICKED, &CSorvaneDlg::OnBnClickedSave);
    MapCommand(IDC_RUN, BN_CLICKED, &CSorvaneDlg::OnBnClickedRun);
    MapCommand(IDC_INTENSITY1_CHECK, BN_CLICKED, &CSorvaneDlg::OnBnClickedIntensity1);
    MapCommand(IDC_INTENSITY2_CHECK, BN_CLICKED, &CSorvaneDlg::OnBnClickedIntensity2);
}

// ---- editor

void CSorvaneDlg::InsertStepRow(int row, const ProfileStep& step) {
    const std::vector<std::string> texts =
        StepTexts(step, Calibrated(), m_config.m_record.headCount == 2);
    row = m_listSteps.InsertItem(row, texts[0].c_str());
    for (size_t column = 1; column < texts.size(); ++column)
        m_listSteps.SetItemText(row, static_cast<int>(column), texts[column].c_str());
    m_listSteps.SetItemData(row, step);
}

void CSorvaneDlg::OnBnClickedAdd() {
    const int mark = m_listSteps.GetSelectionMark();
    const bool calibrated = Calibrated();
    ProfileStep step;
    step.calibrated = calibrated ? 1 : 0;
    step.duration = GetDlgItemInt(IDC_DURATION, nullptr, TRUE);
    step.pause = IsDlgButtonChecked(IDC_PAUSE) == BST_CHECKED ? 1 : 0;
    if (calibrated) {
        step.intensity1 = GetDlgItemFloat(this, IDC_INTENSITY1);
        step.intensity2 = GetDlgItemFloat(this, IDC_INTENSITY2);
        // Intensity 2 is checked with any head count: the count may become 2
        // while the step is in the list.
        const char* problem = IntensityProblem(step.intensity1);
        if (!problem)
            problem = IntensityProblem(step.intensity2);
        if (problem) {
            ShowMessage("%s The step was not added.", problem);
            return;
        }
    } else {
        const int index1 = GetDlgItemInt(IDC_INTENSITY1, nullptr, TRUE);
        const int index2 = GetDlgItemInt(IDC_INTENSITY2, nullptr, TRUE);
        // Intensity 2 is hidden and unused unless two head positions are configured.
        const bool twoHeads = m_config.m_record.headCount == 2;
        if (index1 < 0 || index1 > 255 || (twoHeads && (index2 < 0 || index2 > 255))) {
            ShowMessage("The intensity index must be between 0 and 255.");
            return;
        }
        step.intensity1 = static_cast<float>(index1);
        step.intensity2 = static_cast<float>(index2);
    }
    if (step.duration < 0) {
        ShowMessage("The duration must be 0 seconds or more.");
        return;
    }

    InsertStepRow(mark == -1 ? m_listSteps.GetItemCount() : mark, step);

    m_editDuration.SetFocus();
    m_editDuration.SetSel(0, -1);
    m_editDuration.ScrollCaret();
}

void CSorvaneDlg::OnBnClickedRemoveStep() {
    const int mark = m_listSteps.GetSelectionMark();
    if (mark < 0)
        return;
    m_listSteps.DeleteItem(mark);
}

void CSorvaneDlg::OnBnClickedClearAll() {
    m_listSteps.DeleteAllItems();
    // The edits raise EN_CHANGE: after this Enter presses Add, not Set.
    SetDlgItemText(IDC_DURATION, "");
    SetDlgItemText(IDC_INTENSITY1, "");
    SetDlgItemText(IDC_INTENSITY2, "");
    CheckDlgButton(IDC_INTENSITY1_CHECK, BST_CHECKED);
    m_editIntensity1.EnableWindow(TRUE);
    CheckDlgButton(IDC_INTENSITY2_CHECK, BST_CHECKED);
    m_editIntensity2.EnableWindow(TRUE);
    CheckDlgButton(IDC_PAUSE, BST_UNCHECKED);
}

void CSorvaneDlg::IntensityBoxClicked(int checkId, CEdit& edit) {
    if (IsDlgButtonChecked(checkId) == BST_CHECKED) {
        edit.EnableWindow(TRUE);
        return;
    }
    edit.SetWindowText(Calibrated() ? "0.0" : "0");
    edit.EnableWindow(FALSE);
}

void CSorvaneDlg::OnBnClickedIntensity1() {
    IntensityBoxClicked(IDC_INTENSITY1_CHECK, m_editIntensity1);
}

void CSorvaneDlg::OnBnClickedIntensity2() {
    IntensityBoxClicked(IDC_INTENSITY2_CHECK, m_editIntensity2);
}

void CSorvaneDlg::OnBnClickedOpen() {
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, kOpenFilter,
                       this);
    dialog.m_ofn.lpstrTitle = "Open Profile";
    if (dialog.DoModal() != IDOK)
        return;

    std::vector<uint8_t> bytes;
    switch (ReadProfileFile(dialog.GetPathName(), bytes)) {
    case ProfileRead::kRead:
        break;
    case ProfileRead::kTooLarge:
        ShowMessage("This file is not a profile: it holds more than %zu steps. Nothing was loaded.",
                    kMaxProfileSteps);
        return;
    case ProfileRead::kFailed:
        ShowMessage("File not found.");
        return;
    }
    // A cut-off or foreign file is refused whole, before anything is cleared.
    if (bytes.size() % ProfileStep::kSize != 0) {
        ShowMessage("This file is not a profile: its length is not a whole number of steps. "
                    "Nothing was loaded.");
        return;
    }
    const std::vector<ProfileStep> steps = DecodeProfile(bytes.data(), bytes.size());
    const bool calibrated = Calibrated();
    const bool sameMode = !steps.empty() && (steps.front().calibrated != 0) == calibrated;
    if (sameMode) {
        if (const std::size_t bad = FirstUnsendableStep(steps, calibrated)) {
            ShowMessage("Step %zu of this profile has an intensity that can not be sent. Nothing "
                        "was loaded.",
                        bad);
            return;
        }
    }
    OnBnClickedClearAll();

    if (steps.empty())
        return;
    if (calibrated && !steps.front().calibrated) {
        ShowMessage("This profile was saved in the non-calibrated mode. You can not load it while "
                    "the configuration is set to calibarted mode.");
        return;
    }
    if (!calibrated && steps.front().calibrated) {
        ShowMessage("This profile was saved in the calibrated mode. You can not load it while the "
                    "configuration is set to non-calibarted mode.");
        return;
    }
    // One update of the view for the whole file instead of one per row.
    m_listSteps.SetRedraw(FALSE);
    for (const ProfileStep& step : steps)
        InsertStepRow(m_listSteps.GetItemCount(), step);
    m_listSteps.SetRedraw(TRUE);
}

void CSorvaneDlg::OnBnClickedSave() {
    // A name typed without an extension gets the profiles' own, so that Open's
    // "RVX Profiles" filter shows what was saved.
    CFileDialog dialog(FALSE, "profile", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       kSaveFilter, this);
    dialog.m_ofn.lpstrTitle = "Save Profile";
    if (dialog.DoModal() != IDOK)
        return;

    std::vector<ProfileStep> steps;
    const int rows = m_listSteps.GetItemCount();
    steps.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row)
        if (const ProfileStep* step = m_listSteps.GetItemData<ProfileStep>(row))
            steps.push_back(*step);
    if (!WriteProfileFile(dialog.GetPathName(), EncodeProfile(steps)))
        ShowMessage("File could not be opened.");
}

// ---- runner

bool CSorvaneDlg::TriggerSeen() {
    // Without any controller there is no trigger to see: the run waits as it
    // does in simulation mode, until External Trigger is unchecked or Stop.
    return m_nBoards > 0 && m_pBoards && m_pBoards[0].QueryTrigger();
}

void CSorvaneDlg::OnBnClickedRun() {
    if (m_btnRun.GetCheck() == BST_CHECKED) {
        uint16_t total = 0; // the bar's range travels as 16 bits: the sum wraps
        for (int row = 0; row < m_listSteps.GetItemCount(); ++row)
            if (const ProfileStep* step = m_listSteps.GetItemData<ProfileStep>(row))
                total = static_cast<uint16_t>(total + static_cast<uint32_t>(RunDuration(*step)));
        m_progressOverall.SetRange(0, static_cast<short>(total));
        m_progressOverall.SetStep(1);
        m_progressOverall.SetPos(0);
        m_progressStep.SetStep(1);
        m_btnRun.SetWindowText("Stop");
        m_nStep = 0;
        m_bRunBoth = false;
        m_nRunHeads = 0;
        if (IsDlgButtonChecked(IDC_EXTERNAL_TRIGGER) != BST_CHECKED || TriggerSeen())
            StartStep();
        else
            SetTimer(IDT_TRIGGER_POLL, kTriggerPollMs);
        return;
    }
    KillTimer(IDT_TRIGGER_POLL);
    KillTimer(IDT_STEP_END);
    KillTimer(IDT_PROGRESS_TICK);
    RunOff();
    m_editManual.SetWindowText("");
    m_progressStep.SetPos(0);
    m_progressOverall.SetPos(0);
    m_btnRun.SetWindowText("Run");
}

void CSorvaneDlg::OnTriggerPollTimer() {
    if (IsDlgButtonChecked(IDC_EXTERNAL_TRIGGER) == BST_CHECKED && !TriggerSeen())
        return;
    KillTimer(IDT_TRIGGER_POLL);
    StartStep();
}

void CSorvaneDlg::ArmStepEnd(int32_t duration) {
    // Each step gets its whole duration from the moment it starts: a dose is
    // intensity times time, so an end timer that fired late (the UI thread
    // held by a request waiting out its timeout) delays what follows rather
    // than cutting the next step short. A window timer waits at most
    // kLongestTimerMs; a longer step ends when that timer fires.
    const uint64_t wait = std::min<uint64_t>(uint64_t(uint32_t(duration)) * 1000u, kLongestTimerMs);
    SetTimer(IDT_STEP_END, static_cast<unsigned>(wait));
    SetTimer(IDT_PROGRESS_TICK, kProgressTickMs);
}

void CSorvaneDlg::StartStep() {
    const int count = m_listSteps.GetItemCount();
    const ProfileStep* found =
        m_nStep >= 0 && m_nStep < count ? m_listSteps.GetItemData<ProfileStep>(m_nStep) : nullptr;
    if (found) {
        // A copy: the list may change under the commands' waits.
        const ProfileStep step = *found;
        const int32_t duration = RunDuration(step);
        m_progressStep.SetRange(0, static_cast<short>(static_cast<uint16_t>(duration)));
        m_progressStep.SetPos(0);
        if (BothChannelsAtOnce()) {
            if (Calibrated()) {
                m_pBoards[0].SetDualIntensity(step.intensity1, step.intensity2);
                KeepBothSettings(COpticalHead::Told::Milliwatts, step.intensity1, step.intensity2);
            } else {
                const uint16_t a = RunIndex(step.intensity1), b = RunIndex(step.intensity2);
                m_pBoards[0].SetDualIndex(a, b);
                KeepBothSettings(COpticalHead::Told::Index, a, b);
            }
            m_bRunBoth = true;
        } else {
            // Two positions without a controller: HeadsInUse() is 0, nothing is sent.
            const int heads = HeadsInUse();
            for (int i = 0; i < heads; ++i) {
                if (Calibrated())
                    m_pHeads[i].SetIntensity(step.intensity1);
                else
                    m_pHeads[i].SetIndex(RunIndex(step.intensity1));
            }
            m_nRunHeads = std::max(m_nRunHeads, heads);
        }
        // The indicators show what the heads were sent, not what the file holds.
        ShowSettings();
        g_bPauseAfterStep = step.pause;
        ArmStepEnd(duration);
        return;
    }
    if (IsDlgButtonChecked(IDC_LOOP) == BST_CHECKED && count > 0 &&
        m_listSteps.GetItemData<ProfileStep>(0)) {
        m_nStep = 0;
        StartStep();
        return;
    }
    EndRun();
}

void CSorvaneDlg::EndRun() {
    RunOff();
    m_editManual.SetWindowText("");
    m_btnRun.SetCheck(BST_UNCHECKED);
    m_btnRun.SetWindowText("Run");
}

void CSorvaneDlg::OnStepEndTimer() {
    KillTimer(IDT_STEP_END);
    KillTimer(IDT_PROGRESS_TICK);
    m_progressStep.StepIt();
    m_progressOverall.StepIt();
    if (g_bPauseAfterStep) {
        RunOff();
        MessageBox("Press OK to continue.", "Awaiting User Interaction",
                   MB_OK | MB_ICONINFORMATION);
        // Stopped while the box was up: nothing more may be switched on.
        if (m_btnRun.GetCheck() != BST_CHECKED)
            return;
    }
    ++m_nStep;
    StartStep();
}

void CSorvaneDlg::RunOff() {
    AllOff();
    // A head count changed under the run (configuration OK) must not leave
    // lit what the run switched on: a pause or the end means the light is off.
    const bool both = BothChannelsAtOnce();
    if (m_bRunBoth && !both && m_nBoards > 0) {
        m_pBoards[0].HeadOff(2);
        KeepBothSettings(COpticalHead::Told::Off, 0.0f, 0.0f);
    }
    const int driven = std::min(m_nRunHeads, 2 * m_nBoards);
    for (int i = both ? 0 : HeadsInUse(); i < driven; ++i)
        m_pHeads[i].Off();
    m_bRunBoth = false;
    m_nRunHeads = 0;
    ShowSettings();
}

void CSorvaneDlg::OnProgressTimer() {
    m_progressStep.StepIt();
    m_progressOverall.StepIt();
}
