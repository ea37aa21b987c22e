#include "link/SerialPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/LineText.h"
#include "platform/MessageBox.h"

namespace {

// errno values for the steps that have no system call of their own.
constexpr int kNoError = 0;

// OnCommEvent calls for the configured mask, in this order.
struct MaskEvent {
    uint32_t bit;
    int32_t code;
};
constexpr MaskEvent kMaskEvents[] = {
    {EV_CTS, COMM_EVENT_CTS}, {EV_RXFLAG, COMM_EVENT_RXFLAG}, {EV_BREAK, COMM_EVENT_BREAK},
    {EV_ERR, COMM_EVENT_ERR}, {EV_RING, COMM_EVENT_RING},
};

} // namespace

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort() {
    if (m_bOpen)
        Close();
    StopListening();
    m_pSendBuffer.reset();
    m_strPort.clear();
}

void CSerialPort::OnReceiveChar(char) {}

void CSerialPort::OnCommEvent(int32_t) {}

bool CSerialPort::OpenPort(const char* port, int32_t baud, char parity, int32_t dataBits,
                           int32_t stopBits, uint32_t eventMask, int32_t sendBufferSize) {
    StopListening();

    // Without the events no thread could ever be stopped: refuse as if the
    // port could not be opened.
    if (m_hStopEvent.Create() != 0 || m_hSendEvent.Create() != 0)
        return false;
    m_waitHandles[0] = m_hStopEvent.Handle();
    m_waitHandles[1] = -1;
    m_waitHandles[2] = m_hSendEvent.Handle();

    const int32_t size = sendBufferSize > 0 ? sendBufferSize : 0;
    m_pSendBuffer.reset(new char[static_cast<size_t>(size)]);
    m_strPort = port ? port : "";
    m_nSendBufferSize = size;
    m_dwEventMask = eventMask;

    std::unique_lock<std::mutex> lock(m_lock);
    m_hComm.Close();

    char lineText[kLineTextSize];
    std::snprintf(lineText, sizeof lineText, "baud=%d parity=%c data=%d stop=%d", baud, parity,
                  dataBits, stopBits);

    if (m_hComm.Open(m_strPort.c_str()) != 0)
        return false;

    // Timeouts and the event mask are kept here, where the listening thread
    // uses them; on POSIX neither can fail once the port is open.
    m_timeouts = CommTimeouts{1000, 1000, 1000, 1000, 1000};
    int error = kNoError;
    const char* failed = nullptr;
    error = m_hComm.GetSettings(m_dcb.line);
    // A speed outside the standard list (EINVAL: left by another program, or B0) is
    // replaced by the line text below, as every other field it reads is.
    if (error == EINVAL)
        error = kNoError;
    if (error != kNoError) {
        failed = "GetCommState()";
    } else {
        m_dcb.rtsEnable = true;
        if (!platform::BuildLineSettings(lineText, m_dcb.line)) {
            error = EINVAL;
            failed = "BuildCommDCB()";
        } else if ((error = m_hComm.Configure(m_dcb.line)) != 0) {
            failed = "SetCommState()";
        } else if (m_dcb.rtsEnable) {
            error = m_hComm.SetRts(true);
            // Pseudo-terminals and some adapters have no RTS line to raise.
            if (error == ENOTSUP)
                error = kNoError;
            if (error != kNoError)
                failed = "SetCommState()";
        }
    }
    if (failed) {
        errno = error;
        ReportError(failed);
    }

    m_hComm.Purge();
    lock.unlock();
    m_bOpen = true;
    return true;
}

bool CSerialPort::StartListening() {
    // A thread needs an open port and its events, and one thread per port is
    // enough: a second would share the single comm wait.
    if (!m_hComm.IsOpen() || !m_hStopEvent.Valid() || m_pListenThread)
        return false;
    m_threadDone.Reset();
    try {
        m_pListenThread = std::make_unique<std::thread>([this] { Listen(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CSerialPort::StopListening() {
    if (!m_pListenThread)
        return;
    m_hStopEvent.Set();
    // The thread may be inside an error box that the calling (owner) thread
    // must show before the thread can end.
    platform::WaitServicingMessageBoxes(m_threadDone);
    m_pListenThread->join();
    m_pListenThread.reset();
}

void CSerialPort::Close() {
    if (!m_bOpen)
        return;
    StopListening();
    m_hStopEvent.Close();
    m_hSendEvent.Close();
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_hComm.Close();
    }
    m_waitHandles[0] = m_waitHandles[1] = m_waitHandles[2] = -1;
    m_bOpen = false;
    m_pSendBuffer.reset();
}

void CSerialPort::ReportError(const char* operation) {
    const int error = errno;
    char system[256];
    // GNU strerror_r: returns the text, which need not be in `system`.
    const char* systemText = ::strerror_r(error, system, sizeof system);
    const char* format = "WARNING:  %s Failed with the following error: \n%s\nPort: %s\n";
    // Long port names or system texts are shown whole rather than cut.
    int needed = std::snprintf(nullptr, 0, format, operation, systemText, m_strPort.c_str());
    std::vector<char> text(static_cast<size_t>(needed > 0 ? needed : 0) + 1);
    std::snprintf(text.data(), text.size(), format, operation, systemText, m_strPort.c_str());
    platform::MessageBox(text.data(), "Application Error", platform::MB_ICONSTOP | platform::MB_OK);
}

uint32_t CSerialPort::CommMask() {
    return m_dwEventMask;
}

void CSerialPort::Listen() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_hComm.IsOpen())
            m_hComm.Purge();
    }
    // Set after the purge, so that once it is seen no byte that follows is lost.
    m_bListening.store(1);
    // On POSIX the only line event a wait can see is received bytes (or a
    // hung-up line), so the device joins the wait set only when EV_RXCHAR is
    // asked for; without it nothing would ever drain the bytes that woke it.
    const bool watchLine = (CommMask() & EV_RXCHAR) != 0;
    for (;;) {
        int commHandle = -1;
        if (watchLine) {
            platform::IoResult line;
            {
                std::lock_guard<std::mutex> lock(m_lock);
                line = m_hComm.LineStatus();
            }
            if (line.status == platform::IoStatus::Ok) {
                commHandle = m_hComm.Fd();
            } else {
                // A line that is gone would wake every wait at once: report it
                // and wait for the stop alone.
                errno = line.error;
                ReportError("WaitCommEvent()");
            }
        }
        m_waitHandles[1] = commHandle; // only this thread touches it while it runs
        const int which = platform::WaitForAny(m_waitHandles, 3, platform::kWaitInfinite);
        if (which == 0)
            break;
        if (which != 1)
            continue;
        const uint32_t mask = CommMask();
        for (const MaskEvent& e : kMaskEvents)
            if (mask & e.bit)
                OnCommEvent(e.code);
        if (mask & EV_RXCHAR)
            DrainReceived();
    }
    m_waitHandles[1] = -1;
    m_bListening.store(0);
    m_threadDone.Set();
}

void CSerialPort::DrainReceived() {
    // One byte per read, as the handler takes them; the lock is held around
    // each port call and never while the handler runs.
    const uint32_t byteTimeout =
        m_timeouts.ReadTotalTimeoutMultiplier * 1 + m_timeouts.ReadTotalTimeoutConstant;
    size_t queued = 0;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_hComm.QueuedBytes(queued) != 0)
            queued = 0;
    }
    while (queued > 0) {
        uint8_t byte = 0;
        platform::IoResult r;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            r = m_hComm.Read(&byte, 1, byteTimeout);
        }
        if (r.status == platform::IoStatus::Ok && r.count == 1) {
            OnReceiveChar(static_cast<char>(byte));
        } else if (r.status == platform::IoStatus::FailedAtOnce) {
            errno = r.error;
            ReportError("ReadFile()");
        } else if (r.status == platform::IoStatus::FailedAfterWait ||
                   r.status == platform::IoStatus::WaitFailed) {
            errno = r.error;
            ReportError("GetOverlappedResults() in ReadFile()");
        }
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_hComm.QueuedBytes(queued) != 0)
            queued = 0;
    }
}
