// Opening the largest dialog in the Qt backend, offscreen: building its
// widgets from the template, OnInitDialog, showing it and painting it once.
// Target: under 100 ms.

#include "platform/ui/Dialog.h"
#include "platform/ui/Template.h"
#include "platform/ui/qt/QtBackend.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

using namespace platform::ui;

namespace {

// A stand-in of the program's largest dialog when the registry has nothing
// as large: 90 controls on 607 x 284 dialog units in "Microsoft Sans Serif"
// 10 pt, in the calibration utility's mix of kinds.
const DialogTemplate& LargeTemplate() {
    static const DialogTemplate t = [] {
        using enum ControlKind;
        DialogTemplate d;
        d.id = 9090;
        d.caption = "Large";
        d.width = 607;
        d.height = 284;
        d.font = {"Microsoft Sans Serif", 10, 400};
        d.windowStyles = window::Caption | window::SysMenu | window::ModalFrame | window::Center;
        int id = 1000;
        auto add = [&](ControlKind kind, const char* caption, Rect r, uint32_t styles) {
            d.controls.push_back({kind == GroupBox ? -1 : id++, kind, caption, r, styles});
        };
        // Five columns of framed groups, each with labels, edits and buttons.
        for (int col = 0; col < 5; ++col) {
            const int x = 5 + col * 120;
            add(GroupBox, "Setup", {x, 4, 115, 130}, style::None);
            for (int row = 0; row < 4; ++row) {
                const int y = 16 + row * 20;
                add(Static, "Start:", {x + 5, y + 2, 25, 8}, style::AlignRight);
                add(Edit, "", {x + 32, y, 40, 14}, style::AlignCenter | style::Border);
                add(Static, "index", {x + 76, y + 2, 30, 8}, style::None);
            }
            add(CheckBox, "GO!", {x + 5, 100, 50, 25}, style::PushLike);
            add(PushButton, "Calibration\nCheck", {x + 60, 100, 50, 25}, style::Multiline);
            add(GroupBox, "Role", {x, 138, 115, 60}, style::None);
            add(RadioButton, "Lumiflex", {x + 8, 150, 50, 10}, style::Group);
            add(RadioButton, "MX12", {x + 60, 150, 50, 10}, style::None);
            add(Static, "0.000000", {x + 8, 170, 100, 20}, style::AlignCenter | style::Border);
        }
        add(ListView, "", {5, 204, 300, 60}, style::SingleSel | style::Border);
        add(Progress, "", {5, 268, 300, 8}, style::Smooth | style::Border);
        add(PushButton, "Cancel Overtemp Protection and Warning", {310, 204, 140, 20},
            style::Multiline);
        add(PushButton, "Continue in Debug Mode without Optical Head", {455, 204, 140, 20},
            style::Multiline);
        add(PushButton, "ERASE RVX EEPROM", {310, 230, 140, 20}, style::None);
        return d;
    }();
    return t;
}

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
    if (most >= LargeTemplate().controls.size()) {
        return best;
    }
    AddTemplate(LargeTemplate());
    return LargeTemplate().id;
}

class Plain : public CDialog {
public:
    explicit Plain(int id) : CDialog(id) {}
};

void BM_OpenLargestDialog(benchmark::State& state) {
    platform::ui::qt::QtBackend backend;
    InstallBackend(&backend);
    const int id = LargestTemplate();
    state.SetLabel(std::to_string(FindTemplate(id)->controls.size()) + " controls, template " +
                   std::to_string(id));
    for (auto _ : state) {
        Plain dlg(id);
        dlg.Create();
        QWidget* window = backend.WindowOf(dlg);
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

// Offscreen unless told otherwise, so that the figure does not depend on a display.
int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // The application lives in main: Qt is not torn down by exit handlers.
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
