// The event-driven port on a pseudo-terminal: set-up, the listening thread,
// the handlers' calls and the error boxes.
#include "link/SerialPort.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <vector>

#include "tests/support/PtyPair.h"

namespace {

using namespace std::chrono_literals;
using testing_support::BoxRecorder;
using testing_support::PtyPair;
using testing_support::WaitFor;

constexpr uint32_t kAllEvents = EV_RXCHAR | EV_CTS | EV_RXFLAG | EV_BREAK | EV_ERR | EV_RING;

// Records every handler call: "E<code>" for a line event, the byte otherwise.
class RecordingPort : public CSerialPort {
public:
    ~RecordingPort() override { Close(); }
    void OnReceiveChar(char c) override {
        std::lock_guard<std::mutex> lock(m_logLock);
        m_log.emplace_back(1, c);
    }
    void OnCommEvent(int32_t event) override {
        std::lock_guard<std::mutex> lock(m_logLock);
        m_log.push_back("E" + std::to_string(event));
    }
    std::vector<std::string> Log() const {
        std::lock_guard<std::mutex> lock(m_logLock);
        return m_log;
    }
    std::string Chars() const {
        std::string chars;
        for (const auto& e : Log())
            if (e.size() == 1)
                chars += e;
        return chars;
    }

private:
    mutable std::mutex m_logLock;
    std::vector<std::string> m_log;
};

// Starts the thread and waits until it has purged the line: bytes sent
// before that are dropped, as a real meter's are.
bool Listen(CSerialPort& port) {
    return port.StartListening() && WaitFor([&] { return port.m_bListening.load() == 1; });
}

bool Open(CSerialPort& port, const PtyPair& pty, uint32_t mask = EV_RXCHAR | EV_CTS) {
    return port.OpenPort(pty.Path().c_str(), 1200, 'N', 8, 2, mask, 1024);
}

double CpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(SerialPortPty, OpenPortAppliesTheRadiometerLineTimeoutsAndRts) {
    BoxRecorder boxes;
    PtyPair pty;
    // A line left at a speed outside the standard list is set up all the same.
    termios left{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &left), 0);
    cfsetospeed(&left, B0);
    ASSERT_EQ(::tcsetattr(pty.Slave(), TCSANOW, &left), 0);
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty));
    EXPECT_TRUE(port.m_bOpen);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(port.m_strPort, pty.Path());
    EXPECT_EQ(port.m_dwEventMask, EV_RXCHAR | EV_CTS);
    EXPECT_EQ(port.m_nSendBufferSize, 1024);
    EXPECT_NE(port.m_pSendBuffer, nullptr);
    EXPECT_EQ(port.m_dcb.line.baud, 1200u);
    EXPECT_EQ(port.m_dcb.line.parity, platform::Parity::None);
    EXPECT_EQ(port.m_dcb.line.dataBits, 8);
    EXPECT_EQ(port.m_dcb.line.stopBits, 2);
    EXPECT_TRUE(port.m_dcb.rtsEnable);
    const CommTimeouts& t = port.m_timeouts;
    for (uint32_t v :
         {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
          t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant})
        EXPECT_EQ(v, 1000u);

    // What the line itself now carries.
    termios tio{};
    ASSERT_EQ(::tcgetattr(pty.Slave(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B1200));
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(tio.c_cflag & CSTOPB);
    EXPECT_FALSE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_iflag & ICRNL); // a CR from the meter stays a CR
}

TEST(SerialPortPty, MissingPortFailsWithoutABoxAndTheSameObjectOpensNext) {
    BoxRecorder boxes;
    PtyPair pty;
    RecordingPort port;
    EXPECT_FALSE(port.OpenPort("/dev/no-such-radiometer", 1200, 'N', 8, 2, EV_RXCHAR, 1024));
    EXPECT_FALSE(port.m_bOpen);
    EXPECT_FALSE(port.StartListening());
    EXPECT_TRUE(boxes.Boxes().empty());

    ASSERT_TRUE(Open(port, pty, EV_RXCHAR));
    ASSERT_TRUE(Listen(port));
    pty.Send("x");
    EXPECT_TRUE(WaitFor([&] { return port.Chars() == "x"; }));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(SerialPortPty, BytesReachTheHandlerInArrivalOrderOneCallEach) {
    PtyPair pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty, EV_RXCHAR));
    ASSERT_TRUE(Listen(port));
    pty.Send("abc");
    ASSERT_TRUE(WaitFor([&] { return port.Log().size() >= 3; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.Log(), (std::vector<std::string>{"a", "b", "c"}));

    // A long burst, also with bytes a text line would not carry.
    std::string burst;
    for (int i = 0; i < 600; ++i)
        burst += static_cast<char>(i % 256);
    pty.Send(burst);
    ASSERT_TRUE(WaitFor([&] { return port.Chars().size() == 603; }));
    EXPECT_EQ(port.Chars(), "abc" + burst);
}

TEST(SerialPortPty, EveryEventFirstReportsEachMaskBitInOrderThenDrains) {
    const std::vector<std::string> group = {"E1026", "E1032", "E1025", "E1028", "E1029"};
    PtyPair pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty, kAllEvents));
    ASSERT_TRUE(Listen(port));
    for (const char* burst : {"ab", "cd", "e"}) {
        size_t before = port.Log().size();
        pty.Send(burst);
        ASSERT_TRUE(WaitFor([&] { return port.Chars().back() == std::string(burst).back(); }));
        std::vector<std::string> log = port.Log();
        ASSERT_GE(log.size(), before + group.size() + 1);
        // The new part of the log is whole groups, each followed by bytes.
        std::vector<std::string> fresh(log.begin() + static_cast<long>(before), log.end());
        size_t i = 0;
        while (i < fresh.size()) {
            ASSERT_TRUE(
                std::equal(group.begin(), group.end(), fresh.begin() + static_cast<long>(i)))
                << "at " << i;
            i += group.size();
            while (i < fresh.size() && fresh[i].size() == 1)
                ++i;
        }
    }
    EXPECT_EQ(port.Chars(), "abcde");

    // The radiometer's mask: 1026 alone before the bytes.
    PtyPair pty2;
    RecordingPort cts;
    ASSERT_TRUE(Open(cts, pty2, EV_RXCHAR | EV_CTS));
    ASSERT_TRUE(Listen(cts));
    pty2.Send("z");
    ASSERT_TRUE(WaitFor([&] { return cts.Chars() == "z"; }));
    EXPECT_EQ(cts.Log(), (std::vector<std::string>{"E1026", "z"}));
}

TEST(SerialPortPty, WithoutRxcharInTheMaskNothingIsReadAndTheThreadStaysIdle) {
    PtyPair pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty, EV_CTS));
    ASSERT_TRUE(Listen(port));
    pty.Send("abc");
    double cpu = CpuSeconds();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(CpuSeconds() - cpu, 0.05);
    EXPECT_TRUE(port.Log().empty());
}

TEST(SerialPortPty, CloseOnANeverOpenedPortDoesNothing) {
    RecordingPort port;
    port.Close();
    port.Close();
    EXPECT_FALSE(port.m_bOpen);
    EXPECT_EQ(port.m_bListening.load(), 0);
    EXPECT_FALSE(port.StartListening());
}

TEST(SerialPortPty, CloseWhileTheThreadWaitsReturnsAfterItEndedAndFreesThePort) {
    PtyPair pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty));
    ASSERT_TRUE(Listen(port));
    std::this_thread::sleep_for(20ms); // well inside its wait
    auto start = std::chrono::steady_clock::now();
    port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s); // not a wait of its own
    EXPECT_EQ(port.m_bListening.load(), 0);
    EXPECT_EQ(port.m_pListenThread, nullptr);
    EXPECT_FALSE(port.m_bOpen);
    EXPECT_EQ(port.m_pSendBuffer, nullptr);

    // The port is free again, and the object opens anew with fresh events.
    RecordingPort other;
    EXPECT_TRUE(Open(other, pty));
    other.Close();
    ASSERT_TRUE(Open(port, pty, EV_RXCHAR));
    ASSERT_TRUE(Listen(port));
    pty.Send("q");
    EXPECT_TRUE(WaitFor([&] { return port.Chars() == "q"; }));
}

TEST(SerialPortPty, CloseRightAfterStartListeningDoesNotHang) {
    PtyPair pty;
    for (int i = 0; i < 50; ++i) {
        RecordingPort port;
        ASSERT_TRUE(Open(port, pty));
        ASSERT_TRUE(Listen(port));
        port.Close();
        EXPECT_EQ(port.m_bListening.load(), 0);
    }
}

TEST(SerialPortPty, AHeldPortIsRefusedWithoutABox) {
    BoxRecorder boxes;
    PtyPair pty;
    RecordingPort first, second;
    ASSERT_TRUE(Open(first, pty));
    EXPECT_FALSE(Open(second, pty));
    EXPECT_FALSE(second.m_bOpen);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(SerialPortPty, OpenPortOnAnOpenPortStopsTheOldThreadFirst) {
    PtyPair pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty, EV_RXCHAR));
    ASSERT_TRUE(Listen(port));
    ASSERT_TRUE(Open(port, pty, EV_RXCHAR));
    EXPECT_EQ(port.m_bListening.load(), 0);
    EXPECT_EQ(port.m_pListenThread, nullptr);
    ASSERT_TRUE(Listen(port));
    EXPECT_FALSE(port.StartListening()); // one thread per port
    pty.Send("xy");
    ASSERT_TRUE(WaitFor([&] { return port.Chars().size() >= 2; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(port.Chars(), "xy");
}

TEST(SerialPortPty, FailedSetUpStepShowsItsBoxAndThePortStaysOpen) {
    PtyPair pty;
    {
        BoxRecorder boxes;
        RecordingPort port;
        ASSERT_TRUE(port.OpenPort(pty.Path().c_str(), 1200, 'X', 8, 2, EV_RXCHAR, 1024));
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        const auto box = boxes.Boxes()[0];
        EXPECT_EQ(box.text, "WARNING:  BuildCommDCB() Failed with the following error: \n" +
                                std::string(std::strerror(EINVAL)) + "\nPort: " + pty.Path() +
                                "\n");
        EXPECT_EQ(box.caption, "Application Error");
        EXPECT_EQ(box.flags, platform::MB_ICONSTOP | platform::MB_OK);
        EXPECT_TRUE(port.m_bOpen);
        ASSERT_TRUE(Listen(port));
        // The line keeps the driver's settings, which may still be canonical.
        pty.Send("k\n");
        EXPECT_TRUE(WaitFor([&] { return port.Chars() == "k\n"; }));
    }
    {
        BoxRecorder boxes;
        RecordingPort port;
        ASSERT_TRUE(port.OpenPort(pty.Path().c_str(), 12345, 'N', 8, 2, EV_RXCHAR, 1024));
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text.rfind("WARNING:  SetCommState() Failed", 0), 0u);
        EXPECT_TRUE(port.m_bOpen);
    }
}

TEST(SerialPortPty, ReportErrorShowsLongTextsWhole) {
    BoxRecorder boxes;
    RecordingPort port;
    port.m_strPort = "/dev/" + std::string(300, 'p');
    errno = ENOENT;
    port.ReportError("ReadFile()");
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "WARNING:  ReadFile() Failed with the following error: \nNo such file or "
              "directory\nPort: " +
                  port.m_strPort + "\n");
}

TEST(SerialPortPty, AHungUpLineIsReportedOnceAndTheThreadWaitsForTheStop) {
    BoxRecorder boxes;
    PtyPair pty;
    RecordingPort port;
    ASSERT_TRUE(Open(port, pty));
    ASSERT_TRUE(Listen(port));
    pty.Send("a");
    ASSERT_TRUE(WaitFor([&] { return port.Chars() == "a"; }));
    pty.CloseMaster();
    ASSERT_TRUE(WaitFor([&] { return !boxes.Boxes().empty(); }));
    double cpu = CpuSeconds();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(CpuSeconds() - cpu, 0.05);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text.rfind("WARNING:  WaitCommEvent() Failed", 0), 0u);
    auto start = std::chrono::steady_clock::now();
    port.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s); // not a wait of its own
}

} // namespace
