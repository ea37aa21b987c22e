// Opening the head configuration dialog on a present head in the Qt backend,
// offscreen: the head's record read from a simulated controller over a
// pseudo-terminal, the widgets built from template 136, every control filled
// from the record, the window shown and painted once. Target: under 50 ms.

#include "bench/QtBench.h"
#include "calibration/RVX_Config.h"
#include "link/OpticalHead.h"
#include "platform/ui/Backend.h"
#include "platform/ui/qt/QtBackend.h"
#include "tools/sim/Controller.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_OpenOnPresentHead(benchmark::State& state) {
    bench::UnattendedQtBackend backend;
    platform::ui::InstallBackend(&backend);
    sim::ControllerOptions options;
    options.noiseCounts = 0.0;
    sim::Controller controller(options);
    CControlBoard board;
    if (board.Open(controller.SlavePath().c_str(), 115200, 1000) != SERIAL_OK) {
        state.SkipWithError("the simulated controller's port did not open");
        platform::ui::InstallBackend(nullptr);
        return;
    }
    COpticalHead head;
    head.m_pBoard = &board;
    head.m_nChannel = 1;
    int controls = 0;
    for (auto _ : state) {
        RVX_Config dlg;
        dlg.m_pHead = &head;
        dlg.Create();
        QWidget* window = backend.WindowOf(dlg);
        window->show();
        benchmark::DoNotOptimize(window->grab()); // one full paint
        QApplication::processEvents();
        controls = static_cast<int>(dlg.Controls().size());
        dlg.DestroyWindow();
        if (!head.m_bPresent || !backend.boxes.empty()) {
            state.SkipWithError(("the head's record was not read" +
                                 (backend.boxes.empty() ? "" : ": " + backend.boxes.front()))
                                    .c_str());
            break;
        }
    }
    state.SetLabel(std::to_string(controls) + " controls");
    platform::ui::InstallBackend(nullptr);
}
// The first open of the process also loads the font database and the style.
BENCHMARK(BM_OpenOnPresentHead)
    ->Name("FirstOpenInProcess")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenOnPresentHead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::QtBenchmarkMain(argc, argv);
}
