#pragma once
// Test support for the main window: a scratch working directory (config.ini,
// comlist.txt and the port-listing program live in the current directory),
// settings records, a stand-in ComList.exe, simulated controllers, a main
// window whose doors record what they were asked to open, and a fixture that
// starts a main window on simulated controllers.

#include "app/SorvaneDlg.h"
#include "app/StartUp.h"
#include "app/config/ConfigFile.h"
#include "app/config/ConfigRecord.h"
#include "platform/ui/Headless.h"
#include "tests/app/WorkFiles.h"
#include "tests/support/TempDir.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
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

// One request a simulated controller received: its command code and payload.
struct Sent {
    uint8_t code;
    std::vector<uint8_t> payload;
    bool operator==(const Sent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Sent& s) {
    os << int(s.code) << ":";
    for (uint8_t b : s.payload)
        os << " " << int(b);
    return os;
}

// Every request `controller` has received, oldest first.
inline std::vector<Sent> Received(const sim::Controller& controller) {
    std::vector<Sent> out;
    for (const auto& r : controller.Requests())
        out.push_back({r.code, r.payload});
    return out;
}

// A float's four bytes in memory order (the wire's little-endian on this host).
inline std::vector<uint8_t> FloatBytes(float f) {
    uint8_t b[4];
    std::memcpy(b, &f, 4);
    return {b[0], b[1], b[2], b[3]};
}

// A main window of type `Window` (CSorvaneDlg or RecordingMainWindow) opened
// in a scratch directory, closed at the end; through OpenOn or Open it runs on
// simulated controllers.
template <class Window> class MainWindowFixture : public ::testing::Test {
protected:
    // Writes `record` as config.ini and opens the window; the start-up dialog
    // is answered as the test has arranged. `beforeOpen` may set what the
    // window's start reads.
    void OpenWindow(const ConfigRecord& record,
                    const std::function<void(Window&)>& beforeOpen = {}) {
        WriteConfig(record);
        dlg = std::make_unique<Window>();
        if (beforeOpen)
            beforeOpen(*dlg);
        open = std::make_unique<platform::ui::OpenDialog>(*dlg);
        ASSERT_TRUE(open->Ok());
    }
    // Starts the window after a clean search over one simulated controller per
    // entry of `options` (listed in that order).
    void OpenOn(const ConfigRecord& record, const std::vector<sim::ControllerOptions>& options,
                const std::function<void(Window&)>& beforeOpen = {}) {
        std::vector<std::string> ports;
        for (const sim::ControllerOptions& o : options) {
            sims.push_back(std::make_unique<sim::Controller>(o));
            ports.push_back(sims.back()->SlavePath());
        }
        WriteComList(ports);
        ui.OnModal(kStartUpTemplate, [this](CDialog&) { ui.Advance(2000); });
        ASSERT_NO_FATAL_FAILURE(OpenWindow(record, beforeOpen));
        ASSERT_FALSE(dlg->m_bDemo);
    }
    // Starts on `controllers` controllers ("01001001", then "02002002"), all
    // found, and forgets the requests of the start.
    void Open(const ConfigRecord& record, int controllers = 1) {
        std::vector<sim::ControllerOptions> options(static_cast<std::size_t>(controllers));
        for (std::size_t j = 0; j < options.size(); ++j)
            options[j].board.boardSerial = j == 0 ? "01001001" : "02002002";
        ASSERT_NO_FATAL_FAILURE(OpenOn(record, options));
        ASSERT_EQ(dlg->m_nBoards, controllers);
        Forget();
    }
    void TearDown() override {
        open.reset();
        dlg.reset();
    }
    void Forget() {
        for (auto& s : sims)
            s->ClearRequests();
    }
    std::vector<Sent> SentTo(int j = 0) const { return Received(*sims[std::size_t(j)]); }
    std::vector<Sent> TakeSent(int j = 0) {
        std::vector<Sent> out = SentTo(j);
        sims[std::size_t(j)]->ClearRequests();
        return out;
    }

    WorkDir dir;
    HeadlessBackend ui;
    std::vector<std::unique_ptr<sim::Controller>> sims;
    std::unique_ptr<Window> dlg;
    std::unique_ptr<platform::ui::OpenDialog> open;
};

} // namespace mainwindow_test
