// The calibration's numbers: the quadratic fit of a full point table, and a
// whole default calibration (255 down to 5 by 5, 51 points) on the headless
// backend's virtual clock against a simulated controller on a pty, with the
// radiometer reading what the simulated head emits.
#include <benchmark/benchmark.h>

#include "calibration/Calib.h"
#include "calibration/PolyFit.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog137Ids.h"
#include "tools/sim/Controller.h"

#include <cstdio>
#include <random>
#include <vector>

namespace {

void BM_PolyFit255Points(benchmark::State& state) {
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 100.0);
    std::vector<double> x, y;
    for (int i = 0; i < 255; ++i) {
        x.push_back(10.0 + 6.5 * i);
        y.push_back(1e-3 * x.back() * x.back() + 48.0 * x.back() + noise(rng));
    }
    for (auto _ : state) {
        CPolyFit fit(255, x.data(), y.data(), 2);
        benchmark::DoNotOptimize(fit.m_pCoef[2]);
    }
}
BENCHMARK(BM_PolyFit255Points)->Unit(benchmark::kMicrosecond);

// The report dialog is not part of what is measured.
class QuietCalib : public CCalib {
protected:
    float RunCalibReport(int32_t, const double*, const double*, const double*, const float[3],
                         const float[3], double, double, const std::string&) override {
        return 0.0f;
    }
};

void Feed(CSensorComm& meter, double microWatts) {
    char line[64];
    std::snprintf(line, sizeof line, "%.7f\r\n", microWatts / 1e6);
    for (int i = 0; i < 10; ++i)
        for (const char* p = line; *p; ++p)
            meter.OnReceiveChar(*p);
}

void BM_DefaultCalibrationHeadless(benchmark::State& state) {
    platform::ui::HeadlessBackend ui;
    sim::Controller sim{sim::ControllerOptions{}};
    CControlBoard board;
    if (board.Open(sim.SlavePath().c_str(), 115200, 1000) != SERIAL_OK) {
        state.SkipWithError("cannot open the simulated controller");
        return;
    }
    COpticalHead head;
    head.m_pBoard = &board;
    int points = 0;
    for (auto _ : state) {
        QuietCalib dlg;
        dlg.m_pHead = &head;
        platform::ui::OpenDialog open(dlg);
        dlg.UserClick(ids137::IDC_GO);
        while (dlg.IsRunning()) {
            Feed(dlg.m_meter, sim.OpticalOutput(0) * 1000.0);
            ui.Advance(1000);
        }
        points = dlg.m_nPoints;
    }
    state.counters["points"] = points;
}
BENCHMARK(BM_DefaultCalibrationHeadless)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
