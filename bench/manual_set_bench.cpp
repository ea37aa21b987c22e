// Set with two head positions: from the operator's click on Set to the first
// controller's acknowledgement (the click returns when the ACK has arrived),
// against a simulated controller on a pty. Target: under 5 ms.

#include "app/SorvaneDlg.h"
#include "bench/BenchSupport.h"
#include "platform/ui/Headless.h"

#include <benchmark/benchmark.h>

namespace {

void WriteWorkDir(const std::string& port) {
    WriteConfigFileAtomically(
        "config.ini",
        mainwindow_test::MakeConfig(2, {{0, "01001001", 100, 200}, {1, "01001001", 170, 200}}));
    mainwindow_test::WriteComList({port});
}

void BM_SetTwoPositions(benchmark::State& state) {
    bench::ScratchDir dir("lumi-bench");
    if (!dir.Valid()) {
        state.SkipWithError("no temporary directory");
        return;
    }
    {
        sim::ControllerOptions o;
        o.board.boardSerial = "01001001";
        sim::Controller controller(o);
        WriteWorkDir(controller.SlavePath());

        platform::ui::HeadlessBackend ui;
        ui.OnModal(146, [&](platform::ui::CDialog&) { ui.Advance(2000); });
        CSorvaneDlg dlg;
        platform::ui::OpenDialog open(dlg);
        if (dlg.m_bDemo || dlg.m_nBoards != 1) {
            state.SkipWithError("the simulated controller was not found");
        } else {
            dlg.UserType(ids102::IDC_MANUAL, "12.5");
            int64_t acked = 0;
            for (auto _ : state) {
                dlg.UserClick(ids102::IDC_SET);
                acked += dlg.m_pBoards[0].m_nReplyCode == 0x06;
            }
            state.counters["acked"] = static_cast<double>(acked);
            if (acked != static_cast<int64_t>(state.iterations()))
                state.SkipWithError("a Set went unacknowledged");
        }
    }
}
BENCHMARK(BM_SetTwoPositions)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

} // namespace
