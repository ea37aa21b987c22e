// Printing a 255-point calibration report (five pages): Print pressed on the
// open report until the document is handed over. Target: under 1 s. Every
// document printed must have the pages the report's layout gives 255 points.
//
// - Recorded: the document built on the headless recorder (the report's own
//   work: rows, formats, placement).
// - QtPdf: through the Qt printer device into a PDF file, which is what Qt
//   hands to the print spooler; its pages counted by pdfinfo.
// - DefaultQueue: through the default print queue of a CUPS scheduler of the
//   benchmark's own (tests/support/PrivateCups.h), submission included; the
//   pages of each job the spooler received counted by pdfinfo. Needs root and
//   the CUPS packages of scripts/setup; without them it stops with the reason.

#include "bench/QtBench.h"
#include "calibration/CalibReport.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "platform/ui/HeadlessPrinter.h"
#include "platform/ui/qt/QtPrinter.h"
#include "resources/dialogs/Dialog141Ids.h"
#include "tests/support/PrivateCups.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <unistd.h>

using namespace platform::ui;

namespace {

using testing_support::PrivateCups;
using testing_support::Shell;

constexpr int kPoints = 255;

// The pages the calibration report takes for `rows` points, worked out from
// its layout: 65 text lines a page; heading, time and column labels take the
// first lines and the rows run from line 6, so 60 rows fill a page. The summary
// (averages two lines below the last row, the curves down to eight below it)
// stays on the last row's page unless that passes line 65.
int ExpectedPages(int rows) {
    constexpr int kLines = 65, kFirstRow = 6, kSummary = 8;
    constexpr int perPage = kLines - kFirstRow + 1;
    const int lastLine = kFirstRow + (rows - 1) % perPage;
    return (rows + perPage - 1) / perPage + (lastLine + kSummary > kLines ? 1 : 0);
}

void Fill(CCalibReport& r) {
    r.m_nPoints = kPoints;
    for (int i = 0; i < kPoints; ++i) {
        r.m_setPoint[i] = 255 - i;
        r.m_headValue[i] = 3000 - 11.5 * i;
        r.m_meterMw[i] = (3000 - 11.5 * i) * 0.0101;
    }
    r.m_photoToMw[0] = 0.0002f;
    r.m_photoToMw[1] = 9.87f;
    r.m_photoToMw[2] = -1.5f;
    r.m_mwToIndex[0] = -0.01f;
    r.m_mwToIndex[1] = 8.2f;
    r.m_mwToIndex[2] = 0.3f;
    r.m_r2PhotoToMw = 0.9998;
    r.m_r2MwToIndex = 0.9991;
    r.m_strSerial = "LM0042";
}

// The page count pdfinfo gives for a PDF file, -1 when it gives none.
int PdfPages(const std::string& file) {
    std::string info;
    std::smatch m;
    if (!Shell("pdfinfo '" + file + "'", &info) ||
        !std::regex_search(info, m, std::regex("Pages: +([0-9]+)\n")))
        return -1;
    return std::stoi(m[1].str());
}

// Presses Print on the open report once per iteration. After each press, with
// the timing paused, `count` gives the pages of what was printed, or says what
// is wrong with it; a box, a fault or a page count other than the layout's
// ends the benchmark.
template <class Count> void PressPrint(benchmark::State& state, Count count) {
    HeadlessBackend ui;
    CCalibReport report;
    Fill(report);
    OpenDialog open(report);
    const int expected = ExpectedPages(kPoints);
    int pages = 0;
    for (auto _ : state) {
        report.UserClick(ids141::IDC_PRINT);
        state.PauseTiming();
        std::string fault = ui.BoxCount() != 0 ? ui.LastBox().text : count(pages);
        if (fault.empty() && pages != expected)
            fault = "printed " + std::to_string(pages) + " pages, not " + std::to_string(expected);
        if (!fault.empty()) {
            state.SkipWithError(fault.c_str());
            return;
        }
        state.ResumeTiming();
    }
    state.counters["pages"] = pages;
}

void BM_Recorded(benchmark::State& state) {
    PrintRecorder printer;
    std::size_t pressed = 0;
    PressPrint(state, [&](int& pages) -> std::string {
        const auto& docs = printer.Documents();
        if (docs.size() != ++pressed)
            return "no document was printed";
        const auto& doc = docs.back();
        if (!doc.ended)
            return "the document was not ended";
        for (const auto& page : doc.pages)
            if (!page.ended)
                return "a page was not ended";
        pages = static_cast<int>(doc.pages.size());
        return {};
    });
}
BENCHMARK(BM_Recorded)->Unit(benchmark::kMillisecond);

class PdfFileService : public platform::PrinterService {
public:
    std::unique_ptr<platform::PrinterDevice> DefaultPrinter() override {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(m_file));
        return std::make_unique<qt::QtPrinterDevice>(std::move(printer));
    }
    std::string m_file = "/tmp/lumi-report-bench-" + std::to_string(::getpid()) + ".pdf";
};

void BM_QtPdf(benchmark::State& state) {
    if (!testing_support::OnPath("pdfinfo")) {
        state.SkipWithError("pdfinfo (poppler-utils, scripts/setup) is needed to count the pages");
        return;
    }
    PdfFileService service;
    platform::InstallPrinterService(&service);
    // Each document is counted and removed, so a press that writes nothing
    // cannot pass on the previous one's file.
    PressPrint(state, [&](int& pages) -> std::string {
        pages = PdfPages(service.m_file);
        std::filesystem::remove(service.m_file);
        return pages < 0 ? "no readable PDF was written" : "";
    });
    platform::InstallPrinterService(nullptr);
    std::filesystem::remove(service.m_file);
}
BENCHMARK(BM_QtPdf)->Unit(benchmark::kMillisecond);

void BM_DefaultQueue(benchmark::State& state) {
    if (::geteuid() != 0) {
        state.SkipWithError("skipped: starting a CUPS scheduler of its own needs root");
        return;
    }
    PrivateCups::AddSbinToPath();
    const std::string missing = PrivateCups::MissingTools({"cupsdisable", "pdfinfo"});
    if (!missing.empty()) {
        state.SkipWithError(("skipped: missing " + missing + " (scripts/setup)").c_str());
        return;
    }
    // main() has pointed CUPS_SERVER at the socket this scheduler is to have.
    const char* socket = std::getenv("CUPS_SERVER");
    PrivateCups cups(socket ? socket : "");
    if (!cups.Running()) {
        state.SkipWithError("the benchmark's CUPS scheduler did not come up");
        return;
    }
    cups.ServeThisProcess();
    std::string out;
    if (!cups.AddDefaultPdfQueue("LumiBench", out)) {
        state.SkipWithError(("cannot add the default queue: " + out).c_str());
        return;
    }
    // The queue takes jobs but does not print them: what is measured ends when
    // the spooler has the job, and the PDF backend would only compete for the
    // processor meanwhile.
    if (!Shell(cups.Lp("cupsdisable") + " LumiBench", &out)) {
        state.SkipWithError(("cannot hold the queue: " + out).c_str());
        return;
    }
    if (QPrinterInfo::defaultPrinter().printerName() != "LumiBench") {
        state.SkipWithError("Qt does not see the benchmark's queue as the default destination");
        return;
    }
    qt::QtPrinterService service;
    platform::InstallPrinterService(&service);
    std::set<std::string> seen = cups.DataFiles();
    PressPrint(state, [&](int& pages) -> std::string {
        std::string job;
        testing_support::WaitFor(
            [&] {
                for (const auto& f : cups.DataFiles())
                    if (!seen.count(f))
                        job = f;
                return !job.empty();
            },
            std::chrono::seconds(30));
        if (job.empty())
            return "no job reached the spooler";
        seen.insert(job);
        pages = PdfPages(job);
        return pages < 0 ? "the job's data is not a readable PDF" : "";
    });
    platform::InstallPrinterService(nullptr);
}
// Each iteration is a job on the queue: keep the count small.
BENCHMARK(BM_DefaultQueue)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    platform::SetApplicationName("sorvane");
    // libcups takes its server from CUPS_SERVER once per thread, at the first
    // request, and every QPrinter makes one: the scheduler BM_DefaultQueue
    // starts has to be the server from the outset. Until it listens there the
    // other cases find no printer at all, the machine's queues included.
    const testing_support::TempDir cupsSocket("lumi-cups-socket");
    ::setenv("CUPS_SERVER", (cupsSocket.Path() + "/cups.sock").c_str(), 1);
    return bench::QtBenchmarkMain(argc, argv);
}
