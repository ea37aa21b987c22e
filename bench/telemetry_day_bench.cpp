// A 24-hour telemetry log: 28,800 ticks of 3 s on the virtual clock, 8 head
// positions on 4 simulated controllers. Checks that the file is exactly the
// header and one well-formed line per tick; reports how the resident size grew
// from the end of the first hour to the end of the day.

#include "app/SorvaneDlg.h"
#include "bench/BenchSupport.h"
#include "platform/TimeFormat.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog131Ids.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using platform::ui::CDialog;

constexpr int kTicksPerDay = 24 * 60 * 60 / 3;

long ResidentKb() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_TelemetryDayLog(benchmark::State& state) {
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
        dlg.UserType(ids102::IDC_MANUAL, "25");
        dlg.UserClick(ids102::IDC_SET);
        const std::string path = dir.Path() + "/day.log";
        for (auto _ : state) {
            ui.OnModal(131, [&](CDialog& d) {
                d.UserType(ids131::IDC_PATH, path);
                d.UserType(ids131::IDC_OPERATOR, "bench");
                d.UserClick(IDOK);
            });
            dlg.GetDlgItem(ids102::IDC_LOG)->SetVisible(true);
            dlg.UserClick(ids102::IDC_LOG);
            const std::string header =
                FormatLogHeader(dlg.m_log.m_heads, "bench", "", platform::LocalTimeNow());
            long firstHourKb = 0;
            for (int tick = 0; tick < kTicksPerDay; ++tick) {
                ui.Advance(CSorvaneDlg::kTelemetryPeriodMs);
                // The simulators keep every request for tests; that is not the program's memory.
                for (auto& s : sims)
                    s->ClearRequests();
                if (tick == 1200)
                    firstHourKb = ResidentKb();
            }
            const long endKb = ResidentKb();
            dlg.UserClick(ids102::IDC_LOG); // Stop Log

            std::ifstream f(path, std::ios::binary);
            const std::string text(std::istreambuf_iterator<char>(f), {});
            const std::regex sample("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]"
                                    "(\t-?[0-9]+\\.[0-9]{6}\t[0-9]{1,3}){8}");
            std::size_t samples = 0, bad = 0;
            std::size_t at = header.size();
            while (at < text.size()) {
                const std::size_t end = text.find("\r\n", at);
                if (end == std::string::npos) {
                    ++bad;
                    break;
                }
                ++samples;
                bad += !std::regex_match(text.begin() + static_cast<std::ptrdiff_t>(at),
                                         text.begin() + static_cast<std::ptrdiff_t>(end), sample);
                at = end + 2;
            }
            state.counters["samples"] = static_cast<double>(samples);
            state.counters["bad_lines"] = static_cast<double>(bad);
            const bool headerExact = text.compare(0, header.size(), header) == 0;
            state.counters["header_exact"] = headerExact;
            state.counters["file_bytes"] = static_cast<double>(text.size());
            state.counters["rss_growth_kb"] = static_cast<double>(endKb - firstHourKb);
            state.counters["rss_end_kb"] = static_cast<double>(endKb);
            if (!headerExact || samples != kTicksPerDay || bad != 0) {
                state.SkipWithError((std::string(headerExact ? "" : "the header differs; ") +
                                     std::to_string(samples) + " lines for " +
                                     std::to_string(kTicksPerDay) + " ticks, " +
                                     std::to_string(bad) + " of them malformed")
                                        .c_str());
                break;
            }
        }
    }
}
BENCHMARK(BM_TelemetryDayLog)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
