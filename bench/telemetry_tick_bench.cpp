// The telemetry tick with 8 head positions on 4 simulated controllers (ptys):
// how long one 3 s tick holds the UI thread while it reads the 8 heads and
// writes one sample line. Target: median under 10 ms.
//
// Each iteration advances the virtual clock by one period, which runs exactly
// one tick; the counters give the median and the 95th percentile per tick and
// check that every tick wrote one line.

#include "app/SorvaneDlg.h"
#include "bench/BenchSupport.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog131Ids.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using platform::ui::CDialog;

std::size_t CountLines(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(f), {});
    std::size_t n = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++n;
    return n;
}

void BM_TelemetryTick8Heads4Controllers(benchmark::State& state) {
    bench::ScratchDir dir("lumi-bench");
    if (!dir.Valid()) {
        state.SkipWithError("no temporary directory");
        return;
    }
    {
        const auto sims = bench::FourControllersEightHeads();

        platform::ui::HeadlessBackend ui;
        ui.OnModal(146, [&](CDialog&) { ui.Advance(2000); });
        CSorvaneDlg dlg;
        platform::ui::OpenDialog open(dlg);
        if (dlg.m_bDemo || dlg.m_nBoards != 4)
            state.SkipWithError("the simulated controllers were not found");
        const std::string path = dir.Path() + "/tick.log";
        ui.OnModal(131, [&](CDialog& d) {
            d.UserType(ids131::IDC_PATH, path);
            d.UserClick(IDOK);
        });
        dlg.GetDlgItem(ids102::IDC_LOG)->SetVisible(true);
        dlg.UserClick(ids102::IDC_LOG);
        if (!dlg.m_log.m_bLogging)
            state.SkipWithError("the log did not start");

        std::vector<double> ms;
        const std::size_t before = CountLines(path);
        for (auto _ : state) {
            const auto t0 = std::chrono::steady_clock::now();
            ui.Advance(CSorvaneDlg::kTelemetryPeriodMs);
            ms.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
        }
        const std::size_t lines = CountLines(path) - before;
        std::sort(ms.begin(), ms.end());
        if (!ms.empty()) {
            state.counters["median_ms"] = ms[ms.size() / 2];
            state.counters["p95_ms"] = ms[ms.size() * 95 / 100];
            state.counters["max_ms"] = ms.back();
        }
        state.counters["lines_per_tick"] =
            ms.empty() ? 0.0 : static_cast<double>(lines) / static_cast<double>(ms.size());
        if (lines != ms.size())
            state.SkipWithError(("the log has " + std::to_string(lines) + " lines after " +
                                 std::to_string(ms.size()) + " ticks")
                                    .c_str());
    }
}
BENCHMARK(BM_TelemetryTick8Heads4Controllers)->Unit(benchmark::kMillisecond)->Iterations(500);

} // namespace
