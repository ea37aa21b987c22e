// An event-driven, receive-only serial port: its own listening thread waits
// for line events and hands every received byte, one at a time, to a virtual
// handler. The radiometer reader derives from it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Event.h"
#include "platform/PollableEvent.h"
#include "platform/SerialDevice.h"

// Event-mask bits of OpenPort (the values of the serial driver interface
// these ports were first written for). On POSIX only received bytes (and a
// hung-up line) end a wait; the other bits only select OnCommEvent calls.
constexpr uint32_t EV_RXCHAR = 0x0001;
constexpr uint32_t EV_RXFLAG = 0x0002;
constexpr uint32_t EV_CTS = 0x0008;
constexpr uint32_t EV_BREAK = 0x0040;
constexpr uint32_t EV_ERR = 0x0080;
constexpr uint32_t EV_RING = 0x0100;

// Line-event codes handed to OnCommEvent.
constexpr int32_t COMM_EVENT_BREAK = 1025;
constexpr int32_t COMM_EVENT_CTS = 1026;
constexpr int32_t COMM_EVENT_ERR = 1028;
constexpr int32_t COMM_EVENT_RING = 1029;
constexpr int32_t COMM_EVENT_RXFLAG = 1032;

// Read and write timeouts of the port, in milliseconds (a total timeout is
// multiplier x bytes + constant).
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// The line state that OpenPort reads, changes and writes back.
struct CommLineState {
    platform::LineSettings line;
    bool rtsEnable = false; // raise RTS while the port is open
};

class CSerialPort {
public:
    CSerialPort();
    // Closes the port when open. A derived class whose handlers touch its own
    // members must Close() in its own destructor, before those members go.
    virtual ~CSerialPort();

    // Called on the listening thread with each received byte. Empty here.
    virtual void OnReceiveChar(char c);
    // Called on the listening thread with a COMM_EVENT_* code. Empty here.
    virtual void OnCommEvent(int32_t event);

    // Opens `port` (a device path or a name, see platform::SerialDevicePath)
    // and sets it up: parity is a letter (N, O, E, M, S), eventMask a set of
    // EV_* bits, sendBufferSize bytes reserved for sending. False
    // only when the port cannot be opened; a later set-up step that fails
    // shows its error box and the port stays open. An open port is closed
    // first.
    bool OpenPort(const char* port, int32_t baud, char parity, int32_t dataBits, int32_t stopBits,
                  uint32_t eventMask, int32_t sendBufferSize);
    // Starts the listening thread; true when it was created. False, starting
    // nothing, when the port is not open or its thread already runs.
    bool StartListening();
    // Stops the listening thread and releases the port; nothing when closed.
    void Close();
    // The error box of this port for a failed `operation`, with the text of
    // the calling thread's errno. Returns when the box is dismissed.
    void ReportError(const char* operation);

    // Line text applied by OpenPort ("baud=%d parity=%c data=%d stop=%d").
    static constexpr int kLineTextSize = 50;

    bool m_bOpen = false;
    std::unique_ptr<std::thread> m_pListenThread;
    std::mutex m_lock; // serialises calls on the port handle
    std::atomic<int> m_bListening{0};
    platform::PollableEvent m_hStopEvent;
    platform::SerialDevice m_hComm;
    platform::PollableEvent m_hSendEvent; // never signalled
    // Stop event, comm event, send event. The comm event is the device
    // itself, put in by the listening thread while it awaits a line event:
    // ready when bytes arrived or the line hung up; -1 otherwise.
    int m_waitHandles[3] = {-1, -1, -1};
    CommTimeouts m_timeouts;
    CommLineState m_dcb;
    std::string m_strPort;
    std::unique_ptr<char[]> m_pSendBuffer;
    uint32_t m_dwEventMask = 0;
    int32_t m_nSendBufferSize = 0;

private:
    platform::ManualResetEvent m_threadDone; // set by the listening thread as it ends
    void Listen();
    void StopListening();
    void DrainReceived();
    uint32_t CommMask();
};
