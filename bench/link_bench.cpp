// Controller link: parser throughput, request/ACK round trip over a pseudo-terminal,
// and the read thread's CPU use on a silent port.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "bench/BenchMain.h"
#include "link/Packet.h"
#include "platform/MessageBox.h"
#include "tests/support/PtyPair.h"
#include "tools/sim/Frame.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The controller's end of the wire, as the simulator encodes it.
Bytes Frame(uint8_t code, const Bytes& payload) {
    return sim::EncodeFrame(code, payload);
}

// Replies from the controller's side: a mix of the replies the program sees most.
void BM_ParserThroughput(benchmark::State& state) {
    Bytes record(360);
    for (size_t i = 0; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>(i * 37);
    // The replies as the read thread hands them over; with no request awaited they
    // are decoded and checked, never taken.
    std::vector<Bytes> replies;
    std::size_t total = 0;
    while (total < 64 * 1024) {
        for (int i = 0; i < 4; ++i)
            replies.push_back(Frame(0x06, {}));
        replies.push_back(Frame(110, {1, 0, 1, 0, 2, 'V', '3', '.', '0', '2', 0, 'L', 'F', '1', '2',
                                      '3', '4', '5', '6'}));
        replies.push_back(Frame(107, {0x34, 0x12, 0x00, 0x00, 0x48, 0x41}));
        replies.push_back(Frame(103, record));
        for (std::size_t i = replies.size() - 7; i < replies.size(); ++i)
            total += replies[i].size();
    }
    CPacket packet;
    long invalid = 0;
    for (auto _ : state) {
        for (const Bytes& reply : replies)
            invalid += !packet.OnReceive(reply.data(), static_cast<int>(reply.size()));
    }
    if (invalid != 0)
        state.SkipWithError("a reply did not parse as valid");

    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(total));
}
BENCHMARK(BM_ParserThroughput);

// SetIntensity request written, ACK parsed on the read thread, WaitAck returns.
void BM_PtyRoundTrip(benchmark::State& state) {
    testing_support::PtyPair pty;
    CPacket packet;
    if (packet.Open(pty.Path().c_str(), 115200, 1000) != 0) {
        state.SkipWithError("open failed");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread controller([&] {
        const Bytes ack = Frame(0x06, {});
        uint8_t buf[256];
        while (!stop) {
            pollfd p{pty.Master(), POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            ssize_t n = ::read(pty.Master(), buf, sizeof buf);
            // ETX is never stuffed: one on the wire ends the request.
            if (n > 0 && std::memchr(buf, 0x03, static_cast<size_t>(n)))
                pty.Send(ack);
        }
    });
    std::vector<double> us;
    us.reserve(100000);
    int failures = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        packet.BeginFrame(97);
        packet.AddByte(0);
        packet.AddFloat(12.5f);
        packet.EndFrame();
        bool ok = packet.WaitAck(1000);
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
        failures += !ok;
    }
    stop = true;
    controller.join();
    packet.Close();
    std::sort(us.begin(), us.end());
    if (!us.empty()) {
        state.counters["median_us"] = us[us.size() / 2];
        state.counters["p99_us"] = us[us.size() * 99 / 100];
    }
    state.counters["failures"] = failures;
    if (failures != 0)
        state.SkipWithError("requests went unacknowledged");
}
BENCHMARK(BM_PtyRoundTrip)->UseRealTime();

double ThreadCpuSeconds(std::thread& t) {
    clockid_t clock;
    if (pthread_getcpuclockid(t.native_handle(), &clock) != 0)
        return -1;
    timespec ts;
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// An open port with no traffic, over 5 s: the read thread's share of one core.
void BM_SilentPortReadThreadCpu(benchmark::State& state) {
    testing_support::PtyPair pty;
    CPacket packet;
    if (packet.Open(pty.Path().c_str(), 115200, 1000) != 0) {
        state.SkipWithError("open failed");
        return;
    }
    double share = 0;
    for (auto _ : state) {
        double before = ThreadCpuSeconds(packet.m_pReadThread);
        auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        share = (ThreadCpuSeconds(packet.m_pReadThread) - before) / wall;
    }
    packet.Close();
    state.counters["cpu_percent"] = share * 100.0;
}
BENCHMARK(BM_SilentPortReadThreadCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    // Nothing in these runs should raise a box; if one does, it must not stop the run.
    platform::SetMessageBoxSink([](const char* text, const char* caption, unsigned) {
        std::fprintf(stderr, "box [%s] %s\n", caption, text);
        return platform::IDOK;
    });
    if (!bench::Initialize(argc, argv))
        return 1;
    return bench::RunAll();
}
