#pragma once
// Helpers for the radiometer port tests: a pseudo-terminal whose master side
// plays the meter, a recorder for message boxes, and a wait for a condition.
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/MessageBox.h"

namespace radio_test {

class MeterPty {
public:
    MeterPty() {
        if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
            std::abort();
        m_path = ::ptsname(m_master);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    }
    ~MeterPty() {
        HangUp();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    MeterPty(const MeterPty&) = delete;
    MeterPty& operator=(const MeterPty&) = delete;

    const std::string& Path() const { return m_path; }
    // A descriptor of the slave side that the test keeps, e.g. to read the
    // line settings the port applied.
    int Slave() const { return m_slave; }

    void Send(const std::string& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
    }
    // Closes the master side: the line hangs up, as when a meter is unplugged.
    void HangUp() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

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

private:
    mutable std::mutex m_mutex;
    std::vector<Box> m_boxes;
};

// Polls `done` every millisecond for at most `limit`; true when it held.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace radio_test
