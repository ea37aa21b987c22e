// SerialDevice::LineStatus: queued bytes, and a line that has hung up.
#include "platform/SerialDevice.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace {

TEST(LineStatusPty, CountsQueuedBytesAndReportsAHangUp) {
    int master = -1, slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string path = ::ptsname(master);
    ::close(slave); // the device below is the only slave descriptor

    platform::SerialDevice device;
    ASSERT_EQ(device.Open(path.c_str()), 0);
    ASSERT_EQ(device.Configure(platform::LineSettings{1200, 8, platform::Parity::None, 2}), 0);
    platform::IoResult r = device.LineStatus();
    EXPECT_EQ(r.status, platform::IoStatus::Ok);
    EXPECT_EQ(r.count, 0u);

    ASSERT_EQ(::write(master, "abc", 3), 3);
    // The pseudo-terminal hands the bytes over on a kernel worker: waited for
    // with a deadline that a loaded machine does not reach.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.LineStatus().count < 3 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(device.LineStatus().count, 3u);

    // The master side closes: a pseudo-terminal drops what was queued, and
    // the line reports the hang-up instead of an empty queue.
    ::close(master);
    r = device.LineStatus();
    EXPECT_EQ(r.status, platform::IoStatus::FailedAtOnce);
    EXPECT_EQ(r.error, EIO);
}

} // namespace
