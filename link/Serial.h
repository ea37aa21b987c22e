#pragma once
// CSerial: one controller's serial port with a read thread of its own.
//
// Open starts a thread that hands every chunk of received bytes, in order of
// arrival, to the virtual OnReceive; Write sends one whole buffer from the
// owning thread; Close stops the thread and releases the port. A class that
// overrides OnReceive and is itself derived from must call Close in its own
// destructor, so the thread is gone before the override's object is.
#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/Event.h"
#include "platform/SerialDevice.h"

// Status of Open, and the read thread's last status in m_nLastError.
enum SerialStatus : int {
    SERIAL_OK = 0,
    SERIAL_EVENT_FAILED = 1,      // constructor: the wake-up descriptor could not be made
    SERIAL_READ_FAILED = 2,       // read thread: a read failed at once (m_dwLastSystemError)
    SERIAL_RESULT_FAILED = 3,     // read thread: reading failed after bytes were signalled
    SERIAL_WAIT_FAILED = 4,       // read thread: the wait for bytes failed
    SERIAL_READ_TIMEOUT = 5,      // read thread: nothing arrived within m_dwReadTimeout
    SERIAL_NOT_FOUND = 8,         // Open: no such port (m_nLastError = ENOENT)
    SERIAL_OPEN_FAILED = 9,       // Open: any other failure to open (m_nLastError = errno)
    SERIAL_GET_STATE_FAILED = 10, // Open: the line settings could not be read
    SERIAL_SET_STATE_FAILED = 11, // Open: the line settings were refused
    SERIAL_THREAD_FAILED = 12,    // Open: the read thread could not be started
    SERIAL_SET_TIMEOUTS_FAILED = 14,
    SERIAL_GET_TIMEOUTS_FAILED = 15,
};

class CSerial {
public:
    CSerial();
    // Closes the port; not virtual: objects are destroyed through their most derived type.
    ~CSerial();
    CSerial(const CSerial&) = delete;
    CSerial& operator=(const CSerial&) = delete;

    // Opens port (a name such as "\\.\ttyACM0", "COM3" or a device path) at baud, 8 data
    // bits, no parity, 1 stop bit, and starts the read thread; readTimeoutMs is the
    // longest wait for one read. Returns a SerialStatus. An object that is already open
    // is closed first. After 10, 11, 14 and 15 the port is open and the thread runs.
    virtual int Open(const char* port, uint32_t baud, uint32_t readTimeoutMs);
    // Stops the read thread (at once unless OnReceive is busy) and closes the port.
    // Does nothing when the port is not open.
    virtual void Close();
    // Called on the read thread with each received chunk (count >= 0); the base keeps the
    // first 5120 bytes since Open in m_rawRx and shows a "Debug" box per call.
    virtual int OnReceive(const uint8_t* data, int count);

    // Writes the whole buffer; true when every byte went to the driver. False when the
    // port is not open.
    bool Write(const uint8_t* data, int count);

    // SerialStatus or errno of the last failure, see SerialStatus.
    std::atomic<int32_t> m_nLastError;
    // errno of the last read that failed at once (status 2).
    std::atomic<uint32_t> m_dwLastSystemError;
    bool m_bOpen;
    platform::SerialDevice m_hPort;
    uint32_t m_dwReadTimeout; // ms
    std::atomic<bool> m_bKeepReading;
    char m_rawRx[5120];
    int32_t m_nRawRx;
    std::thread m_pReadThread;

private:
    void ReadThread();

    uint32_t m_baud = 0; // of the open port, for the write time limit

    platform::ManualResetEvent m_threadDone; // set by the read thread as its last act
};
