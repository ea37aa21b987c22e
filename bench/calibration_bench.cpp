// The calibration's numbers: the quadratic fit of a full point table and the R²
// of its coefficients as a head stores them (float), and a whole default
// calibration (255 down to 5 by 5, 51 points) on the headless backend's virtual
// clock against a simulated controller on a pty, with the radiometer reading
// what the simulated head emits.
#include <benchmark/benchmark.h>

#include "calibration/Calib.h"
#include "calibration/PolyFit.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog137Ids.h"
#include "tools/sim/Controller.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// |got - want| within `relative` of |want|.
bool Near(double got, double want, double relative) {
    return std::fabs(got - want) <= relative * std::fabs(want);
}

void BM_QuadraticFit255Points(benchmark::State& state) {
    // Points that lie on a known curve, photodiode counts to uW/cm2 over a full
    // table: the fit has to give this curve back. In double the normal
    // equations lose about 1e-13 of c here; 1e-9 leaves room for another
    // compiler and still catches any real fault.
    constexpr double kA = 2.5e-4, kB = 9.75, kC = -12.5;
    constexpr double kTolerance = 1e-9;
    std::vector<double> x, y;
    for (int i = 0; i < 255; ++i) {
        x.push_back(10.0 + 6.5 * i);
        y.push_back(kA * x.back() * x.back() + kB * x.back() + kC);
    }
    double a = 0, b = 0, c = 0, r2 = 0;
    for (auto _ : state) {
        CPolyFit fit(255, x.data(), y.data(), 2);
        a = fit.Coef(2);
        b = fit.Coef(1);
        c = fit.Coef(0);
        const float stored[3] = {static_cast<float>(a), static_cast<float>(b),
                                 static_cast<float>(c)};
        r2 = ComputeRSquared(255, x.data(), y.data(), stored);
        benchmark::DoNotOptimize(r2);
        if (!Near(a, kA, kTolerance) || !Near(b, kB, kTolerance) || !Near(c, kC, kTolerance)) {
            char why[160];
            std::snprintf(why, sizeof why, "fitted %.12g, %.12g, %.12g instead of %g, %g, %g", a, b,
                          c, kA, kB, kC);
            state.SkipWithError(why);
            return;
        }
        // The points lie on the curve, so only the float rounding of the
        // coefficients is left over: 1 - R² is far below 1e-9.
        if (!(std::fabs(r2 - 1.0) <= 1e-9)) {
            char why[80];
            std::snprintf(why, sizeof why, "1 - R² is %.3g for points on the curve", 1.0 - r2);
            state.SkipWithError(why);
            return;
        }
    }
}
BENCHMARK(BM_QuadraticFit255Points)->Unit(benchmark::kMicrosecond);

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
        // A run that stopped early says why in a box; one that went through has
        // taken every index of 255, 250, ... 5.
        if (ui.BoxCount() != 0) {
            state.SkipWithError(("the run stopped: " + ui.LastBox().text).c_str());
            return;
        }
        if (points != 51) {
            state.SkipWithError(("the run took " + std::to_string(points) +
                                 " points, not the 51 of 255 down to 5 by 5")
                                    .c_str());
            return;
        }
        for (int i = 0; i < 51; ++i)
            if (dlg.m_setPoint[i] != 255 - 5 * i) {
                char why[80];
                std::snprintf(why, sizeof why, "point %d was taken at index %g", i,
                              dlg.m_setPoint[i]);
                state.SkipWithError(why);
                return;
            }
    }
    state.counters["points"] = points;
}
BENCHMARK(BM_DefaultCalibrationHeadless)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
