// The radiometer port: what an idle listening thread costs, and how soon a
// line's LF on the wire becomes the new reading.
#include <algorithm>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <pthread.h>
#include <string>
#include <sys/ioctl.h>
#include <thread>
#include <vector>

#include "link/SensorComm.h"
#include "tests/support/PtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// An open port with nothing arriving: the listening thread's own CPU time
// over each second, in percent of one core.
void BM_IdleListeningThreadCpu(benchmark::State& state) {
    testing_support::PtyPair pty;
    CSensorComm meter;
    if (!meter.Open(pty.Path().c_str()) ||
        !testing_support::WaitFor([&] { return meter.m_bListening.load() == 1; })) {
        state.SkipWithError("cannot open the port");
        return;
    }
    clockid_t clock;
    if (::pthread_getcpuclockid(meter.m_pListenThread->native_handle(), &clock) != 0) {
        state.SkipWithError("no thread clock");
        return;
    }
    double cpu = 0.0, wall = 0.0;
    for (auto _ : state) {
        const double c0 = ThreadCpuSeconds(clock);
        const auto w0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        cpu += ThreadCpuSeconds(clock) - c0;
        wall += std::chrono::duration<double>(Clock::now() - w0).count();
    }
    state.counters["thread_cpu_percent"] = 100.0 * cpu / wall;
}
BENCHMARK(BM_IdleListeningThreadCpu)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each iteration: the line's digits are already on the wire, then its LF is
// written; timed until m_fReading shows the new value.
void BM_LineFeedToReading(benchmark::State& state) {
    testing_support::PtyPair pty;
    CSensorComm meter;
    if (!meter.Open(pty.Path().c_str()) ||
        !testing_support::WaitFor([&] { return meter.m_bListening.load() == 1; })) {
        state.SkipWithError("cannot open the port");
        return;
    }
    std::vector<double> samples;
    int n = 0;
    for (auto _ : state) {
        const bool odd = (++n % 2) != 0;
        const float expected = odd ? 1000.0f : 2000.0f;
        pty.Send(odd ? "0.001" : "0.002");
        if (!testing_support::WaitFor([&] {
                int queued = 0;
                return ::ioctl(pty.Slave(), FIONREAD, &queued) == 0 && queued == 0;
            })) {
            state.SkipWithError("the listening thread did not read the line");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto t0 = Clock::now();
        pty.Send("\n");
        // Yielding, so that the spin does not keep the listening thread or the
        // pseudo-terminal's kernel worker off a shared core.
        const auto deadline = t0 + std::chrono::seconds(5);
        while (std::fabs(meter.m_fReading.load() - expected) > 0.5f && Clock::now() < deadline)
            std::this_thread::yield();
        if (std::fabs(meter.m_fReading.load() - expected) > 0.5f) {
            state.SkipWithError(("the reading is " + std::to_string(meter.m_fReading.load()) +
                                 ", not " + std::to_string(expected) + ", after 5 s")
                                    .c_str());
            break;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1e6);
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.empty()) {
        state.counters["median_us"] = samples[samples.size() / 2];
        state.counters["p99_us"] = samples[samples.size() * 99 / 100];
        state.counters["max_us"] = samples.back();
    }
}
BENCHMARK(BM_LineFeedToReading)->Iterations(500)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
