// A head-record burn (the fully stuffed 729-byte request and its answer) and a record read over a
// pty against the controller simulator. Reports the median and 99th percentile of single operations
// as counters.

#include "link/ControlBoard.h"
#include "tools/sim/Controller.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Percentiles(benchmark::State& state, std::vector<double>& ms) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters["max_ms"] = ms.back();
}

// `wireBytes`: when not 0, the size the request must have on the wire.
template <class Op> void Measure(benchmark::State& state, Op op, std::size_t wireBytes = 0) {
    sim::ControllerOptions options;
    options.noiseCounts = 0.0;
    sim::Controller controller(options);
    CControlBoard board;
    if (board.Open(controller.SlavePath().c_str(), 115200, 1000) != SERIAL_OK) {
        state.SkipWithError("cannot open the simulated port");
        return;
    }
    if (wireBytes != 0) {
        const bool ok = op(board);
        const auto seen = controller.Requests();
        if (!ok || seen.empty() || seen.back().wire.size() != wireBytes) {
            state.SkipWithError("the request is not the size this benchmark is about");
            return;
        }
        controller.ClearRequests();
    }
    std::vector<double> ms;
    ms.reserve(100000);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool ok = op(board);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (!ok) {
            state.SkipWithError("the controller did not answer");
            break;
        }
    }
    Percentiles(state, ms);
}

void BM_HeadRecordBurn(benchmark::State& state) {
    // Every byte needs stuffing, the channel (2) and the checksum too: nine
    // 0x03 and seventeen 0x02 among the 0x10 make the checksum 0x10. The
    // longest request there is, 729 bytes. The controller takes it in whole
    // and, channel 2 being both heads, answers with a frame of the burn's own
    // code instead of the ACK: what is timed is the request out and an answer
    // back, so an answer with that code is success here.
    HeadRecord record;
    uint8_t* bytes = RecordBytes(record);
    std::memset(bytes, 0x10, sizeof record);
    std::memset(bytes, 0x03, 9);
    std::memset(bytes + 9, 0x02, 17);
    Measure(
        state,
        [&](CControlBoard& b) { return !b.WriteHeadRecord(2, record) && b.WaitReply(0x68, 0); },
        729);
}
BENCHMARK(BM_HeadRecordBurn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_HeadRecordRead(benchmark::State& state) {
    HeadRecord record{};
    Measure(state, [&](CControlBoard& b) { return b.ReadHeadRecord(1, record); });
}
BENCHMARK(BM_HeadRecordRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
