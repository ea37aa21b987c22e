// How every benchmark program runs its cases: like Google Benchmark's own
// main, except that the process exits with status 1 when any case reported an
// error (SkipWithError: a check on what was measured failed), so that a broken
// check fails whatever ran the program. Timings never change the status.
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

namespace bench {

// Passes everything on to the reporter the command line asks for
// (--benchmark_format, colour, tabular counters) and notes any failed case.
class FailureWatch : public benchmark::BenchmarkReporter {
public:
    explicit FailureWatch(benchmark::BenchmarkReporter& shown) : m_shown(shown) {}

    bool ReportContext(const Context& context) override { return m_shown.ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            m_failed = m_failed || run.error_occurred;
        m_shown.ReportRuns(runs);
    }
    void Finalize() override { m_shown.Finalize(); }

    bool AnyFailed() const { return m_failed; }

private:
    benchmark::BenchmarkReporter& m_shown;
    bool m_failed = false;
};

// Takes the benchmark flags out of argc/argv; false (and a message) for an
// unrecognised argument.
inline bool Initialize(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

// Runs the selected cases: 0 when none failed, 1 otherwise.
inline int RunAll() {
    // The library keeps the default reporter for the whole process.
    FailureWatch watch(*benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&watch);
    benchmark::Shutdown();
    return watch.AnyFailed() ? 1 : 0;
}

} // namespace bench
