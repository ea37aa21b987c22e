#include "link/Serial.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/MessageBox.h"

namespace {

// Back-off after a read that failed at once (a hung-up line fails every read at once);
// short against any read timeout, and Close ends it early.
constexpr uint32_t kFailurePauseMs = 50;

// Longest wait for room in the driver's queue per write: the frame's time on the line
// at the port's speed plus a generous allowance for a busy system.
uint32_t WriteTimeoutMs(int count, uint32_t baud) {
    uint64_t lineMs = baud ? static_cast<uint64_t>(count) * 10 * 1000 / baud : 0;
    return static_cast<uint32_t>(std::min<uint64_t>(lineMs + 1000, 60000));
}

} // namespace

CSerial::CSerial()
    : m_nLastError(SERIAL_OK), m_dwLastSystemError(0), m_bOpen(false), m_dwReadTimeout(0),
      m_bKeepReading(false), m_rawRx{}, m_nRawRx(0) {
    // m_hPort is built after the status words: look at it only now.
    if (m_hPort.WakeError())
        m_nLastError = SERIAL_EVENT_FAILED;
}

CSerial::~CSerial() {
    CSerial::Close();
}

int CSerial::Open(const char* port, uint32_t baud, uint32_t readTimeoutMs) {
    // A second handle must never replace one whose read thread still runs: a retry of
    // Open without Close (start-up discovery does this) starts over from a closed port.
    Close();

    m_dwReadTimeout = readTimeoutMs;
    m_nRawRx = 0;
    m_baud = baud;

    if (int error = m_hPort.Open(port)) {
        m_nLastError = error;
        return error == ENOENT ? SERIAL_NOT_FOUND : SERIAL_OPEN_FAILED;
    }
    m_bOpen = true;

    int status = SERIAL_OK;
    platform::LineSettings settings;
    int got = m_hPort.GetSettings(settings);
    if (got != 0 && got != EINVAL) {
        // A speed outside the standard list (EINVAL) is replaced below anyway.
        status = SERIAL_GET_STATE_FAILED;
    } else {
        settings.baud = baud;
        settings.dataBits = 8;
        settings.parity = platform::Parity::None;
        settings.stopBits = 1;
        if (m_hPort.Configure(settings) != 0)
            status = SERIAL_SET_STATE_FAILED;
    }

    m_threadDone.Reset();
    m_bKeepReading = true;
    try {
        m_pReadThread = std::thread(&CSerial::ReadThread, this);
    } catch (const std::system_error&) {
        m_bKeepReading = false;
        status = SERIAL_THREAD_FAILED;
    }
    return status;
}

void CSerial::Close() {
    if (!m_bOpen)
        return;
    m_bKeepReading = false;
    m_hPort.Interrupt();
    if (m_pReadThread.joinable()) {
        // The thread may be showing a box from OnReceive; that box must be able to appear
        // even though this thread (perhaps the one that shows boxes) is waiting here.
        platform::WaitServicingMessageBoxes(m_threadDone);
        m_pReadThread.join();
    }
    m_hPort.Close();
    m_bOpen = false;
}

int CSerial::OnReceive(const uint8_t* data, int count) {
    platform::MessageBox("Incoming!", "Debug", platform::MB_OK);
    if (data && count > 0) {
        int room = static_cast<int>(sizeof m_rawRx) - m_nRawRx;
        int take = std::min(count, room);
        if (take > 0) {
            std::memcpy(m_rawRx + m_nRawRx, data, static_cast<size_t>(take));
            m_nRawRx += take;
        }
    }
    return 0;
}

bool CSerial::Write(const uint8_t* data, int count) {
    if (!m_bOpen || !data || count < 0)
        return false;
    platform::IoResult r =
        m_hPort.Write(data, static_cast<size_t>(count), WriteTimeoutMs(count, m_baud));
    return r.status == platform::IoStatus::Ok;
}

void CSerial::ReadThread() {
    // On this thread's stack: the chunk is handed to OnReceive without a copy.
    uint8_t buffer[512];
    // A read timeout of 0 would turn every pass into a poll that returns at once.
    const uint32_t timeoutMs = std::max<uint32_t>(m_dwReadTimeout, 1);
    const uint32_t pauseMs = std::min(kFailurePauseMs, timeoutMs);
    while (m_bKeepReading) {
        platform::IoResult r = m_hPort.Read(buffer, sizeof buffer, timeoutMs);
        switch (r.status) {
        case platform::IoStatus::Ok:
            OnReceive(buffer, static_cast<int>(r.count));
            break;
        case platform::IoStatus::FailedAtOnce:
            m_dwLastSystemError = static_cast<uint32_t>(r.error);
            m_nLastError = SERIAL_READ_FAILED;
            m_hPort.Pause(pauseMs);
            break;
        case platform::IoStatus::FailedAfterWait:
            m_nLastError = SERIAL_RESULT_FAILED;
            break;
        case platform::IoStatus::WaitFailed:
            m_nLastError = SERIAL_WAIT_FAILED;
            // A wait that fails, fails again at once: back off as after a failed read.
            m_hPort.Pause(pauseMs);
            break;
        case platform::IoStatus::Timeout:
            m_nLastError = SERIAL_READ_TIMEOUT;
            break;
        case platform::IoStatus::Interrupted:
            break;
        }
    }
    m_threadDone.Set();
}
