// Step timing of a running profile on the Qt backend (offscreen) against a
// simulated controller, on the real clock: a profile of 1 s, 2 s and 10 s steps
// with two head positions. The time of each step's first frame is taken where
// the controller receives it and compared with its schedule from the first
// frame: 0, 1000, 3000 ms, and the all-off frame at 13000 ms.
//
// Reported per iteration (one run, 13 s): "step2_ms", "step3_ms", "end_ms"
// (each frame's lateness, negative when early) and "worst_ms". Targets: every
// step within 20 ms of its time, and no drift (the end no later than the steps).

#include "app/SorvaneDlg.h"
#include "bench/BenchSupport.h"
#include "bench/QtBench.h"
#include "platform/ui/Headless.h"
#include "platform/ui/qt/QtBackend.h"

#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Arrival {
    uint8_t code;
    Clock::time_point at;
};

void BM_ProfileStepTiming(benchmark::State& state) {
    bench::App("profile_timing_qt_bench");
    bench::ScratchDir dir("lumi-timing-bench");
    if (!dir.Valid()) {
        state.SkipWithError("no temporary directory");
        return;
    }
    dir.HoldQtFiles();
    double sums[3] = {0, 0, 0};
    double worst = 0;
    {
        std::mutex mutex;
        std::vector<Arrival> arrivals;
        sim::ControllerOptions o;
        o.board.boardSerial = "01001001";
        o.onRequest = [&](const sim::DecodedFrame& r) {
            std::lock_guard lock(mutex);
            arrivals.push_back({r.code, Clock::now()});
        };
        sim::Controller controller(o);
        bench::WriteTwoHeadConfig();
        mainwindow_test::WriteComList({controller.SlavePath()});

        platform::ui::qt::QtBackend ui;
        platform::ui::InstallBackend(&ui);
        CSorvaneDlg dlg;
        platform::ui::OpenDialog open(dlg);
        if (dlg.m_bDemo || dlg.m_nBoards != 1) {
            state.SkipWithError("the simulated controller was not found");
        } else {
            for (const char* seconds : {"1", "2", "10"}) {
                dlg.UserType(ids102::IDC_DURATION, seconds);
                dlg.UserType(ids102::IDC_INTENSITY1, "12.5");
                dlg.UserType(ids102::IDC_INTENSITY2, "7.5");
                dlg.UserClick(ids102::IDC_ADD);
            }
            for (auto _ : state) {
                {
                    std::lock_guard lock(mutex);
                    arrivals.clear();
                }
                dlg.UserClick(ids102::IDC_RUN);
                QEventLoop loop;
                QTimer poll;
                QObject::connect(&poll, &QTimer::timeout, [&] {
                    if (dlg.IsDlgButtonChecked(ids102::IDC_RUN) != BST_CHECKED)
                        loop.quit();
                });
                poll.start(5);
                loop.exec();
                std::vector<Clock::time_point> starts;
                {
                    std::lock_guard lock(mutex);
                    for (const Arrival& a : arrivals)
                        if (a.code == 50 || a.code == 100)
                            starts.push_back(a.at);
                }
                if (starts.size() != 4) {
                    state.SkipWithError("the run did not send four frames");
                    break;
                }
                const double due[3] = {1000, 3000, 13000};
                for (int i = 0; i < 3; ++i) {
                    const double late =
                        std::chrono::duration<double, std::milli>(starts[size_t(i) + 1] - starts[0])
                            .count() -
                        due[i];
                    sums[i] += late;
                    worst = std::max(worst, std::abs(late));
                }
                state.SetIterationTime(
                    std::chrono::duration<double>(starts.back() - starts.front()).count());
            }
        }
        platform::ui::InstallBackend(nullptr);
    }
    const double n = std::max<double>(1, double(state.iterations()));
    state.counters["step2_ms"] = sums[0] / n;
    state.counters["step3_ms"] = sums[1] / n;
    state.counters["end_ms"] = sums[2] / n;
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_ProfileStepTiming)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
