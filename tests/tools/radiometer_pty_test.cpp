#include "tools/sim/Radiometer.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
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
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(text.substr(start, lf - start));
    return lines;
}

TEST(RadiometerPty, SendsLfLinesThatFollowTheSourceAfterItsLag) {
    std::atomic<double> output{20.0}; // mW/cm²
    sim::RadiometerOptions opt;
    opt.interval = 20ms;
    opt.baud = 0;
    opt.settleSeconds = 0.1;
    opt.noiseMicroWatts = 0.0;
    opt.style = {sim::ReadingForm::Exponent, true, true};
    sim::Radiometer meter([&] { return output.load(); }, opt);
    ASSERT_TRUE(meter.Start()) << meter.LastError();
    ASSERT_EQ(meter.PortPath().rfind("/dev/", 0), 0u) << meter.PortPath();
    PortReader port(meter.PortPath());
    ASSERT_GE(port.fd, 0);

    auto steady = Lines(port.ReadFor(300ms));
    ASSERT_GE(steady.size(), 5u);
    for (const auto& l : steady) {
        ASSERT_EQ(l.back(), '\r');
        EXPECT_NEAR(std::atof(l.c_str()), 0.020, 1e-6) << l;
    }

    output = 80.0;
    auto moving = Lines(port.ReadFor(1000ms));
    ASSERT_GE(moving.size(), 20u);
    // Rises without overshoot and arrives within a few time constants.
    double previous = 0.0;
    for (const auto& l : moving) {
        double w = std::atof(l.c_str());
        EXPECT_GE(w, previous - 1e-6) << l;
        EXPECT_LE(w, 0.080 + 1e-6) << l;
        previous = w;
    }
    EXPECT_LT(std::atof(moving.front().c_str()), 0.070);
    EXPECT_NEAR(previous, 0.080, 1e-5);
    EXPECT_NEAR(meter.LastReadingMicroWatts(), 80000.0, 10.0);
}

TEST(RadiometerPty, KeepsToTheCharacterRateOfTwelveHundredBaud) {
    sim::RadiometerOptions opt;
    opt.interval = 1ms; // asks for far more than the line can carry
    opt.noiseMicroWatts = 0.0;
    sim::Radiometer meter([] { return 12.5; }, opt);
    ASSERT_TRUE(meter.Start()) << meter.LastError();
    PortReader port(meter.PortPath());
    ASSERT_GE(port.fd, 0);
    port.ReadFor(100ms);
    std::string got = port.ReadFor(1000ms);
    EXPECT_LE(got.size(), 120u);
    EXPECT_GE(got.size(), 80u);
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
    std::string got = port.ReadFor(200ms);
    size_t firstLf = got.find('\n');
    ASSERT_NE(firstLf, std::string::npos);
    for (const auto& l : Lines(got.substr(firstLf + 1)))
        EXPECT_EQ(l, "0.001000");
    auto start = Clock::now();
    meter.Stop();
    EXPECT_LT(Clock::now() - start, 5s); // not waiting for a reader
    meter.Stop();
}

} // namespace
