// Step timing of a running profile on the Qt backend (offscreen) against a
// simulated controller, on the real clock: a profile of 1 s, 2 s and 10 s steps
// with two head positions. Each step's length on the wire is taken where the
// controller receives the frames: from the step's first frame to the next
// step's first frame, or to the all-off frame for the last step.
//
// Reported per iteration (one run, 13 s): "step1_ms", "step2_ms", "step3_ms"
// (each step's length on the wire minus its duration, averaged over the
// runs) and "worst_ms" (the largest such excess). Target: every step within
// 20 ms of its duration. A step shorter than its duration is an error: the
// dose of that step would fall short.

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
    bool shortStep = false;
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

        bench::UnattendedQtBackend ui;
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
                const double duration[3] = {1000, 2000, 10000};
                for (size_t i = 0; i < 3; ++i) {
                    const double excess =
                        std::chrono::duration<double, std::milli>(starts[i + 1] - starts[i])
                            .count() -
                        duration[i];
                    sums[i] += excess;
                    worst = std::max(worst, excess);
                    // The end timer is armed after the step's frame went out, so
                    // only a clock's rounding may make a step look shorter.
                    shortStep = shortStep || excess < -1.0;
                }
                if (shortStep) {
                    state.SkipWithError("a step lasted less than its duration on the wire");
                    break;
                }
                state.SetIterationTime(
                    std::chrono::duration<double>(starts.back() - starts.front()).count());
            }
        }
        platform::ui::InstallBackend(nullptr);
    }
    const double n = std::max<double>(1, double(state.iterations()));
    state.counters["step1_ms"] = sums[0] / n;
    state.counters["step2_ms"] = sums[1] / n;
    state.counters["step3_ms"] = sums[2] / n;
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_ProfileStepTiming)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
