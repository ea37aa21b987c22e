// Printing a 255-point calibration report (five pages): Print pressed on the
// open report until the document is handed over. Target: under 1 s.
//
// - Recorded: the document built on the headless recorder (the report's own
//   work: rows, formats, placement).
// - QtPdf: through the Qt printer device into a PDF file, which is what Qt
//   hands to the print spooler.
// - DefaultQueue: through the system's default print queue (CUPS), submission
//   included; skipped when there is no default destination. Point CUPS_SERVER
//   at a scheduler with a default queue to measure it.

#include "bench/QtBench.h"
#include "calibration/CalibReport.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "platform/ui/HeadlessPrinter.h"
#include "platform/ui/qt/QtPrinter.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace platform::ui;

namespace {

void Fill(CCalibReport& r) {
    r.m_nPoints = 255;
    for (int i = 0; i < 255; ++i) {
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

void PressPrint(benchmark::State& state) {
    HeadlessBackend ui;
    CCalibReport report;
    Fill(report);
    OpenDialog open(report);
    for (auto _ : state)
        report.UserClick(1043);
    if (ui.BoxCount() != 0)
        state.SkipWithError(ui.LastBox().text.c_str());
}

void BM_Recorded(benchmark::State& state) {
    PrintRecorder printer;
    PressPrint(state);
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
    PdfFileService service;
    platform::InstallPrinterService(&service);
    PressPrint(state);
    platform::InstallPrinterService(nullptr);
    std::filesystem::remove(service.m_file);
}
BENCHMARK(BM_QtPdf)->Unit(benchmark::kMillisecond);

void BM_DefaultQueue(benchmark::State& state) {
    if (QPrinterInfo::defaultPrinter().isNull()) {
        state.SkipWithError("no default print queue");
        return;
    }
    qt::QtPrinterService service;
    platform::InstallPrinterService(&service);
    PressPrint(state);
    platform::InstallPrinterService(nullptr);
}
// Each iteration is a job on the queue: keep the count small.
BENCHMARK(BM_DefaultQueue)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    platform::SetApplicationName("sorvane");
    return bench::QtBenchmarkMain(argc, argv);
}
