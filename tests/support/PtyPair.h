#pragma once
// Test helpers: a pseudo-terminal pair whose master side plays the device, and a
// recorder for message boxes.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "platform/MessageBox.h"

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

    // Hangs the line up, as an unplugged device does.
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool Send(const Bytes& bytes) const { return Send(bytes.data(), bytes.size()); }
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

struct Box {
    std::string text;
    std::string caption;
    unsigned flags;
};

// Installs itself as the message-box sink for its lifetime and records every box.
class BoxRecorder {
public:
    BoxRecorder() {
        platform::SetMessageBoxSink([this](const char* text, const char* caption, unsigned flags) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_boxes.push_back({text, caption, flags});
            return platform::IDOK;
        });
    }
    ~BoxRecorder() { platform::SetMessageBoxSink(nullptr); }

    std::vector<Box> Boxes() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_boxes;
    }
    size_t Count(const std::string& text) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t n = 0;
        for (const Box& b : m_boxes)
            n += b.text == text;
        return n;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
};

// Milliseconds since start, on the monotonic clock.
inline long ElapsedMs(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

} // namespace testing_support
