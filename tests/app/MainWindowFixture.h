#pragma once
// Test support for the main window: a scratch working directory (config.ini,
// comlist.txt and the port-listing program live in the current directory),
// settings records, a stand-in ComList.exe, simulated controllers, and a main
// window whose doors record what they were asked to open.

#include "app/SorvaneDlg.h"
#include "app/StartUp.h"
#include "app/config/ConfigFile.h"
#include "app/config/ConfigRecord.h"
#include "platform/ui/Headless.h"
#include "tests/app/WorkFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace mainwindow_test {

using platform::ui::HeadlessBackend;

// Runs the test in a fresh directory and goes back (removing it) afterwards.
struct WorkDir : testing_support::WorkDir {
    WorkDir() : testing_support::WorkDir("lumi-mainwindow") {}
};

inline void WriteConfig(const ConfigRecord& r) {
    ASSERT_TRUE(WriteConfigFileAtomically("config.ini", r));
}

// The main window with doors that record instead of opening dialogs.
class RecordingMainWindow : public CSorvaneDlg {
public:
    struct Door {
        std::string kind;      // "detail", "calibration", "config", "pulse", "modeswitch", "log"
        int head;              // head index, -1 when none
        bool telemetryRunning; // timer 12 state while the door's dialog runs
        bool calibrated;       // detail: the mode handed over
    };
    std::vector<Door> doors;
    std::function<int(COpticalHead&)> onDetail;
    std::function<int()> onConfig;
    int logResult = IDCANCEL;
    int timerCalls[4] = {0, 0, 0, 0}; // 1, 10, 11, 12

    int HeadIndex(const COpticalHead* h) const {
        return h && m_pHeads ? static_cast<int>(h - &m_pHeads[0]) : -1;
    }

protected:
    int RunDetailDialog(COpticalHead& head, bool calibrated) override {
        doors.push_back({"detail", HeadIndex(&head), HasTimer(IDT_TELEMETRY), calibrated});
        return onDetail ? onDetail(head) : IDOK;
    }
    int RunCalibrationDialog(COpticalHead& head, std::string* port) override {
        doors.push_back({"calibration", HeadIndex(&head), HasTimer(IDT_TELEMETRY), false});
        EXPECT_EQ(port, &m_strComPort);
        return IDOK;
    }
    int RunConfigDialog() override {
        doors.push_back({"config", -1, HasTimer(IDT_TELEMETRY), false});
        return onConfig ? onConfig() : IDCANCEL;
    }
    int RunPulseDialog(COpticalHead* a, COpticalHead*) override {
        doors.push_back({"pulse", HeadIndex(a), HasTimer(IDT_TELEMETRY), false});
        return IDOK;
    }
    int RunModeSwitchDialog(COpticalHead* h) override {
        doors.push_back({"modeswitch", HeadIndex(h), HasTimer(IDT_TELEMETRY), false});
        return IDOK;
    }
    int RunLogDialog() override {
        doors.push_back({"log", -1, HasTimer(IDT_TELEMETRY), false});
        return logResult;
    }
    void OnTriggerPollTimer() override {
        ++timerCalls[0];
        CSorvaneDlg::OnTriggerPollTimer();
    }
    void OnStepEndTimer() override {
        ++timerCalls[1];
        CSorvaneDlg::OnStepEndTimer();
    }
    void OnProgressTimer() override {
        ++timerCalls[2];
        CSorvaneDlg::OnProgressTimer();
    }
    void OnTelemetryTimer() override { ++timerCalls[3]; }
};

// Template ids of the start-up discovery dialog and the password prompt.
constexpr int kStartUpTemplate = 146;
constexpr int kPasswordTemplate = 135;

} // namespace mainwindow_test
