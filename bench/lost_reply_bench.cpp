// What one lost reply costs, against a simulated controller on a pty that answers
// every other request at once.
//
// BM_RequestAfterLostReply: a set whose reply is lost (untimed), then the next set,
// timed from the call to its return with the controller's ACK. Reported:
// "median_ms", "max_ms". Target: under 10 ms.
//
// BM_ProfileStepAfterLostReply: a profile-like step of kStepMs: a dual set whose
// reply is lost (the call returns after its 500 ms wait), kStepMs on the step's
// timer, then the next step's set. The step's length is taken where the controller
// receives the frames, from the first set to the next. Reported: "step_ms" (the
// longest), "excess_ms" = step_ms - kStepMs. Target: excess_ms no more than the lost
// request's own wait, 500 ms.
//
// Each checks what it measured: the lost set failed, the next one was acknowledged
// and reached the controller behind the DAC read that pays for the lost reply.

#include "bench/BenchMain.h"
#include "link/ControlBoard.h"
#include "tools/sim/Controller.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kStepMs = 250;

struct Arrival {
    uint8_t code;
    Clock::time_point at;
};

// A controller that logs when each request arrives, and a board open on it.
struct Peer {
    Peer() : controller(Options(*this)) {
        ok = board.Open(controller.SlavePath().c_str(), 115200, 1000) == SERIAL_OK;
    }
    static sim::ControllerOptions Options(Peer& peer) {
        sim::ControllerOptions o;
        o.noiseCounts = 0.0;
        o.onRequest = [&peer](const sim::DecodedFrame& r) {
            std::lock_guard lock(peer.mutex);
            peer.arrivals.push_back({r.code, Clock::now()});
        };
        return o;
    }
    std::vector<Arrival> Take() {
        std::lock_guard lock(mutex);
        std::vector<Arrival> out;
        out.swap(arrivals);
        return out;
    }

    std::mutex mutex;
    std::vector<Arrival> arrivals;
    sim::Controller controller;
    CControlBoard board;
    bool ok = false;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void BM_RequestAfterLostReply(benchmark::State& state) {
    Peer peer;
    if (!peer.ok) {
        state.SkipWithError("cannot open the simulated controller");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        peer.controller.DropReplies(1);
        const bool lost = peer.board.SetDualIntensity(10.0f, 20.0f);
        peer.Take();
        state.ResumeTiming();
        const auto start = Clock::now();
        const bool acked = peer.board.SetDualIntensity(10.0f, 20.0f);
        ms.push_back(Ms(Clock::now() - start));
        state.PauseTiming();
        const std::vector<Arrival> wire = peer.Take();
        state.ResumeTiming();
        if (lost || !acked) {
            state.SkipWithError(lost ? "the lost reply was taken" : "the next set went unanswered");
            return;
        }
        if (wire.size() != 2 || wire[0].code != CMD_READ_DAC ||
            wire[1].code != CMD_SET_DUAL_INTENSITY) {
            state.SkipWithError("the next set did not go out behind a DAC read");
            return;
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["max_ms"] = ms.back();
}
BENCHMARK(BM_RequestAfterLostReply)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ProfileStepAfterLostReply(benchmark::State& state) {
    Peer peer;
    if (!peer.ok) {
        state.SkipWithError("cannot open the simulated controller");
        return;
    }
    double longest = 0;
    for (auto _ : state) {
        peer.Take();
        peer.controller.DropReplies(1);
        const bool lost = peer.board.SetDualIntensity(10.0f, 20.0f);
        // The step's timer starts once the set's call has returned.
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMs));
        const bool acked = peer.board.SetDualIntensity(0.0f, 0.0f);
        const std::vector<Arrival> wire = peer.Take();
        if (lost || !acked) {
            state.SkipWithError(lost ? "the lost reply was taken" : "the next set went unanswered");
            return;
        }
        if (wire.size() != 3 || wire[0].code != CMD_SET_DUAL_INTENSITY ||
            wire[1].code != CMD_READ_DAC || wire[2].code != CMD_SET_DUAL_INTENSITY) {
            state.SkipWithError("the frames on the wire are not set, DAC read, set");
            return;
        }
        const double step = Ms(wire[2].at - wire[0].at);
        if (step < kStepMs) {
            state.SkipWithError("the step was shorter than its duration");
            return;
        }
        longest = std::max(longest, step);
    }
    state.counters["step_ms"] = longest;
    state.counters["excess_ms"] = longest - kStepMs;
}
BENCHMARK(BM_ProfileStepAfterLostReply)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
