// A head-record burn (the longest request a controller accepts, and its ACK) and
// a record read over a pty against the controller simulator. Reports the
// median and 99th percentile of single operations as counters.

#include "link/ControlBoard.h"
#include "tools/sim/Controller.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
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

// A simulated controller with a board open on it; every request's size on the
// wire, as the controller received it, is kept in LastWireSize().
class Bench {
public:
    Bench() : m_controller(Options(m_lastWire)) {
        m_open = m_board.Open(m_controller.SlavePath().c_str(), 115200, 1000) == SERIAL_OK;
    }
    bool Open() const { return m_open; }
    CControlBoard& Board() { return m_board; }
    sim::Controller& Controller() { return m_controller; }
    std::size_t LastWireSize() const { return m_lastWire.load(); }

private:
    static sim::ControllerOptions Options(std::atomic<std::size_t>& lastWire) {
        sim::ControllerOptions options;
        options.noiseCounts = 0.0;
        options.onRequest = [&lastWire](const sim::DecodedFrame& f) {
            lastWire.store(f.wire.size());
        };
        return options;
    }

    std::atomic<std::size_t> m_lastWire{0};
    sim::Controller m_controller;
    CControlBoard m_board;
    bool m_open = false;
};

// Times `op` once per iteration, then runs `check`, which returns what went
// wrong (empty when nothing did); the first fault ends the benchmark. The
// check is not part of the timed operation.
template <class Op, class Check> void Measure(benchmark::State& state, Op op, Check check) {
    std::vector<double> ms;
    ms.reserve(100000);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool ok = op();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        const std::string fault = check(ok);
        if (!fault.empty()) {
            state.SkipWithError(fault.c_str());
            return;
        }
    }
    Percentiles(state, ms);
}

bool Stuffed(uint8_t b) {
    return b == 0x02 || b == 0x03 || b == 0x10;
}

// The burn's size on the wire, worked out here rather than taken from the frame
// builder: STX, code 104, channel, length 360 low byte first, the record, the
// checksum that brings the unstuffed bytes to 0 modulo 256, ETX; every byte
// between STX and ETX that is STX, ETX or DLE goes out as two.
std::size_t BurnWireSize(uint8_t channel, const HeadRecord& record) {
    unsigned sum = 0;
    std::size_t size = 2;
    const auto add = [&](uint8_t b) {
        sum += b;
        size += Stuffed(b) ? 2 : 1;
    };
    for (uint8_t b : {uint8_t{104}, channel, uint8_t{360 % 256}, uint8_t{360 / 256}})
        add(b);
    const uint8_t* bytes = RecordBytes(record);
    for (std::size_t i = 0; i < sizeof record; ++i)
        add(bytes[i]);
    const uint8_t checksum = static_cast<uint8_t>(256 - sum % 256);
    return size + (Stuffed(checksum) ? 2 : 1);
}

void BM_HeadRecordBurn(benchmark::State& state) {
    // Every record byte needs stuffing and so does the checksum: 6 x 0x02,
    // 1 x 0x03 and 353 x 0x10 sum to 0x161F, and with 0x68 0x00 0x68 0x01 (code,
    // channel, length) in front the checksum comes to 0x10. On the wire: STX 1,
    // those four 4, record 720, checksum 2, ETX 1 = 728 bytes. Channel 2 would be
    // stuffed too, but the controller refuses a burn to both heads, and 0 and 1
    // never are: 728 is the longest burn it accepts. Two orders of the same
    // bytes alternate (same sum, same size), so that a burn the controller
    // answered without storing it shows.
    HeadRecord records[2];
    for (HeadRecord& r : records) {
        uint8_t* bytes = RecordBytes(r);
        std::memset(bytes, 0x10, sizeof r);
        std::memset(bytes, 0x02, 6);
        bytes[6] = 0x03;
    }
    std::reverse(RecordBytes(records[1]), RecordBytes(records[1]) + sizeof records[1]);
    constexpr uint8_t kChannel = 0;
    constexpr std::size_t kWireBytes = 728;
    for (const HeadRecord& r : records)
        if (BurnWireSize(kChannel, r) != kWireBytes) {
            state.SkipWithError("the records are not the longest burn");
            return;
        }

    Bench bench;
    if (!bench.Open()) {
        state.SkipWithError("cannot open the simulated port");
        return;
    }
    std::size_t n = 0;
    Measure(
        state, [&] { return bench.Board().WriteHeadRecord(kChannel, records[n % 2]); },
        [&](bool acked) -> std::string {
            const HeadRecord& sent = records[n++ % 2];
            if (!acked)
                return "the controller did not accept the burn";
            if (bench.LastWireSize() != kWireBytes)
                return "the burn had " + std::to_string(bench.LastWireSize()) +
                       " bytes on the wire, not " + std::to_string(kWireBytes);
            const HeadRecord stored = bench.Controller().Record(kChannel);
            if (std::memcmp(&stored, &sent, sizeof sent) != 0)
                return "the controller's EEPROM does not hold the record burned";
            return {};
        });
    state.counters["wire_bytes"] = static_cast<double>(bench.LastWireSize());
}
BENCHMARK(BM_HeadRecordBurn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_HeadRecordRead(benchmark::State& state) {
    Bench bench;
    if (!bench.Open()) {
        state.SkipWithError("cannot open the simulated port");
        return;
    }
    // Refilled before every read, so that a read leaving bytes untouched cannot
    // pass on the previous read's.
    const HeadRecord held = bench.Controller().Record(1);
    HeadRecord record;
    std::memset(&record, 0xEE, sizeof record);
    Measure(
        state, [&] { return bench.Board().ReadHeadRecord(1, record); },
        [&](bool ok) -> std::string {
            if (!ok)
                return "the controller did not answer";
            if (std::memcmp(&record, &held, sizeof held) != 0)
                return "the record read is not the one the controller holds";
            std::memset(&record, 0xEE, sizeof record);
            return {};
        });
}
BENCHMARK(BM_HeadRecordRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
