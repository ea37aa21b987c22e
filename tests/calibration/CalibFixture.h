#pragma once
// Test support for the calibration utility: a CCalib whose report and head
// configuration dialogs record what they were handed, a head on a controller
// in simulation mode (no port) or on a simulated controller's pty, and a
// radiometer fed line by line without a port.

#include "calibration/Calib.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog137Ids.h"
#include "tools/sim/Controller.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace calib_test {

using platform::ui::HeadlessBackend;
using platform::ui::OpenDialog;
using namespace ids137;

struct ReportCall {
    bool check = false;
    std::vector<double> setPoint, headValue, meterMw;
    float photoToMw[3] = {}, mwToIndex[3] = {};
    double r2Photo = 0, r2Index = 0;
    std::string serial;
};

class TestCalib : public CCalib {
public:
    std::vector<ReportCall> reports;
    float avgStepToHandBack = 0.25f;
    // The real report dialogs (scripted with OnModal) instead of the stand-ins;
    // the calls are recorded all the same.
    bool realReports = false;
    int headConfigRuns = 0;
    std::tm now{};

    TestCalib() {
        now.tm_year = 2019 - 1900;
        now.tm_mon = 6; // July
        now.tm_mday = 4;
    }

protected:
    float RunCalibReport(int32_t n, const double* setPoint, const double* headValue,
                         const double* meterMw, const float photoToMw[3], const float mwToIndex[3],
                         double r2Photo, double r2Index, const std::string& serial) override {
        ReportCall c;
        c.setPoint.assign(setPoint, setPoint + n);
        c.headValue.assign(headValue, headValue + n);
        c.meterMw.assign(meterMw, meterMw + n);
        for (int k = 0; k < 3; ++k) {
            c.photoToMw[k] = photoToMw[k];
            c.mwToIndex[k] = mwToIndex[k];
        }
        c.r2Photo = r2Photo;
        c.r2Index = r2Index;
        c.serial = serial;
        reports.push_back(c);
        if (realReports)
            return CCalib::RunCalibReport(n, setPoint, headValue, meterMw, photoToMw, mwToIndex,
                                          r2Photo, r2Index, serial);
        return avgStepToHandBack;
    }
    void RunCheckReport(int32_t n, const double* setPoint, const double* headValue,
                        const double* meterMw, const std::string& serial) override {
        ReportCall c;
        c.check = true;
        c.setPoint.assign(setPoint, setPoint + n);
        c.headValue.assign(headValue, headValue + n);
        c.meterMw.assign(meterMw, meterMw + n);
        c.serial = serial;
        reports.push_back(c);
        if (realReports)
            CCalib::RunCheckReport(n, setPoint, headValue, meterMw, serial);
    }
    void RunHeadConfig(COpticalHead* head) override {
        EXPECT_EQ(head, m_pHead);
        ++headConfigRuns;
    }
    std::tm Now() const override { return now; }
};

// One radiometer line per reading, in W/cm², as the meter writes it.
inline void FeedMeter(CSensorComm& meter, double microWatts, int lines = 1) {
    char text[64];
    std::snprintf(text, sizeof text, "%.7f\r\n", microWatts / 1e6);
    for (int i = 0; i < lines; ++i)
        for (const char* p = text; *p; ++p)
            meter.OnReceiveChar(*p);
}

// Ten lines that alternate between 10 and 20 mW/cm²: a spread of 10000 µW/cm²,
// beyond the 5500 of a settled meter, however long it goes on.
inline void FeedUnsettledMeter(CSensorComm& meter) {
    for (int i = 0; i < 5; ++i) {
        FeedMeter(meter, 10000.0);
        FeedMeter(meter, 20000.0);
    }
}

// A head on a controller in simulation mode: nothing is sent, photodiode 350,
// output 0.0.
struct DemoHead {
    DemoHead() {
        board.m_bDemo = true;
        board.m_strBoardSerial = "01001001";
        head.m_pBoard = &board;
        head.m_nChannel = 0;
        head.m_strModel = "RVX-365";
        head.m_strSerial = "0906011";
        head.m_strCalDate = "01/02/19";
    }
    CControlBoard board;
    COpticalHead head;
};

// Clicks GO! and advances the virtual clock in 1 s steps until the run ends
// (or `limitMs` passed), feeding the meter before each step with `microWatts()`.
template <class F>
void RunToEnd(HeadlessBackend& ui, TestCalib& dlg, F microWatts, uint64_t limitMs = 2000000) {
    ASSERT_TRUE(dlg.UserClick(IDC_GO));
    const uint64_t end = ui.Now() + limitMs;
    while (dlg.IsRunning() && ui.Now() < end) {
        FeedMeter(dlg.m_meter, microWatts(), 10);
        ui.Advance(1000);
    }
    ASSERT_FALSE(dlg.IsRunning());
}

} // namespace calib_test
