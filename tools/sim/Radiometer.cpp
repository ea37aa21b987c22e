#include "tools/sim/Radiometer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace sim {

std::string FormatReadingLine(double wattsPerCm2, const LineStyle& style) {
    if (!(wattsPerCm2 > 0.0))
        wattsPerCm2 = 0.0;
    char number[32];
    if (style.form == ReadingForm::Exponent)
        std::snprintf(number, sizeof number, "%.3E", wattsPerCm2);
    else
        std::snprintf(number, sizeof number, "%.6f", wattsPerCm2);
    std::string line = number;
    if (style.unit)
        line += " W/cm\xB2";
    if (style.carriageReturn)
        line += '\r';
    line += '\n';
    return line;
}

bool ParseLineStyle(const std::string& text, LineStyle& style) {
    LineStyle parsed;
    size_t start = 0;
    for (bool first = true;; first = false) {
        size_t plus = text.find('+', start);
        std::string word = text.substr(start, plus == std::string::npos ? plus : plus - start);
        if (first && word == "plain")
            parsed.form = ReadingForm::Plain;
        else if (first && word == "exp")
            parsed.form = ReadingForm::Exponent;
        else if (!first && word == "cr")
            parsed.carriageReturn = true;
        else if (!first && word == "unit")
            parsed.unit = true;
        else
            return false;
        if (plus == std::string::npos)
            break;
        start = plus + 1;
    }
    style = parsed;
    return true;
}

double SettlingLag::Advance(double target, double dtSeconds) {
    if (!m_started || m_tau <= 0.0) {
        m_started = true;
        m_value = target;
        return m_value;
    }
    m_value += (target - m_value) * (1.0 - std::exp(-std::max(0.0, dtSeconds) / m_tau));
    return m_value;
}

namespace {

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

Radiometer::Radiometer(Source source, RadiometerOptions options)
    : m_source(std::move(source)), m_options(options) {}

Radiometer::~Radiometer() {
    Stop();
}

bool Radiometer::Start() {
    if (m_thread.joinable())
        return true;
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        m_lastError = ErrnoText("openpty");
        m_master = m_slave = -1;
        return false;
    }
    char name[128];
    bool ok = ::ttyname_r(m_slave, name, sizeof name) == 0;
    if (!ok)
        m_lastError = "ttyname_r failed";
    for (int fd : {m_master, m_slave})
        ok = ok && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
    // Writes that find the line full are dropped, as on a real serial line
    // with nobody listening; the sender never blocks on them.
    int flags = ::fcntl(m_master, F_GETFL);
    ok = ok && flags >= 0 && ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) == 0;
    // Raw line at the meter's settings, so that no CR is turned into LF
    // before a reader has set the line up itself.
    termios tio{};
    ok = ok && ::tcgetattr(m_slave, &tio) == 0;
    if (ok) {
        ::cfmakeraw(&tio);
        tio.c_cflag |= CSTOPB | CLOCAL | CREAD;
        ::cfsetispeed(&tio, B1200);
        ::cfsetospeed(&tio, B1200);
        ok = ::tcsetattr(m_slave, TCSANOW, &tio) == 0;
    }
    if (!ok) {
        if (m_lastError.empty())
            m_lastError = ErrnoText("pseudo-terminal set-up");
        CloseFd(m_master);
        CloseFd(m_slave);
        return false;
    }
    m_portPath = name;
    m_pending.clear();
    m_stop = false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error& e) {
        m_lastError = e.what();
        CloseFd(m_master);
        CloseFd(m_slave);
        return false;
    }
    return true;
}

void Radiometer::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    CloseFd(m_master);
    CloseFd(m_slave);
}

void Radiometer::Send(const std::string& line) {
    // Whatever a reader's line settings echo back is of no interest.
    char sink[256];
    while (::read(m_master, sink, sizeof sink) > 0) {
    }
    // A line that does not fit behind the backlog is dropped whole, so a
    // reader never sees two lines run together.
    if (m_pending.empty()) {
        m_pending = line;
        m_linesSent.fetch_add(1);
    }
    while (!m_pending.empty()) {
        ssize_t n = ::write(m_master, m_pending.data(), m_pending.size());
        if (n <= 0)
            break;
        m_pending.erase(0, static_cast<size_t>(n));
    }
}

void Radiometer::Run() {
    using Clock = std::chrono::steady_clock;
    SettlingLag lag(m_options.settleSeconds);
    std::mt19937 random(m_options.seed);
    std::normal_distribution<double> noise(0.0, std::max(0.0, m_options.noiseMicroWatts));
    auto last = Clock::now();
    auto next = last;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (m_wake.wait_until(lock, next, [this] { return m_stop; }))
            break;
        lock.unlock();
        auto now = Clock::now();
        double dt = std::chrono::duration<double>(now - last).count();
        last = now;
        double microWatts = lag.Advance(m_source() * 1000.0, dt);
        if (m_options.noiseMicroWatts > 0.0)
            microWatts += noise(random);
        microWatts = std::max(0.0, microWatts);
        std::string line = FormatReadingLine(microWatts / 1e6, m_options.style);
        Send(line);
        // What a reader makes of the line, not the unrounded value.
        m_lastReading.store(std::strtod(line.c_str(), nullptr) * 1e6);
        auto pace = std::chrono::duration_cast<Clock::duration>(m_options.interval);
        if (m_options.baud > 0) {
            auto lineTime = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(11.0 * line.size() / m_options.baud));
            pace = std::max(pace, lineTime);
        }
        next += pace;
        if (next < now)
            next = now + pace; // fell behind (stopped in a debugger): no burst
        lock.lock();
    }
}

} // namespace sim
