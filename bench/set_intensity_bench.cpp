// 10,000 SetIntensity requests back to back: counts heap allocations made by
// the link (every thread of the process) and the growth of the resident set.
// The peer is a minimal responder that answers each frame with an ACK and
// allocates nothing, so every allocation counted belongs to the link.

#include "link/ControlBoard.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <new>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
} // namespace

// GCC sees the free() below pair with a new-expression once inlined; the pair
// is ours on both sides, so its mismatch warning does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpragmas"
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

long ResidentKb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Answers every ETX it reads with an ACK frame.
class AckResponder {
public:
    AckResponder() {
        if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            return;
        termios tio{};
        tcgetattr(m_slave, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_slave, TCSANOW, &tio);
        char name[128] = {};
        ttyname_r(m_slave, name, sizeof name);
        m_path = name;
        if (pipe(m_stop) != 0)
            return;
        m_thread = std::thread([this] { Run(); });
    }
    ~AckResponder() {
        if (m_thread.joinable()) {
            const char b = 1;
            [[maybe_unused]] ssize_t n = write(m_stop[1], &b, 1);
            m_thread.join();
        }
        for (int fd : {m_master, m_slave, m_stop[0], m_stop[1]})
            if (fd >= 0)
                close(fd);
    }
    const char* Path() const { return m_path.c_str(); }

private:
    void Run() {
        static const uint8_t ack[] = {0x02, 0x06, 0xFA, 0x03};
        uint8_t buffer[1024];
        for (;;) {
            pollfd fds[2] = {{m_stop[0], POLLIN, 0}, {m_master, POLLIN, 0}};
            if (poll(fds, 2, -1) <= 0 || fds[0].revents)
                return;
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i)
                if (buffer[i] == 0x03 && write(m_master, ack, sizeof ack) != sizeof ack)
                    return;
        }
    }
    int m_master = -1;
    int m_slave = -1;
    int m_stop[2] = {-1, -1};
    std::string m_path;
    std::thread m_thread;
};

void BM_SetIntensity10k(benchmark::State& state) {
    AckResponder peer;
    CControlBoard board;
    if (board.Open(peer.Path(), 115200, 1000) != SERIAL_OK) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    for (int i = 0; i < 100; ++i) // warm-up: first-use allocations are not per request
        board.SetIntensity(0, 1.0f + i);
    long requests = 0, failures = 0;
    long rssAfterFirst = 0;
    ResidentKb(); // its own first use (stdio buffers) is not the link's
    g_allocations = 0;
    g_counting = true;
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) {
            failures += !board.SetIntensity(static_cast<uint8_t>(i & 1), 0.5f + (i % 200));
            ++requests;
        }
        if (rssAfterFirst == 0)
            rssAfterFirst = ResidentKb();
    }
    g_counting = false;
    state.counters["allocations_per_request"] =
        static_cast<double>(g_allocations.load()) / static_cast<double>(requests);
    // Growth after the first 10,000: anything here would grow with the run.
    state.counters["rss_growth_kb"] = static_cast<double>(ResidentKb() - rssAfterFirst);
    state.counters["failures"] = static_cast<double>(failures);
    if (failures != 0)
        state.SkipWithError("requests went unacknowledged");
    state.counters["us_per_request"] = benchmark::Counter(
        static_cast<double>(requests), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SetIntensity10k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
