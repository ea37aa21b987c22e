#include "platform/SerialDevice.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/Event.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Speed {
    uint32_t baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedCode(uint32_t baud, speed_t& code) {
    for (const Speed& s : kSpeeds) {
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    }
    return false;
}

bool SpeedBaud(speed_t code, uint32_t& baud) {
    for (const Speed& s : kSpeeds) {
        if (s.code == code) {
            baud = s.baud;
            return true;
        }
    }
    return false;
}

bool Valid(const LineSettings& s) {
    speed_t code;
    if (!SpeedCode(s.baud, code) || s.dataBits < 5 || s.dataBits > 8)
        return false;
    if (s.stopBits != 1 && s.stopBits != 2)
        return false;
    switch (s.parity) {
    case Parity::None:
    case Parity::Odd:
    case Parity::Even:
    case Parity::Mark:
    case Parity::Space:
        return true;
    }
    return false;
}

constexpr tcflag_t kSizeFlags[] = {CS5, CS6, CS7, CS8};
constexpr tcflag_t kFramingFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

void MakeRaw(termios& t) {
    // Software flow control and every translation off: the controller protocol is binary
    // and its stuffed bytes include XOFF (0x13). Hardware flow control stays as it was.
    t.c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

tcflag_t FramingFlags(const LineSettings& s) {
    tcflag_t flags = kSizeFlags[s.dataBits - 5];
    switch (s.parity) {
    case Parity::None:
        break;
    case Parity::Odd:
        flags |= PARENB | PARODD;
        break;
    case Parity::Even:
        flags |= PARENB;
        break;
    case Parity::Mark:
        flags |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        flags |= PARENB | CMSPAR;
        break;
    }
    if (s.stopBits == 2)
        flags |= CSTOPB;
    return flags;
}

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// What a wait on the port saw.
enum class Wake { Readable, HungUp, Timeout, Interrupted, Failed };

// Polls fd (when >= 0) for events and wakeFd for an interrupt until the deadline (none:
// no limit), retrying after signals.
Wake PollUntil(int fd, short events, int wakeFd, const Clock::time_point* deadline, int& error) {
    for (;;) {
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {fd, events, 0}};
        int timeout = deadline ? RemainingMs(*deadline) : -1;
        int n = ::poll(fds, fd >= 0 ? 2 : 1, timeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return Wake::Failed;
        }
        if (fds[0].revents & POLLIN)
            return Wake::Interrupted;
        if (fds[0].revents & (POLLERR | POLLNVAL)) {
            error = EBADF;
            return Wake::Failed;
        }
        if (n > 0 && fd >= 0) {
            short r = fds[1].revents;
            if (r & POLLNVAL) {
                error = EBADF;
                return Wake::Failed;
            }
            // A hung-up terminal also reports POLLIN, and then reads 0 bytes forever.
            if (r & (POLLHUP | POLLERR))
                return Wake::HungUp;
            if (r & events)
                return Wake::Readable;
        }
        if (deadline && Clock::now() >= *deadline)
            return Wake::Timeout;
    }
}

} // namespace

std::string SerialDevicePath(const char* name) {
    if (!name)
        return {};
    std::string s(name);
    if (s.rfind("\\\\.\\", 0) == 0)
        s.erase(0, 4);
    if (s.empty() || s.find('/') != std::string::npos)
        return s;
    if (s.size() > 3 && s.size() <= 9 && (s[0] == 'C' || s[0] == 'c') &&
        (s[1] == 'O' || s[1] == 'o') && (s[2] == 'M' || s[2] == 'm')) {
        unsigned long n = 0;
        bool digits = true;
        for (size_t i = 3; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') {
                digits = false;
                break;
            }
            n = n * 10 + static_cast<unsigned long>(s[i] - '0');
        }
        if (digits && n >= 1)
            return "/dev/ttyS" + std::to_string(n - 1);
    }
    return "/dev/" + s;
}

bool ParityFromLetter(char letter, Parity& parity) {
    switch (letter) {
    case 'N':
    case 'n':
        parity = Parity::None;
        return true;
    case 'O':
    case 'o':
        parity = Parity::Odd;
        return true;
    case 'E':
    case 'e':
        parity = Parity::Even;
        return true;
    case 'M':
    case 'm':
        parity = Parity::Mark;
        return true;
    case 'S':
    case 's':
        parity = Parity::Space;
        return true;
    default:
        return false;
    }
}

SerialDevice::SerialDevice() {
    m_wakeFd.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_wakeFd.Valid())
        m_wakeError = errno;
}

SerialDevice::~SerialDevice() {
    Close();
}

int SerialDevice::Open(const char* name) {
    Close();
    if (!m_wakeFd.Valid()) {
        m_wakeFd.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        if (!m_wakeFd.Valid())
            return m_wakeError = errno;
        m_wakeError = 0;
    }
    ClearInterrupt();

    std::string path = SerialDevicePath(name);
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return errno;
    if (!::isatty(fd.Get()))
        return ENOTTY;
    // flock holds against every other open (also by root, whom TIOCEXCL does not stop);
    // TIOCEXCL also keeps out programs that do not take the lock.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return errno;
    if (::ioctl(fd.Get(), TIOCEXCL) != 0)
        return errno;
    m_fd = std::move(fd);
    m_path = std::move(path);
    return 0;
}

void SerialDevice::Close() {
    if (!m_fd.Valid())
        return;
    ::ioctl(m_fd.Get(), TIOCNXCL);
    m_fd.Reset();
    m_path.clear();
}

int SerialDevice::GetSettings(LineSettings& settings) const {
    termios t;
    if (::tcgetattr(m_fd.Get(), &t) != 0)
        return errno;
    LineSettings s;
    if (!SpeedBaud(cfgetospeed(&t), s.baud))
        return EINVAL;
    switch (t.c_cflag & CSIZE) {
    case CS5:
        s.dataBits = 5;
        break;
    case CS6:
        s.dataBits = 6;
        break;
    case CS7:
        s.dataBits = 7;
        break;
    default:
        s.dataBits = 8;
        break;
    }
    if (!(t.c_cflag & PARENB))
        s.parity = Parity::None;
    else if (t.c_cflag & CMSPAR)
        s.parity = (t.c_cflag & PARODD) ? Parity::Mark : Parity::Space;
    else
        s.parity = (t.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    settings = s;
    return 0;
}

int SerialDevice::Configure(const LineSettings& settings) {
    if (!Valid(settings))
        return EINVAL;
    termios t;
    if (::tcgetattr(m_fd.Get(), &t) != 0)
        return errno;
    MakeRaw(t);
    speed_t code = B0;
    if (!SpeedCode(settings.baud, code))
        return EINVAL;
    if (cfsetispeed(&t, code) != 0 || cfsetospeed(&t, code) != 0)
        return errno;
    t.c_cflag = (t.c_cflag & ~kFramingFlags) | FramingFlags(settings);
    if (::tcsetattr(m_fd.Get(), TCSANOW, &t) != 0)
        return errno;

    // tcsetattr succeeds when any one change was taken; only reading back shows whether
    // the driver took them all.
    termios back;
    if (::tcgetattr(m_fd.Get(), &back) != 0)
        return errno;
    bool same = cfgetospeed(&back) == code && cfgetispeed(&back) == code &&
                (back.c_cflag & (kFramingFlags | CLOCAL | CREAD)) ==
                    (t.c_cflag & (kFramingFlags | CLOCAL | CREAD)) &&
                (back.c_lflag & (ICANON | ECHO | ISIG)) == 0 &&
                (back.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR)) == 0 &&
                back.c_cc[VMIN] == 0 && back.c_cc[VTIME] == 0;
    return same ? 0 : EIO;
}

int SerialDevice::SetRts(bool on) {
    int bits = TIOCM_RTS;
    if (::ioctl(m_fd.Get(), on ? TIOCMBIS : TIOCMBIC, &bits) == 0)
        return 0;
    // Pseudo-terminals and some USB adapters have no modem lines.
    if (errno == ENOTTY || errno == EINVAL || errno == ENOTSUP)
        return ENOTSUP;
    return errno;
}

IoResult SerialDevice::ReadAvailable(uint8_t* buffer, size_t capacity) {
    IoResult r;
    if (capacity == 0)
        return r;
    for (;;) {
        ssize_t n = ::read(m_fd.Get(), buffer, capacity);
        if (n >= 0) {
            // With VMIN = VTIME = 0 a terminal reports "nothing there" as 0 bytes.
            r.count = static_cast<size_t>(n);
            return r;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return r;
        r.status = IoStatus::FailedAtOnce;
        r.error = errno;
        return r;
    }
}

IoResult SerialDevice::WaitReadable(uint32_t timeoutMs) {
    IoResult r;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool limited = timeoutMs != ManualResetEvent::kInfinite;
    switch (PollUntil(m_fd.Get(), POLLIN, m_wakeFd.Get(), limited ? &deadline : nullptr, r.error)) {
    case Wake::Readable:
    case Wake::HungUp:
        break;
    case Wake::Timeout:
        r.status = IoStatus::Timeout;
        break;
    case Wake::Interrupted:
        r.status = IoStatus::Interrupted;
        break;
    case Wake::Failed:
        r.status = IoStatus::WaitFailed;
        break;
    }
    return r;
}

IoResult SerialDevice::Read(uint8_t* buffer, size_t capacity, uint32_t timeoutMs) {
    IoResult r = ReadAvailable(buffer, capacity);
    if (r.status != IoStatus::Ok || r.count > 0 || capacity == 0)
        return r;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        switch (PollUntil(m_fd.Get(), POLLIN, m_wakeFd.Get(), &deadline, r.error)) {
        case Wake::Readable:
            r = ReadAvailable(buffer, capacity);
            if (r.status == IoStatus::FailedAtOnce)
                r.status = IoStatus::FailedAfterWait;
            if (r.status != IoStatus::Ok || r.count > 0)
                return r;
            break; // woken without bytes: wait for the rest of the time
        case Wake::HungUp:
            // The line is gone (a hung-up terminal reads as 0 bytes forever): the same as a
            // read that fails at once, so the caller can back off.
            r = ReadAvailable(buffer, capacity);
            if (r.status == IoStatus::Ok && r.count == 0) {
                r.status = IoStatus::FailedAtOnce;
                r.error = EIO;
            }
            return r;
        case Wake::Timeout:
            return {IoStatus::Timeout, 0, 0};
        case Wake::Interrupted:
            return {IoStatus::Interrupted, 0, 0};
        case Wake::Failed:
            r.status = IoStatus::WaitFailed;
            return r;
        }
    }
}

IoResult SerialDevice::Write(const uint8_t* data, size_t count, uint32_t timeoutMs) {
    IoResult r;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (r.count < count) {
        ssize_t n = ::write(m_fd.Get(), data + r.count, count - r.count);
        if (n > 0) {
            r.count += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            r.status = IoStatus::FailedAtOnce;
            r.error = errno;
            return r;
        }
        // The driver's queue is full: wait for room. The wake-up descriptor is left out,
        // it belongs to the reading side.
        for (;;) {
            pollfd p{m_fd.Get(), POLLOUT, 0};
            int k = ::poll(&p, 1, RemainingMs(deadline));
            if (k < 0 && errno == EINTR)
                continue;
            if (k < 0) {
                r.status = IoStatus::WaitFailed;
                r.error = errno;
                return r;
            }
            if (k == 0) {
                r.status = IoStatus::Timeout;
                return r;
            }
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
                r.status = IoStatus::FailedAfterWait;
                r.error = EIO;
                return r;
            }
            break;
        }
    }
    return r;
}

int SerialDevice::QueuedBytes(size_t& count) const {
    int n = 0;
    if (::ioctl(m_fd.Get(), FIONREAD, &n) != 0)
        return errno;
    count = static_cast<size_t>(n);
    return 0;
}

int SerialDevice::Purge() {
    return ::tcflush(m_fd.Get(), TCIOFLUSH) == 0 ? 0 : errno;
}

void SerialDevice::Interrupt() {
    uint64_t one = 1;
    // Fails only when the counter is saturated, which leaves it signalled anyway.
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd.Get(), &one, sizeof one);
}

void SerialDevice::ClearInterrupt() {
    uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(m_wakeFd.Get(), &value, sizeof value);
}

bool SerialDevice::Pause(uint32_t ms) {
    int error = 0;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    return PollUntil(-1, 0, m_wakeFd.Get(), &deadline, error) == Wake::Timeout;
}

} // namespace platform
