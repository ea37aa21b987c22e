// The calibration utility open on the Qt backend (offscreen) with the
// radiometer port open and its readout refreshed every 250 ms: the CPU time
// of the UI thread and the listening thread together, in percent of one core.
// The simulated radiometer (a thread of this program too) is not counted.
#include <benchmark/benchmark.h>

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
    platform::ui::qt::QtBackend backend;
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
            state.counters["readout_mw"] = std::atof(text.c_str());
            state.counters["stable"] = !text.empty() && text.back() == ' ';
        }
    }
    platform::ui::InstallBackend(nullptr);
}
BENCHMARK(BM_UtilityWithMeterReadoutCpu)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
