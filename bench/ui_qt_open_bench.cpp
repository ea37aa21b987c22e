// Opening the program's largest dialog in the Qt backend, offscreen: building
// its widgets from the template, OnInitDialog, showing it and painting it
// once; the first open of the process separately, as that is the one a person
// waits for. Target: under 100 ms.

#include "bench/QtBench.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "platform/ui/qt/QtBackend.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <string>

using namespace platform::ui;

namespace {

// The program's template with the most controls.
int LargestTemplate() {
    int best = 0;
    size_t most = 0;
    for (int id : TemplateIds()) {
        const DialogTemplate* t = FindTemplate(id);
        if (t != nullptr && t->controls.size() > most) {
            most = t->controls.size();
            best = id;
        }
    }
    return best;
}

class Plain : public CDialog {
public:
    explicit Plain(int id) : CDialog(id) {}
};

void BM_OpenLargestDialog(benchmark::State& state) {
    bench::UnattendedQtBackend backend;
    InstallBackend(&backend);
    const int id = LargestTemplate();
    if (id == 0) {
        state.SkipWithError("the program has no dialog templates");
        InstallBackend(nullptr);
        return;
    }
    state.SetLabel(std::to_string(FindTemplate(id)->controls.size()) + " controls, template " +
                   std::to_string(id));
    for (auto _ : state) {
        Plain dlg(id);
        dlg.Create();
        QWidget* window = backend.WindowOf(dlg);
        if (window == nullptr || window->findChildren<QWidget*>().size() <
                                     qsizetype(FindTemplate(id)->controls.size())) {
            state.SkipWithError("the dialog's window was not built whole");
            break;
        }
        window->show();
        benchmark::DoNotOptimize(window->grab()); // one full paint
        QApplication::processEvents();
        dlg.DestroyWindow();
    }
    InstallBackend(nullptr);
}
// The first open of the process also loads the font database and the style.
BENCHMARK(BM_OpenLargestDialog)
    ->Name("FirstOpenInProcess")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenLargestDialog)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::QtBenchmarkMain(argc, argv);
}
