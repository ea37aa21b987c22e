// Open and Save of a 10,000-step profile in the main window on the Qt backend
// (offscreen). Open: from the click on Open (the file dialog answered at once)
// until every row is in the list widget and the window has painted. Save: from
// the click on Save until the file is on disk. Targets: Open under 300 ms,
// Save under 50 ms. Also Open of the largest profile a file may hold (50,000
// steps), and of a 1,000,000,001-byte file, refused with its box.

#include "app/ProfileFile.h"
#include "app/ProfileStep.h"
#include "app/SorvaneDlg.h"
#include "bench/BenchSupport.h"
#include "bench/QtBench.h"
#include "platform/ui/Headless.h"
#include "platform/ui/qt/QtBackend.h"

#include <QTreeWidget>
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSteps = 10000;

// The file dialog answers without a user, and so do boxes.
class AnsweringBackend : public bench::UnattendedQtBackend {
public:
    std::string answer;
    bool FileDialog(CDialog*, const platform::ui::FileDialogRequest&, std::string& path) override {
        path = answer;
        return true;
    }
};

struct Fixture {
    Fixture() {
        bench::App("profile_file_qt_bench");
        if (!dir.Valid())
            return;
        dir.HoldQtFiles();
        bench::WriteTwoHeadConfig();
        mainwindow_test::WriteComList({});
        Write("big.profile", kSteps);
        Write("largest.profile", int(kMaxProfileSteps));
        // Sparse: a gigabyte that costs no disk.
        { std::ofstream huge("huge.profile", std::ios::binary); }
        fs::resize_file("huge.profile", 1000000001);
    }
    static void Write(const char* name, int count) {
        std::vector<ProfileStep> steps(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            steps[size_t(i)].calibrated = 1;
            steps[size_t(i)].duration = 1 + i % 60;
            steps[size_t(i)].intensity1 = 0.5f * float(i % 200);
            steps[size_t(i)].intensity2 = 100.0f - 0.5f * float(i % 200);
            steps[size_t(i)].pause = i % 7 == 0;
        }
        const auto bytes = EncodeProfile(steps);
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    bench::ScratchDir dir{"lumi-profile-bench"};
};

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The main window in simulation mode with its step list widget; `body` runs
// the measured clicks.
template <class Body> void WithMainWindow(benchmark::State& state, Body body) {
    Fixture f;
    if (!f.dir.Valid()) {
        state.SkipWithError("no temporary directory");
        return;
    }
    AnsweringBackend ui;
    platform::ui::InstallBackend(&ui);
    {
        // The start-up search finds nothing; its "continue" choice is the
        // simulation mode the editor works in alike.
        ui.SetShownHook([](CDialog& d, QWidget&) {
            if (d.TemplateId() == 146)
                d.EndDialog(IDCANCEL);
        });
        CSorvaneDlg dlg;
        platform::ui::OpenDialog open(dlg);
        QApplication::processEvents();
        auto* list =
            dynamic_cast<QTreeWidget*>(ui.WidgetOf(*dlg.GetDlgItem(ids102::IDC_STEP_LIST)));
        if (!list) {
            state.SkipWithError("no list widget");
        } else {
            body(ui, dlg, *list);
        }
    }
    platform::ui::InstallBackend(nullptr);
}

// Clear All, then Open of `file`, timed until the window has painted; the
// list's rows afterwards.
int TimedOpen(benchmark::State& state, AnsweringBackend& ui, CSorvaneDlg& dlg, QTreeWidget& list,
              const char* file) {
    ui.answer = file;
    dlg.UserClick(ids102::IDC_CLEAR_ALL);
    QApplication::processEvents();
    const auto start = Clock::now();
    dlg.UserClick(ids102::IDC_OPEN);
    QApplication::processEvents();
    ui.WindowOf(dlg)->repaint();
    state.SetIterationTime(Ms(start, Clock::now()) / 1000.0);
    return list.topLevelItemCount();
}

void BM_OpenTenThousandSteps(benchmark::State& state) {
    WithMainWindow(state, [&](AnsweringBackend& ui, CSorvaneDlg& dlg, QTreeWidget& list) {
        for (auto _ : state) {
            if (TimedOpen(state, ui, dlg, list, "big.profile") != kSteps) {
                state.SkipWithError("not every row was shown");
                break;
            }
        }
        state.counters["rows"] = list.topLevelItemCount();

        ui.answer = "saved.profile";
        double saveMs = 0;
        int saves = 0;
        for (int i = 0; i < 20; ++i) {
            const auto start = Clock::now();
            dlg.UserClick(ids102::IDC_SAVE);
            saveMs += Ms(start, Clock::now());
            ++saves;
        }
        state.counters["save_ms"] = saveMs / saves;
        if (fs::file_size("saved.profile") != fs::file_size("big.profile"))
            state.SkipWithError("the saved file differs in size");
    });
}
BENCHMARK(BM_OpenTenThousandSteps)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The longest Open a file can cost.
void BM_OpenLargestProfile(benchmark::State& state) {
    WithMainWindow(state, [&](AnsweringBackend& ui, CSorvaneDlg& dlg, QTreeWidget& list) {
        for (auto _ : state) {
            if (TimedOpen(state, ui, dlg, list, "largest.profile") != int(kMaxProfileSteps)) {
                state.SkipWithError("not every row was shown");
                break;
            }
        }
        state.counters["rows"] = list.topLevelItemCount();
    });
}
BENCHMARK(BM_OpenLargestProfile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A gigabyte picked by mistake: refused from its size, the box shown at once.
void BM_RefuseGigabyteFile(benchmark::State& state) {
    WithMainWindow(state, [&](AnsweringBackend& ui, CSorvaneDlg& dlg, QTreeWidget& list) {
        for (auto _ : state) {
            ui.boxes.clear();
            if (TimedOpen(state, ui, dlg, list, "huge.profile") != 0 || ui.boxes.size() != 1 ||
                ui.boxes[0].rfind("This file is not a profile", 0) != 0) {
                state.SkipWithError("the file was not refused with its box");
                break;
            }
        }
    });
}
BENCHMARK(BM_RefuseGigabyteFile)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(10);

} // namespace
