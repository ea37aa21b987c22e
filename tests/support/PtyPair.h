#pragma once
// Test helpers: a pseudo-terminal pair whose master side plays the device, a
// recorder for message boxes, and a wait for a condition.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/support/BoxRecorder.h"

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// The code under test opens Path(); the test talks on the master side. The test keeps
// a descriptor of the slave open as well, so the line does not hang up between opens.
class PtyPair {
public:
    PtyPair() {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            std::abort();
        m_path = ::ptsname(m_master);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    }
    ~PtyPair() {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& Path() const { return m_path; }
    int Master() const { return m_master; }
    // The slave descriptor the test keeps, e.g. to read the line settings the port applied.
    int Slave() const { return m_slave; }

    // Hangs the line up, as an unplugged device does.
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool Send(const Bytes& bytes) const { return Send(bytes.data(), bytes.size()); }
    bool Send(const std::string& text) const {
        return Send(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    bool Send(const uint8_t* data, size_t count) const {
        size_t done = 0;
        while (done < count) {
            ssize_t n = ::write(m_master, data + done, count - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else {
                pollfd p{m_master, POLLOUT, 0};
                if (::poll(&p, 1, 2000) <= 0)
                    return false;
            }
        }
        return true;
    }

    // Reads from the master until want bytes came or ms milliseconds passed.
    Bytes Receive(size_t want, int ms) const {
        Bytes got;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        uint8_t buf[1024];
        while (got.size() < want) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0)
                break;
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    // Bytes that the slave side has written and the master has not read yet.
    Bytes Drain() const { return Receive(SIZE_MAX, 50); }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// Milliseconds since start, on the monotonic clock.
inline long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

// Polls `done` every millisecond for at most `limit`; true when it held.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace testing_support
