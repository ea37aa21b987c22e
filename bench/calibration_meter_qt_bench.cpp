// The calibration utility open on the Qt backend (offscreen) with the
// radiometer port open and its readout refreshed every 250 ms: the CPU time
// of the UI thread and the listening thread together, in percent of one core.
// The simulated radiometer (a thread of this program too) is not counted.
#include "bench/QtBench.h"
#include "calibration/Calib.h"
#include "platform/ui/Headless.h" // OpenDialog
#include "platform/ui/qt/QtBackend.h"
#include "resources/dialogs/Dialog137Ids.h"
#include "tools/sim/Radiometer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <pthread.h>
#include <string>

namespace {

double CpuSeconds(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void BM_UtilityWithMeterReadoutCpu(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "calibration_meter_qt_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::UnattendedQtBackend backend;
    platform::ui::InstallBackend(&backend);
    {
        sim::Radiometer meter([] { return 42.0; }, sim::RadiometerOptions{});
        if (!meter.Start()) {
            state.SkipWithError("no radiometer pty");
            platform::ui::InstallBackend(nullptr);
            return;
        }
        CControlBoard board;
        board.m_bDemo = true;
        COpticalHead head;
        head.m_pBoard = &board;
        std::string port = meter.PortPath();
        CCalib dlg;
        dlg.m_pHead = &head;
        dlg.m_pMeterPort = &port;
        platform::ui::OpenDialog open(dlg);
        dlg.UserClick(ids137::IDC_METER_OPEN);
        clockid_t listen{}, ui{};
        if (!dlg.m_meter.m_pListenThread ||
            ::pthread_getcpuclockid(dlg.m_meter.m_pListenThread->native_handle(), &listen) != 0 ||
            ::pthread_getcpuclockid(::pthread_self(), &ui) != 0) {
            state.SkipWithError("meter not open");
        } else {
            double cpu = 0.0, wall = 0.0;
            for (auto _ : state) {
                const double c0 = CpuSeconds(listen) + CpuSeconds(ui);
                QElapsedTimer t;
                t.start();
                QEventLoop loop;
                QTimer::singleShot(2000, &loop, &QEventLoop::quit);
                loop.exec();
                cpu += CpuSeconds(listen) + CpuSeconds(ui) - c0;
                wall += static_cast<double>(t.elapsed()) / 1000.0;
            }
            state.counters["cpu_percent"] = 100.0 * cpu / wall;
            // The readout followed the meter: about 42 mW/cm², stable.
            const std::string text = dlg.GetDlgItemText(ids137::IDC_METER_READOUT);
            const double readout = std::atof(text.c_str());
            const bool stable = !text.empty() && text.back() == ' ';
            state.counters["readout_mw"] = readout;
            state.counters["stable"] = stable;
            if (std::fabs(readout - 42.0) > 1.0 || !stable)
                state.SkipWithError(
                    ("the readout shows \"" + text + "\", not a stable 42").c_str());
        }
    }
    platform::ui::InstallBackend(nullptr);
}
BENCHMARK(BM_UtilityWithMeterReadoutCpu)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
