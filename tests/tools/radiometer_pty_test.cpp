#include "tools/sim/Radiometer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Reads the radiometer's port as a raw line for `duration` and returns what came.
struct PortReader {
    int fd = -1;
    explicit PortReader(const std::string& path) {
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        if (fd >= 0 && ::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~PortReader() {
        if (fd >= 0)
            ::close(fd);
    }
    std::string ReadFor(std::chrono::milliseconds duration) {
        std::string got;
        auto end = Clock::now() + duration;
        while (Clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            int ms = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
            if (::poll(&p, 1, std::max(ms, 0)) <= 0)
                continue;
            char buf[256];
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    // The next whole line (without its LF), or "" when none came within
    // `limit`: lines are counted, which a loaded machine only delays. What
    // follows the line stays for the next call.
    std::string NextLine(std::chrono::milliseconds limit = 20s) {
        const auto end = Clock::now() + limit;
        std::size_t lf;
        while ((lf = pending.find('\n')) == std::string::npos && Clock::now() < end)
            pending += ReadFor(10ms);
        if (lf == std::string::npos)
            return "";
        std::string line = pending.substr(0, lf);
        pending.erase(0, lf + 1);
        return line;
    }
    std::vector<std::string> NextLines(std::size_t count) {
        std::vector<std::string> lines;
        while (lines.size() < count) {
            std::string line = NextLine();
            if (line.empty())
                break;
            lines.push_back(std::move(line));
        }
        return lines;
    }
    std::string pending;
};

TEST(RadiometerPty, SendsLfLinesThatFollowTheSourceAfterItsLag) {
    std::atomic<double> output{20.0}; // mW/cm²
    sim::RadiometerOptions opt;
    opt.interval = 20ms;
    opt.baud = 0;
    opt.settleSeconds = 0.3;
    opt.noiseMicroWatts = 0.0;
    opt.style = {sim::ReadingForm::Exponent, true, true};
    sim::Radiometer meter([&] { return output.load(); }, opt);
    ASSERT_TRUE(meter.Start()) << meter.LastError();
    ASSERT_EQ(meter.PortPath().rfind("/dev/", 0), 0u) << meter.PortPath();
    PortReader port(meter.PortPath());
    ASSERT_GE(port.fd, 0);

    auto steady = port.NextLines(5);
    ASSERT_GE(steady.size(), 5u);
    for (const auto& l : steady) {
        ASSERT_EQ(l.back(), '\r');
        EXPECT_NEAR(std::atof(l.c_str()), 0.020, 1e-6) << l;
    }

    // Lines until one has arrived (the lag's own time, however few lines a
    // loaded machine gets written meanwhile).
    output = 80.0;
    std::vector<std::string> moving;
    const auto end = Clock::now() + 30s;
    while ((moving.empty() || std::fabs(std::atof(moving.back().c_str()) - 0.080) > 1e-5) &&
           Clock::now() < end) {
        std::string line = port.NextLine();
        if (line.empty())
            break;
        moving.push_back(std::move(line));
    }
    ASSERT_GE(moving.size(), 2u);
    // Rises without overshoot, through values between the two: a lag, not a
    // step. Lines come every 20 ms and the rise takes about a second, so
    // some fall on the way even where the sender is held up for a while.
    double previous = 0.0;
    int between = 0;
    for (const auto& l : moving) {
        double w = std::atof(l.c_str());
        EXPECT_GE(w, previous - 1e-6) << l;
        EXPECT_LE(w, 0.080 + 1e-6) << l;
        between += w > 0.0205 && w < 0.0795;
        previous = w;
    }
    EXPECT_GE(between, 1);
    EXPECT_NEAR(previous, 0.080, 1e-5);
    EXPECT_NEAR(meter.LastReadingMicroWatts(), 80000.0, 10.0);
}

TEST(RadiometerPty, KeepsToTheCharacterRateOfTwelveHundredBaud) {
    // The source is asked once per line, on the sender thread, at the moment
    // the line goes out: those moments are the line's own pace, taken where
    // it is made, not where a loaded reader happens to look.
    std::mutex mutex;
    std::vector<Clock::time_point> sent;
    sim::RadiometerOptions opt;
    opt.interval = 1ms; // asks for far more than the line can carry
    opt.noiseMicroWatts = 0.0;
    sim::Radiometer meter(
        [&] {
            std::lock_guard<std::mutex> lock(mutex);
            sent.push_back(Clock::now());
            return 12.5;
        },
        opt);
    ASSERT_TRUE(meter.Start()) << meter.LastError();
    PortReader port(meter.PortPath());
    ASSERT_GE(port.fd, 0);
    const auto lines = port.NextLines(24);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "0.012500"); // a whole line: 8 characters and LF
    std::vector<Clock::time_point> at;
    {
        std::lock_guard<std::mutex> lock(mutex);
        at = sent;
    }
    ASSERT_GE(at.size(), 24u);
    // 9 characters of 11 bits at 1200 baud: 82.5 ms a line.
    const auto line = std::chrono::duration<double, std::milli>(9 * 11 * 1000.0 / 1200);
    // Never faster: any k lines span at least k - 1 line times (one line
    // may follow a late one closely, catching up, but no run of them).
    const std::size_t k = at.size() - 1;
    EXPECT_GE(at.back() - at.front(), (k - 1) * line) << k << " lines";
    // And not slower where nothing holds it up: the closest two lines are
    // about one line time apart (a paused sender only spreads the others).
    auto closest = at[1] - at[0];
    for (std::size_t i = 2; i < at.size(); ++i)
        closest = std::min(closest, at[i] - at[i - 1]);
    EXPECT_LT(closest, 1.5 * line);
}

TEST(RadiometerPty, NobodyListeningNeitherBlocksNorBreaksLines) {
    sim::RadiometerOptions opt;
    opt.interval = 1ms;
    opt.baud = 0;
    opt.noiseMicroWatts = 0.0;
    sim::Radiometer meter([] { return 1.0; }, opt);
    ASSERT_TRUE(meter.Start()) << meter.LastError();
    // Let the line fill up with nobody reading, then check a late reader
    // still gets whole lines after clearing what queued.
    std::this_thread::sleep_for(1500ms);
    PortReader port(meter.PortPath());
    ASSERT_GE(port.fd, 0);
    ::tcflush(port.fd, TCIFLUSH);
    port.NextLine(); // may have begun before the flush
    const auto lines = port.NextLines(2);
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& l : lines)
        EXPECT_EQ(l, "0.001000");
    auto start = Clock::now();
    meter.Stop();
    EXPECT_LT(Clock::now() - start, 5s); // not waiting for a reader
    meter.Stop();
}

} // namespace
