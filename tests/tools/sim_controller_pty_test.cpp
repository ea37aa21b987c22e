#include "tools/sim/Controller.h"
#include "tools/sim/PortLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

// A bare client on the slave side: raw bytes out, raw bytes in.
class Client {
public:
    explicit Client(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        EXPECT_GE(m_fd, 0) << path;
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~Client() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    void Send(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` ETX bytes have been seen or `ms` have passed; each
    // read's size goes to `chunks`.
    std::vector<uint8_t> Receive(int frames, int ms, std::vector<std::size_t>* chunks = nullptr) {
        std::vector<uint8_t> in;
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        int seen = 0;
        while (seen < frames) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            pollfd p{m_fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
                break;
            uint8_t buffer[1024];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) {
                m_hungUp = true;
                break;
            }
            if (chunks)
                chunks->push_back(static_cast<std::size_t>(n));
            for (ssize_t i = 0; i < n; ++i) {
                in.push_back(buffer[i]);
                seen += buffer[i] == 0x03;
            }
        }
        return in;
    }
    bool HungUp() const { return m_hungUp; }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};

const std::vector<uint8_t> kAck = {0x02, 0x06, 0xFA, 0x03};
const std::vector<uint8_t> kStopPulse = {0x02, 0x74, 0x8C, 0x03};
const std::vector<uint8_t> kReadDac = {0x02, 0x6B, 0x95, 0x03};

sim::ControllerOptions Quiet() {
    sim::ControllerOptions o;
    o.noiseCounts = 0.0;
    return o;
}

TEST(SimController, AnswersAndRecordsEveryRequest) {
    sim::Controller c(Quiet());
    Client client(c.SlavePath());
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), kAck);
    client.Send({0x02, 0x64, 0x10, 0x12, 0x9A, 0x03}); // head off, both (stuffed channel)
    EXPECT_EQ(client.Receive(1, 10000), kAck);
    client.Send({0x02, 0x74, 0x8D, 0x03}); // wrong checksum: recorded, not answered
    EXPECT_TRUE(client.Receive(1, 150).empty());
    ASSERT_TRUE(c.WaitForRequests(3, 10000));
    const std::vector<sim::Request> seen = c.Requests();
    EXPECT_EQ(seen[0].code, CMD_STOP_PULSE);
    EXPECT_EQ(seen[0].wire, kStopPulse);
    EXPECT_EQ(seen[1].code, CMD_HEAD_OFF);
    EXPECT_EQ(seen[1].payload, Bytes({2}));
    EXPECT_TRUE(seen[1].checksumOk);
    EXPECT_FALSE(seen[2].checksumOk);
    c.ClearRequests();
    EXPECT_EQ(c.RequestCount(), 0u);
}

TEST(SimController, InjectedFaults) {
    sim::Controller c(Quiet());
    Client client(c.SlavePath());

    c.DropReplies(2);
    client.Send(kStopPulse);
    client.Send(kStopPulse);
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), kAck); // only the third is answered
    EXPECT_TRUE(client.Receive(1, 150).empty());

    c.CorruptChecksums(1);
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), Bytes({0x02, 0x06, 0xFB, 0x03}));

    c.ReplyWithCode(0x41);
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), Bytes({0x02, 0x41, 0xBF, 0x03}));

    // Chunks of 2 bytes with a pause between them arrive as separate reads.
    // The pause is long enough that even a reader a loaded machine holds up
    // is back before the next chunk.
    c.SetChunking(2, 250);
    client.Send(kReadDac);
    std::vector<std::size_t> chunks;
    const std::vector<uint8_t> dac = client.Receive(1, 10000, &chunks);
    EXPECT_EQ(dac, Bytes({0x02, 0x6B, 0x8C, 0x00, 0x8C, 0x00, 0x7D, 0x03}));
    EXPECT_GE(chunks.size(), 4u);
    for (std::size_t n : chunks)
        EXPECT_LE(n, 2u);
    c.SetChunking(0);

    c.SetReplyDelay(200);
    const auto t0 = Clock::now();
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), kAck);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(190));
    c.SetReplyDelay(0);

    // The held reply precedes the answer to the following request.
    c.HoldNextReply();
    client.Send(kReadDac);
    EXPECT_TRUE(client.Receive(1, 150).empty());
    client.Send(kStopPulse);
    std::vector<uint8_t> both = client.Receive(2, 10000);
    std::vector<uint8_t> expected = {0x02, 0x6B, 0x8C, 0x00, 0x8C, 0x00, 0x7D, 0x03};
    expected.insert(expected.end(), kAck.begin(), kAck.end());
    EXPECT_EQ(both, expected);

    c.InjectRawReply({0x02, 0x71, 0x01, 0x8E, 0x03});
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), Bytes({0x02, 0x71, 0x01, 0x8E, 0x03}));
    EXPECT_EQ(c.Requests().back().code, CMD_STOP_PULSE);

    c.HangUp();
    EXPECT_TRUE(client.Receive(1, 1000).empty());
    EXPECT_TRUE(client.HungUp());
}

TEST(SimController, OneCodeSlowOrMute) {
    sim::Controller c(Quiet());
    Client client(c.SlavePath());

    c.SetCodeReplyDelay(CMD_READ_DAC, -1);
    client.Send(kReadDac);
    EXPECT_TRUE(client.Receive(1, 150).empty());
    client.Send(kStopPulse); // other codes answer as before
    EXPECT_EQ(client.Receive(1, 10000), kAck);

    c.SetCodeReplyDelay(CMD_STOP_PULSE, 300);
    const auto t0 = Clock::now();
    client.Send(kStopPulse);
    EXPECT_EQ(client.Receive(1, 10000), kAck);
    EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(290));

    c.SetCodeReplyDelay(CMD_READ_DAC, 0);
    c.SetCodeReplyDelay(CMD_STOP_PULSE, 0);
    client.Send(kReadDac);
    EXPECT_EQ(client.Receive(1, 10000), Bytes({0x02, 0x6B, 0x8C, 0x00, 0x8C, 0x00, 0x7D, 0x03}));
}

TEST(SimController, BurnedRecordSurvivesARestart) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("lumisim-state-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    sim::ControllerOptions o = Quiet();
    o.stateDir = dir.string();
    HeadRecord burned{};
    {
        sim::Controller c(o);
        Client client(c.SlavePath());
        std::vector<uint8_t> frame = {0x02, 0x68, 0x01, 0x68, 0x01};
        uint8_t sum = 0x68 + 0x01 + 0x68 + 0x01;
        for (int i = 0; i < 360; ++i) {
            const uint8_t v = static_cast<uint8_t>(0x40 + i % 50);
            RecordBytes(burned)[i] = v;
            frame.push_back(v);
            sum = static_cast<uint8_t>(sum + v);
        }
        const uint8_t check = static_cast<uint8_t>(0x100 - sum);
        if (check == 0x02 || check == 0x03 || check == 0x10) {
            frame.push_back(0x10);
            frame.push_back(static_cast<uint8_t>(check + 0x10));
        } else {
            frame.push_back(check);
        }
        frame.push_back(0x03);
        client.Send(frame);
        EXPECT_EQ(client.Receive(1, 10000), kAck);
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "01001001-B.rvx"), 360u);
    EXPECT_FALSE(std::filesystem::exists(dir / "01001001-A.rvx")); // never written
    {
        sim::Controller c(o);
        const HeadRecord again = c.Record(1);
        EXPECT_EQ(std::memcmp(&again, &burned, sizeof again), 0);
        EXPECT_EQ(FieldText(c.Record(0).model), "RVX-1-365");
    }
    std::filesystem::remove_all(dir);
}

TEST(SimController, OpticalOutputIsSafeToReadWhileServing) {
    sim::Controller c(Quiet());
    Client client(c.SlavePath());
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done)
            EXPECT_GE(c.OpticalOutput(0), 0.0);
    });
    for (int i = 0; i < 50; ++i) {
        const uint8_t index = static_cast<uint8_t>(i * 5);
        const uint8_t check = static_cast<uint8_t>(0x100 - ((0x62 + index) & 0xFF));
        std::vector<uint8_t> frame = {0x02, 0x62, 0x00};
        for (uint8_t v : {index, uint8_t(0), check}) {
            if (v == 0x02 || v == 0x03 || v == 0x10) {
                frame.push_back(0x10);
                frame.push_back(static_cast<uint8_t>(v + 0x10));
            } else {
                frame.push_back(v);
            }
        }
        frame.push_back(0x03);
        client.Send(frame);
        EXPECT_EQ(client.Receive(1, 10000), kAck);
    }
    done = true;
    reader.join();
    EXPECT_EQ(c.Channel(0).index, 245);
}

TEST(SimPortLink, CreatesReplacesAndRemovesOnlyItsOwnLink) {
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("lumisim-ports-" + std::to_string(::getpid())) / "a" / "b")
                                .string();
    {
        sim::PortLink link(dir, "sim-1", "/dev/null");
        EXPECT_EQ(std::filesystem::read_symlink(link.Path()), "/dev/null");
        sim::PortLink again(dir, "sim-1", "/dev/zero"); // a stale one is replaced
        EXPECT_EQ(std::filesystem::read_symlink(again.Path()), "/dev/zero");
    } // the first no longer owns it; the second removes it
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir + "/sim-1")));

    ::unsetenv("LUMI_PORTS_DIR");
    ::setenv("XDG_RUNTIME_DIR", "/run/x", 1);
    EXPECT_EQ(sim::PortsDirectory(), "/run/x/lumiflex/ports");
    ::setenv("XDG_RUNTIME_DIR", "", 1);
    EXPECT_EQ(sim::PortsDirectory(), "/tmp/lumiflex/ports");
    // The folder the port lister is pointed at wins, as it does for the lister.
    ::setenv("LUMI_PORTS_DIR", "/home/tech/run/ports", 1);
    EXPECT_EQ(sim::PortsDirectory(), "/home/tech/run/ports");
    ::setenv("LUMI_PORTS_DIR", "", 1);
    EXPECT_EQ(sim::PortsDirectory(), "/tmp/lumiflex/ports");
    ::unsetenv("LUMI_PORTS_DIR");
    std::filesystem::remove_all(std::filesystem::path(dir).parent_path().parent_path());
}

} // namespace
