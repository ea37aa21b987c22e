// CSerial over pseudo-terminals: the test plays the controller on the master side.
#include <gtest/gtest.h>

#include "platform/Event.h"

#include <condition_variable>
#include <mutex>
#include <sys/resource.h>
#include <thread>

#include "link/Serial.h"
#include "platform/SerialDevice.h"
#include "tests/support/PtyPair.h"

using testing_support::BoxRecorder;
using testing_support::Bytes;
using testing_support::ElapsedMs;
using testing_support::PtyPair;
using testing_support::WaitFor;
using Clock = std::chrono::steady_clock;

namespace {

// Keeps the base behaviour and records every chunk, so the test can wait for bytes.
class RecordingSerial : public CSerial {
public:
    ~RecordingSerial() { Close(); }

    int OnReceive(const uint8_t* data, int count) override {
        int r = CSerial::OnReceive(data, count);
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_calls;
        if (count > 0)
            m_bytes.insert(m_bytes.end(), data, data + count);
        m_cv.notify_all();
        return r;
    }

    // Waits until at least n bytes have arrived; returns a copy of all of them.
    Bytes WaitBytes(size_t n, int ms = 10000) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_bytes.size() >= n; });
        return m_bytes;
    }
    int Calls() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    Bytes m_bytes;
    int m_calls = 0;
};

double ProcessCpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(SerialPty, OpenReportsMissingAndHeldPorts) {
    CSerial serial;
    EXPECT_EQ(serial.m_nLastError, 0);
    EXPECT_FALSE(serial.m_bOpen);
    EXPECT_EQ(serial.Open("\\\\.\\no-such-lumiflex-port", 115200, 1000), 8);
    EXPECT_EQ(serial.m_nLastError, 2);
    EXPECT_FALSE(serial.m_bOpen);

    PtyPair pty;
    platform::SerialDevice holder;
    ASSERT_EQ(holder.Open(pty.Path().c_str()), 0);
    EXPECT_EQ(serial.Open(pty.Path().c_str(), 115200, 1000), 9);
    EXPECT_TRUE(serial.m_nLastError == EWOULDBLOCK || serial.m_nLastError == EBUSY)
        << serial.m_nLastError;
    EXPECT_FALSE(serial.m_bOpen);
    EXPECT_FALSE(serial.Write(reinterpret_cast<const uint8_t*>("x"), 1));

    holder.Close();
    EXPECT_EQ(serial.Open(pty.Path().c_str(), 115200, 1000), 0);
    EXPECT_TRUE(serial.m_bOpen);
    platform::LineSettings line;
    ASSERT_EQ(serial.m_hPort.GetSettings(line), 0);
    EXPECT_EQ(line.baud, 115200u);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.stopBits, 1);
    // A speed the line cannot run at is refused, with the port left open.
    serial.Close();
    EXPECT_EQ(serial.Open(pty.Path().c_str(), 12345, 1000), 11);
    EXPECT_TRUE(serial.m_bOpen);
}

TEST(SerialPty, CloseIsHarmlessWhenClosedAndPromptAfterOpen) {
    CSerial serial;
    serial.Close();
    serial.Close();
    EXPECT_FALSE(serial.m_bOpen);

    PtyPair pty;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 60000), 0);
        auto start = Clock::now();
        serial.Close();
        // Well within one read timeout of a minute, however loaded the machine.
        ASSERT_LT(ElapsedMs(start), 30000);
        EXPECT_FALSE(serial.m_bOpen);
        EXPECT_FALSE(serial.m_pReadThread.joinable());
    }
}

TEST(SerialPty, SilentPortReportsReadTimeoutAndKeepsReading) {
    BoxRecorder boxes;
    PtyPair pty;
    RecordingSerial serial;
    ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 50), 0);
    EXPECT_TRUE(WaitFor([&] { return serial.m_nLastError == 5; }, std::chrono::seconds(10)));
    // Still reading after the timeouts.
    ASSERT_TRUE(pty.Send(Bytes{0x41, 0x42}));
    EXPECT_EQ(serial.WaitBytes(2), (Bytes{0x41, 0x42}));
    serial.Close();
}

TEST(SerialPty, ChunksArriveInOrderOnceAndTheRawSinkKeeps5120Bytes) {
    BoxRecorder boxes;
    PtyPair pty;
    RecordingSerial serial;
    ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 1000), 0);
    Bytes sent(6000);
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<uint8_t>(i * 7 + i / 256);
    for (size_t at = 0; at < sent.size(); at += 700) {
        size_t n = std::min<size_t>(700, sent.size() - at);
        ASSERT_TRUE(pty.Send(sent.data() + at, n));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    EXPECT_EQ(serial.WaitBytes(sent.size()), sent);
    serial.Close();

    EXPECT_EQ(serial.m_nRawRx, 5120);
    EXPECT_EQ(Bytes(serial.m_rawRx, serial.m_rawRx + 5120),
              Bytes(sent.begin(), sent.begin() + 5120));
    // One "Incoming!" box per chunk.
    EXPECT_EQ(boxes.Count("Incoming!"), static_cast<size_t>(serial.Calls()));
    EXPECT_EQ(boxes.Boxes().front().caption, "Debug");

    // A chunk of no bytes still shows the box and keeps nothing; Open empties the sink.
    size_t before = boxes.Boxes().size();
    EXPECT_EQ(serial.CSerial::OnReceive(nullptr, 0), 0);
    EXPECT_EQ(boxes.Boxes().size(), before + 1);
    EXPECT_EQ(serial.m_nRawRx, 5120);
    ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 1000), 0);
    serial.Close();
    EXPECT_EQ(serial.m_nRawRx, 0);
}

TEST(SerialPty, OpenWithoutCloseReplacesThePortAndItsThread) {
    BoxRecorder boxes;
    PtyPair first, second;
    RecordingSerial serial;
    ASSERT_EQ(serial.Open(first.Path().c_str(), 115200, 1000), 0);
    ASSERT_EQ(serial.Open(second.Path().c_str(), 115200, 1000), 0);
    // The first port was released: another object can take it.
    CSerial other;
    EXPECT_EQ(other.Open(first.Path().c_str(), 115200, 1000), 0);
    ASSERT_TRUE(second.Send(Bytes{1, 2, 3}));
    EXPECT_EQ(serial.WaitBytes(3), (Bytes{1, 2, 3}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(serial.WaitBytes(3, 0).size(), 3u);
}

TEST(SerialPty, WriteSendsTheWholeBuffer) {
    PtyPair pty;
    CSerial serial;
    ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 1000), 0);
    Bytes data(729);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    EXPECT_TRUE(serial.Write(data.data(), static_cast<int>(data.size())));
    EXPECT_EQ(pty.Receive(data.size(), 5000), data);
    EXPECT_TRUE(serial.Write(data.data(), 0));
    EXPECT_FALSE(serial.Write(data.data(), -1));
}

TEST(SerialPty, HungUpLineRecordsTheFailureWithoutSpinningAndClosesPromptly) {
    BoxRecorder boxes;
    PtyPair pty;
    RecordingSerial serial;
    ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 60000), 0);
    pty.CloseMaster();
    ASSERT_TRUE(WaitFor([&] { return serial.m_nLastError == 2; }, std::chrono::seconds(10)));
    EXPECT_EQ(serial.m_dwLastSystemError, static_cast<uint32_t>(EIO));

    // A thread retrying without pause would use a whole core here.
    double cpu = ProcessCpuSeconds();
    auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    double used = (ProcessCpuSeconds() - cpu) / (static_cast<double>(ElapsedMs(start)) / 1000.0);
    EXPECT_LT(used, 0.3) << "share of one core";
    EXPECT_FALSE(serial.Write(reinterpret_cast<const uint8_t*>("x"), 1));

    start = Clock::now();
    serial.Close();
    EXPECT_LT(ElapsedMs(start), 30000); // well within the read timeout of a minute
    EXPECT_EQ(serial.Calls(), 0);
}

TEST(SerialPty, BoxOnTheReadThreadDoesNotBlockCloseOnTheBoxOwner) {
    // The test thread owns the boxes, as a GUI thread does, and is not pumping any events.
    std::vector<std::thread::id> shownOn;
    std::mutex mutex;
    platform::SetMessageBoxSink([&](const char*, const char*, unsigned) {
        std::lock_guard<std::mutex> lock(mutex);
        shownOn.push_back(std::this_thread::get_id());
        return platform::IDOK;
    });
    platform::ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });

    PtyPair pty;
    {
        CSerial serial;
        ASSERT_EQ(serial.Open(pty.Path().c_str(), 115200, 1000), 0);
        ASSERT_TRUE(pty.Send(Bytes{0x55}));
        // The base OnReceive raises its box; the read thread now waits for this thread.
        ASSERT_TRUE(queued.Wait(10000));
        auto start = Clock::now();
        serial.Close();
        EXPECT_LT(ElapsedMs(start), 30000); // ends, however loaded the machine
    }
    platform::ReleaseMessageBoxOwner();
    platform::SetMessageBoxSink(nullptr);
    ASSERT_GE(shownOn.size(), 1u);
    for (auto id : shownOn)
        EXPECT_EQ(id, std::this_thread::get_id());
}
