#pragma once
// A serial port (or pseudo-terminal) opened for exclusive use.
//
// The descriptor is non-blocking; every wait is a poll() against a monotonic
// deadline that also watches a wake-up descriptor, so Interrupt() (from any
// thread) ends a wait at once. Results carry errno values as the system error
// code: ENOENT (2) for a missing port, as ERROR_FILE_NOT_FOUND is elsewhere.
//
// Threading: Open, Close, Configure, SetRts, Purge belong to the owning thread;
// while the device is open one other thread may read (Read, WaitReadable,
// ReadAvailable, Pause) while the owner writes. Interrupt is callable from any
// thread.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/UniqueFd.h"

namespace platform {

// The device path for a port name: a leading "\\.\" (the Windows device namespace)
// is removed; a name containing '/' is a path already; "COMn" (n >= 1) is
// /dev/ttyS<n-1>; any other name is /dev/<name>.
std::string SerialDevicePath(const char* name);

enum class Parity : char { None = 'N', Odd = 'O', Even = 'E', Mark = 'M', Space = 'S' };

// Parity from its letter (N, O, E, M, S, either case); false for any other letter.
bool ParityFromLetter(char letter, Parity& parity);

struct LineSettings {
    uint32_t baud = 115200; // bits per second; only the standard rates are accepted
    int dataBits = 8;       // 5 to 8
    Parity parity = Parity::None;
    int stopBits = 1; // 1 or 2
};

enum class IoStatus {
    Ok,              // count bytes were transferred (a read returns as soon as any are there)
    Timeout,         // nothing happened within the time given
    Interrupted,     // Interrupt() was called
    FailedAtOnce,    // the read failed before any wait, e.g. a hung-up line (error set)
    FailedAfterWait, // the wait reported bytes but reading or writing them failed (error set)
    WaitFailed,      // poll() itself failed (error set)
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    size_t count = 0; // bytes transferred
    int error = 0;    // errno for the failed statuses
};

class SerialDevice {
public:
    // Creates the wake-up descriptor; WakeError() tells whether that failed.
    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // 0, or the errno of creating the wake-up descriptor.
    int WakeError() const { return m_wakeError; }

    // Opens the port by name (see SerialDevicePath) with exclusive access: a port that
    // another descriptor holds fails with EWOULDBLOCK or EBUSY; a path that is not a
    // terminal fails with ENOTTY. The line's settings are left as the driver has them:
    // only Configure puts it into raw mode. Clears a pending Interrupt(). Returns 0 or
    // errno; an open device is closed first.
    int Open(const char* name);
    void Close();
    bool IsOpen() const { return m_fd.Valid(); }
    const std::string& Path() const { return m_path; }

    // The current line settings (0 or errno). Returns EINVAL when the line uses a setting
    // that LineSettings cannot express (a non-standard speed).
    int GetSettings(LineSettings& settings) const;
    // Puts the line into raw mode (CLOCAL | CREAD, VMIN = VTIME = 0, no software flow
    // control, hardware flow control and modem lines left as they are), applies the
    // speed and framing, and reads them back. Invalid settings are refused with EINVAL
    // and change nothing; EIO when the driver did not take them. 0 on success.
    int Configure(const LineSettings& settings);
    // Raises or drops RTS. ENOTSUP when the device has no modem lines (a pseudo-terminal),
    // another errno on failure, 0 on success.
    int SetRts(bool on);

    // Waits at most timeoutMs for bytes and reads up to capacity of them.
    IoResult Read(uint8_t* buffer, size_t capacity, uint32_t timeoutMs);
    // Reads what is there without waiting: Ok with count 0 when nothing is.
    IoResult ReadAvailable(uint8_t* buffer, size_t capacity);
    // Waits at most timeoutMs (ManualResetEvent::kInfinite: no limit) until bytes can be
    // read, the line hangs up, or Interrupt() is called. Ok means a read will not block.
    IoResult WaitReadable(uint32_t timeoutMs);
    // Writes all bytes, waiting at most timeoutMs in total for room in the driver's queue.
    // Ok only when every byte was written; count tells how many were.
    IoResult Write(const uint8_t* data, size_t count, uint32_t timeoutMs);

    // Bytes received and not yet read (0 or errno).
    int QueuedBytes(size_t& count) const;
    // The line's state now, without waiting: Ok with count = bytes queued, or
    // FailedAtOnce (EIO) when the line has hung up (a pseudo-terminal whose other
    // side closed, an unplugged adapter) and nothing is left to read.
    IoResult LineStatus() const;
    // Discards unread input and unsent output (0 or errno).
    int Purge();

    // Ends the current and every later wait at once, until Open or ClearInterrupt.
    void Interrupt();
    void ClearInterrupt();
    // Sleeps for ms milliseconds unless interrupted; false when interrupted.
    bool Pause(uint32_t ms);

    // The descriptors, for a caller that builds its own poll set (e.g. to wait for modem
    // line changes as well). Both stay owned by this object; -1 when absent.
    int Fd() const { return m_fd.Get(); }
    int WakeFd() const { return m_wakeFd.Get(); }

private:
    UniqueFd m_fd;
    UniqueFd m_wakeFd; // eventfd
    int m_wakeError = 0;
    std::string m_path;
};

} // namespace platform
