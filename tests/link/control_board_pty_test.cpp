#include "controller_sim_support.h"
#include "platform/Event.h"
#include "platform/MessageBox.h"
#include "tests/support/PtyPair.h"
#include "tools/sim/Frame.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(ControlBoardWire, ZeroIntensityGoesOutAsHeadOff) {
    SimBoard s;
    ASSERT_TRUE(s.board.SetIntensity(0, 0.0f));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x64, 0x00, 0x9C, 0x03}));
    ASSERT_TRUE(s.board.SetIntensity(0, -0.0f));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x64, 0x00, 0x9C, 0x03}));
    ASSERT_TRUE(s.board.SetIntensity(0, 12.5f));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x61, 0x00, 0x00, 0x00, 0x48, 0x41, 0x16, 0x03}));
    ASSERT_TRUE(s.board.SetIntensity(1, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(s.Last().code, 0x61);
}

// The wire a request must have, built here from the frame's definition: STX,
// code, payload, checksum (code + payload + checksum = 0 mod 256), ETX, with
// 0x02, 0x03 and 0x10 between them sent as 0x10 followed by the value + 0x10.
std::vector<uint8_t> Framed(uint8_t code, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> wire{0x02};
    unsigned sum = 0;
    auto put = [&](uint8_t v) {
        if (v == 0x02 || v == 0x03 || v == 0x10)
            wire.insert(wire.end(), {0x10, uint8_t(v + 0x10)});
        else
            wire.push_back(v);
    };
    put(code);
    for (uint8_t v : payload) {
        put(v);
        sum += v;
    }
    put(uint8_t(0x100 - (code + sum) % 0x100));
    wire.push_back(0x03);
    return wire;
}

// All 24 requests against the controller's command table: code and payload
// are literal bytes, so a wrong number in the program's command list cannot
// pass just because the simulator decodes with the same list.
TEST(ControlBoardWire, EveryRequestMatchesTheCommandTable) {
    SimBoard s;
    CControlBoard& b = s.board;
    HeadRecord rec;
    for (std::size_t i = 0; i < sizeof rec; ++i)
        RecordBytes(rec)[i] = uint8_t(0x40 + i % 7);
    std::vector<uint8_t> burn{1, 0x68, 0x01};
    burn.insert(burn.end(), RecordBytes(rec), RecordBytes(rec) + sizeof rec);
    HeadRecord r{};
    float out = 0;
    uint8_t temp = 0;
    uint16_t u1 = 0, u2 = 0;
    struct Case {
        const char* name;
        std::function<bool()> call;
        bool answer;
        std::vector<uint8_t> request; // code, then payload
    };
    const Case cases[] = {
        {"SetDualIntensity", [&] { return b.SetDualIntensity(1.0f, -2.0f); }, true,
         Bytes({'2', 0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0})},
        {"SetDualIndex", [&] { return b.SetDualIndex(0x1234, 255); }, true,
         Bytes({'3', 0x34, 0x12, 0xFF, 0})},
        {"SetIntensity", [&] { return b.SetIntensity(1, 2.0f); }, true,
         Bytes({'a', 1, 0, 0, 0, 0x40})},
        {"SetIndex", [&] { return b.SetIndex(0, 300); }, true, Bytes({'b', 0, 0x2C, 0x01})},
        {"SetPwmIndex", [&] { return b.SetPwmIndex(1, 200); }, true, Bytes({'c', 1, 200})},
        {"HeadOff", [&] { return b.HeadOff(1); }, true, Bytes({'d', 1})},
        {"SetHeadFan", [&] { return b.SetHeadFan(0); }, true, Bytes({'e', 0})},
        {"ReadOutput", [&] { return b.ReadOutput(1, out, temp); }, true, Bytes({'f', 1})},
        {"ReadHeadRecord", [&] { return b.ReadHeadRecord(0, r); }, true, Bytes({'g', 0})},
        {"WriteHeadRecord", [&] { return b.WriteHeadRecord(1, rec); }, true, {}},
        {"EnterCalibrationMode", [&] { return b.EnterCalibrationMode(); }, true, Bytes({'i'})},
        {"SetExternalTrigger", [&] { return b.SetExternalTrigger(1); }, true, Bytes({'j', 1})},
        {"ReadDac", [&] { return b.ReadDac(u1, u2); }, true, Bytes({'k'})},
        {"SetDacValue", [&] { return b.SetDacValue(0, 0x0203); }, true, Bytes({'l', 0, 3, 2})},
        {"CancelOvertempProtection", [&] { return b.CancelOvertempProtection(); }, true,
         Bytes({'m'})},
        {"ReadBoardInfo", [&] { return b.ReadBoardInfo(); }, true, Bytes({'n'})},
        {"WriteBoardInfo",
         [&] {
             b.m_nRole = 4;
             b.m_nIntensitySetMode = 1;
             b.m_strBoardSerial = "AB0C1234";
             return b.WriteBoardInfo();
         },
         true, Bytes({'o', 4, 1, 'A', 'B', '0', 'C', '1', '2', '3', '4'})},
        {"ReadPhoto", [&] { return b.ReadPhoto(1, u1); }, true, Bytes({'p', 1})},
        {"QueryTrigger", [&] { return b.QueryTrigger(); }, false, Bytes({'q'})},
        {"SetPersistence", [&] { return b.SetPersistence(1); }, true, Bytes({'r', 1})},
        {"StartPulseMode", [&] { return b.StartPulseMode(2, 1500, 500, 128, 3, 10); }, true,
         Bytes({'s', 2, 0xDC, 0x05, 0xF4, 0x01, 128, 3, 10, 0})},
        {"StopPulseMode", [&] { return b.StopPulseMode(); }, true, Bytes({'t'})},
        {"ContinueWithoutHead", [&] { return b.ContinueWithoutHead(); }, true, Bytes({'v'})},
        {"EraseHeadEeprom", [&] { return b.EraseHeadEeprom(1); }, true, Bytes({'w', 1})},
    };
    static_assert(std::size(cases) == 24);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> request = c.request;
        if (request.empty()) { // the burn: 'h', channel, length 360, the record
            request = {'h'};
            request.insert(request.end(), burn.begin(), burn.end());
        }
        EXPECT_EQ(c.call(), c.answer);
        EXPECT_EQ(s.LastWire(),
                  Framed(request[0], std::vector<uint8_t>(request.begin() + 1, request.end())));
        // A burn and an erase go out only after a DAC read has been answered.
        const std::vector<sim::Request> seen = s.sim.Requests();
        if (request[0] == 'h' || request[0] == 'w') {
            ASSERT_GE(seen.size(), 2u);
            EXPECT_EQ(seen[seen.size() - 2].wire, Bytes({0x02, 0x6B, 0x95, 0x03}));
        }
    }
    EXPECT_EQ(s.sim.RequestCount(), std::size(cases) + 2);

    // In simulation every method answers at once, QueryTrigger with false, and
    // only ContinueWithoutHead writes.
    b.m_bDemo = true;
    s.sim.ClearRequests();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), c.answer);
    }
    ASSERT_TRUE(s.sim.WaitForRequests(1, 10000));
    const std::vector<sim::Request> seen = s.sim.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].wire, Bytes({0x02, 0x76, 0x8A, 0x03}));
}

TEST(ControlBoardQueries, BoardInformation) {
    SimBoard s;
    // The example reply, byte for byte.
    s.sim.InjectRawReply(
        Bytes({0x02, 0x6E, 0x10, 0x12, 0x01, 0x01, 0x00, 0x10, 0x12, 0x33, 0x2E, 0x30, 0x32,
               0x00, 0x30, 0x31, 0x30, 0x30, 0x31, 0x30, 0x30, 0x31, 0x00, 0x46, 0x03}));
    ASSERT_TRUE(s.board.ReadBoardInfo());
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x6E, 0x92, 0x03}));
    EXPECT_EQ(s.board.m_nRole, 2);
    EXPECT_EQ(s.board.m_nIntensitySetMode, 1);
    EXPECT_TRUE(s.board.m_bExternalTrigger);
    EXPECT_FALSE(s.board.m_bPersistence);
    EXPECT_EQ(s.board.m_nHeadCount, 2);
    EXPECT_EQ(s.board.m_strFirmwareVersion, "3.02");
    EXPECT_EQ(s.board.m_strBoardSerial, "01001001");

    BoardInfo info{3, 0, false, true, 1, "", "ABCDEFGH"};
    s.sim.SetBoard(info);
    ASSERT_TRUE(s.board.ReadBoardInfo());
    EXPECT_EQ(s.board.m_nRole, 3);
    EXPECT_TRUE(s.board.m_bPersistence);
    EXPECT_EQ(s.board.m_strFirmwareVersion, "");
    EXPECT_EQ(s.board.m_strBoardSerial, "ABCDEFGH");

    // A reply too short for the fixed fields keeps the members; so does a failed read.
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_READ_BOARD_INFO, Bytes({9, 9})));
    EXPECT_FALSE(s.board.ReadBoardInfo());
    s.sim.DropReplies(1);
    EXPECT_FALSE(s.board.ReadBoardInfo());
    EXPECT_EQ(s.board.m_nRole, 3);
    EXPECT_EQ(s.board.m_strBoardSerial, "ABCDEFGH");
}

TEST(ControlBoardQueries, WriteBoardInfoSerials) {
    SimBoard s;
    s.board.m_nRole = 4;
    s.board.m_nIntensitySetMode = 1;
    s.board.m_strBoardSerial = "0906021";
    ASSERT_TRUE(s.board.WriteBoardInfo());
    EXPECT_EQ(s.Last().payload, Bytes({4, 1, '0', '9', '0', '6', '0', '2', '1', 0}));
    EXPECT_EQ(s.sim.Board().boardSerial, "0906021");
    EXPECT_EQ(s.sim.Board().intensitySetMode, 1);

    s.board.m_strBoardSerial = "01001001";
    ASSERT_TRUE(s.board.WriteBoardInfo());
    EXPECT_EQ(s.Last().payload, Bytes({4, 1, '0', '1', '0', '0', '1', '0', '0', '1'}));
    s.board.m_strBoardSerial = "0100100199";
    ASSERT_TRUE(s.board.WriteBoardInfo());
    EXPECT_EQ(s.Last().payload, Bytes({4, 1, '0', '1', '0', '0', '1', '0', '0', '1'}));

    const std::size_t before = s.sim.RequestCount();
    s.board.m_strBoardSerial = "090602";
    EXPECT_THROW(s.board.WriteBoardInfo(), std::invalid_argument);
    // Nothing went out: the next request is the only new one.
    ASSERT_TRUE(s.board.StopPulseMode());
    EXPECT_EQ(s.sim.RequestCount(), before + 1);
    EXPECT_EQ(s.Last().code, CMD_STOP_PULSE);
}

TEST(ControlBoardQueries, HeadRecordReadAndBurn) {
    SimBoard s;
    HeadRecord want = sim::FactoryRecord("01001001", 1);
    SetFieldText(want.model, "KZD-2-365");
    want.reserved[15] = 0x10;
    s.sim.SetRecord(1, want);
    HeadRecord r{};
    ASSERT_TRUE(s.board.ReadHeadRecord(1, r));
    EXPECT_EQ(s.Last().payload, Bytes({1}));
    EXPECT_EQ(std::memcmp(&r, &want, sizeof r), 0);

    // 400 payload bytes: only the record's 360 change (the guard after it stays).
    struct {
        HeadRecord rec;
        uint8_t guard[64];
    } box;
    std::memset(&box, 0x55, sizeof box);
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_READ_HEAD_RECORD, std::vector<uint8_t>(400, 0x22)));
    ASSERT_TRUE(s.board.ReadHeadRecord(0, box.rec));
    EXPECT_EQ(RecordBytes(box.rec)[0], 0x22);
    EXPECT_EQ(RecordBytes(box.rec)[359], 0x22);
    for (uint8_t g : box.guard)
        ASSERT_EQ(g, 0x55);

    // 100 bytes: bytes 0-99 change, the rest stay.
    std::memset(&r, 0x77, sizeof r);
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_READ_HEAD_RECORD, std::vector<uint8_t>(100, 0x33)));
    ASSERT_TRUE(s.board.ReadHeadRecord(0, r));
    EXPECT_EQ(RecordBytes(r)[99], 0x33);
    EXPECT_EQ(RecordBytes(r)[100], 0x77);

    // No reply: nothing copied.
    s.sim.ReplyWithCode(kReplyAck);
    EXPECT_FALSE(s.board.ReadHeadRecord(0, r));
    EXPECT_EQ(RecordBytes(r)[0], 0x33);

    // A burn whose bytes all need stuffing arrives whole (the 729-byte frame
    // itself is pinned in the frame layer's tests).
    HeadRecord burn;
    std::memset(&burn, 0x10, sizeof burn);
    ASSERT_TRUE(s.board.WriteHeadRecord(1, burn));
    const HeadRecord burned = s.sim.Record(1);
    EXPECT_EQ(std::memcmp(&burned, &burn, sizeof burn), 0);
}

TEST(ControlBoardQueries, TriggerDacPhotoAndOutput) {
    SimBoard s;
    s.sim.InjectRawReply(Bytes({0x02, 0x71, 0x01, 0x8E, 0x03}));
    EXPECT_TRUE(s.board.QueryTrigger());
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_QUERY_TRIGGER, Bytes({2})));
    EXPECT_FALSE(s.board.QueryTrigger());
    EXPECT_FALSE(s.board.QueryTrigger());
    s.sim.FireTrigger();
    EXPECT_TRUE(s.board.QueryTrigger());
    EXPECT_FALSE(s.board.QueryTrigger()); // the controller reports a firing once

    ASSERT_TRUE(s.board.SetDacValue(0, 100));
    ASSERT_TRUE(s.board.SetDacValue(1, 200));
    uint16_t a = 1, b = 1;
    ASSERT_TRUE(s.board.ReadDac(a, b));
    EXPECT_EQ(a, 100);
    EXPECT_EQ(b, 200);
    s.sim.ReplyWithCode(kReplyAck); // an ACK does not answer a query
    EXPECT_FALSE(s.board.ReadDac(a, b));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);

    ASSERT_TRUE(s.board.SetIndex(1, 255));
    uint16_t counts = 0;
    ASSERT_TRUE(s.board.ReadPhoto(1, counts));
    EXPECT_EQ(s.Last().payload, Bytes({1}));
    EXPECT_GT(counts, 1500);
    s.sim.DropReplies(1);
    uint16_t kept = 4321;
    EXPECT_FALSE(s.board.ReadPhoto(0, kept));
    EXPECT_EQ(kept, 4321);

    // The controller sends the temperature after the float.
    float out = 0.0f;
    uint8_t temp = 0;
    ASSERT_TRUE(s.board.ReadOutput(1, out, temp));
    EXPECT_EQ(temp, static_cast<uint8_t>(std::lround(s.sim.Temperature(1))));
    EXPECT_GT(temp, 25);
    // A bare float reply: the float's third byte stands as the temperature.
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_READ_OUTPUT, Bytes({0x00, 0x00, 0x48, 0x41})));
    ASSERT_TRUE(s.board.ReadOutput(1, out, temp));
    EXPECT_EQ(out, 12.5f);
    EXPECT_EQ(temp, 0x48);
    // Too short for the float: refused, outputs untouched.
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_READ_OUTPUT, Bytes({1, 2})));
    EXPECT_FALSE(s.board.ReadOutput(1, out, temp));
    EXPECT_EQ(out, 12.5f);
    EXPECT_EQ(temp, 0x48);
}

TEST(ControlBoardSimulation, QueriesGiveTheirFixedAnswers) {
    SimBoard s;
    CControlBoard& b = s.board;
    b.m_bDemo = true;
    uint16_t counts = 0, da = 7, db = 7;
    EXPECT_TRUE(b.ReadPhoto(0, counts));
    EXPECT_EQ(counts, 350);
    EXPECT_TRUE(b.ReadDac(da, db));
    EXPECT_EQ(da, 0);
    EXPECT_EQ(db, 0);
    float out = 9.0f;
    uint8_t temp = 9;
    EXPECT_TRUE(b.ReadOutput(0, out, temp));
    EXPECT_EQ(out, 0.0f);
    EXPECT_EQ(temp, 0);
    HeadRecord r;
    std::memset(&r, 0xCC, sizeof r);
    EXPECT_TRUE(b.ReadHeadRecord(1, r));
    EXPECT_EQ(FieldText(r.model), "RVX-1-420");
    EXPECT_EQ(r.channel, 1);
    EXPECT_EQ(r.lcdFormat, 0xCC);
    EXPECT_TRUE(b.ReadBoardInfo());
    EXPECT_EQ(b.m_nRole, 1);
    EXPECT_EQ(b.m_nIntensitySetMode, 0);
    EXPECT_FALSE(b.m_bExternalTrigger);
    EXPECT_FALSE(b.m_bPersistence);
    EXPECT_EQ(b.m_nHeadCount, 2);
    EXPECT_EQ(b.m_strFirmwareVersion, "3.00");
    EXPECT_EQ(b.m_strBoardSerial, "01001001");
}

TEST(ControlBoardSimulation, WorksWithoutAPort) {
    CControlBoard b;
    b.m_bDemo = true;
    EXPECT_TRUE(b.SetIndex(0, 1));
    EXPECT_TRUE(b.ContinueWithoutHead()); // the write fails quietly, the answer stands
    EXPECT_TRUE(b.ReadBoardInfo());
    CControlBoard closed;
    EXPECT_FALSE(closed.SetIndex(0, 1)); // not in simulation: the wait runs out
}

TEST(ControlBoardFaults, EachCommandWaitsItsOwnTime) {
    // A late answer inside the longer waits is taken, beyond the short one it is not:
    // these margins (250 ms either way) are the point of the check. Each wait has a
    // controller of its own, all at once, so the test lasts as long as the longest.
    struct Check {
        uint8_t code;
        int delayMs;
        std::function<bool(CControlBoard&)> call;
        bool answered;
    };
    HeadRecord r{};
    const Check checks[] = {
        {CMD_SET_PERSISTENCE, 750, [](CControlBoard& b) { return b.SetPersistence(1); }, true},
        {CMD_STOP_PULSE, 750, [](CControlBoard& b) { return b.StopPulseMode(); }, false},
        {CMD_READ_HEAD_RECORD, 1250, [&](CControlBoard& b) { return b.ReadHeadRecord(0, r); },
         true},
        {CMD_WRITE_HEAD_RECORD, 1750,
         [](CControlBoard& b) { return b.WriteHeadRecord(0, HeadRecord{}); }, true},
    };
    std::vector<std::thread> runs;
    for (const Check& c : checks) {
        runs.emplace_back([&c] {
            SimBoard s;
            s.sim.SetCodeReplyDelay(c.code, c.delayMs);
            EXPECT_EQ(c.call(s.board), c.answered) << int(c.code);
            // A late ACK that comes before the next request is still its own.
            if (!c.answered) {
                EXPECT_TRUE(s.board.WaitAck(10000)) << int(c.code);
            }
        });
    }
    for (std::thread& t : runs)
        t.join();
}

TEST(ControlBoardFaults, WrongCodeBadChecksumAndLostReplies) {
    SimBoard s;
    BoxRecorder boxes;
    // Another code, a wrong checksum: false; the checksum fault shows its box.
    s.sim.ReplyWithCode(CMD_SET_INDEX);
    EXPECT_FALSE(s.board.SetIndex(0, 10));
    s.sim.CorruptChecksums(1);
    auto t0 = Clock::now();
    EXPECT_FALSE(s.board.SetIndex(0, 10));
    EXPECT_GE(ElapsedMs(t0), 490);
    const std::vector<BoxRecord> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Invaild Checksum");
    EXPECT_EQ(shown[0].caption, "Debug");

    // A reply in one-byte chunks parses as a whole (the DAC read that pays for the
    // corrupted reply included).
    s.sim.SetChunking(1, 1);
    uint16_t a = 0, b = 0;
    ASSERT_TRUE(s.board.SetDacValue(1, 0x1003));
    EXPECT_TRUE(s.board.ReadDac(a, b));
    EXPECT_EQ(b, 0x1003);
    s.sim.SetChunking(0);

    // A missed reply: false after the command's wait.
    s.sim.DropReplies(1);
    t0 = Clock::now();
    EXPECT_FALSE(s.board.SetIndex(0, 10));
    EXPECT_GE(ElapsedMs(t0), 490);
}

TEST(ControlBoardFaults, ALateReplyWithTheSameCodeIsNotTakenForTheNextRequest) {
    SimBoard s;
    ASSERT_TRUE(s.board.SetIndex(0, 255));
    uint16_t reading = 7;
    s.sim.SetCodeReplyDelay(CMD_READ_PHOTO, 700); // 200 ms after the wait
    EXPECT_FALSE(s.board.ReadPhoto(0, reading));
    EXPECT_EQ(reading, 7);
    s.sim.SetCodeReplyDelay(CMD_READ_PHOTO, 0);
    s.sim.SetOptics(0, sim::HeadOptics{0.001, 0, 1, 0, 25, 0}); // the head is dark now
    // The late reading of the bright head comes first; the dark one is this request's.
    EXPECT_TRUE(s.board.ReadPhoto(0, reading));
    EXPECT_EQ(reading, 0);
    const std::vector<sim::Request> seen = s.sim.Requests();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[2].code, CMD_READ_DAC);
    EXPECT_EQ(seen[3].code, CMD_READ_PHOTO);
}

TEST(ControlBoardFaults, HungUpPortFailsAfterTheWait) {
    SimBoard s;
    ASSERT_TRUE(s.board.SetIndex(0, 1));
    s.sim.HangUp();
    const auto t0 = Clock::now();
    EXPECT_FALSE(s.board.SetIndex(0, 2));
    EXPECT_GE(ElapsedMs(t0), 490);
    s.board.Close();
}

// Lost and late replies end to end: the board's own commands and waits, a thread of
// the test playing the controller on a bare pty with literal frames.
using Wire = std::vector<uint8_t>;

class ControlBoardLostReplies : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(board.Open(pty.Path().c_str(), 115200, 1000), SERIAL_OK); }

    static Wire Join(std::initializer_list<std::vector<uint8_t>> parts) {
        Wire all;
        for (const std::vector<uint8_t>& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    }

    BoxRecorder boxes;
    testing_support::PtyPair pty;
    CControlBoard board;

    const Wire kAck = Bytes({0x02, 0x06, 0xFA, 0x03});
    const Wire kDacQuery = Bytes({0x02, 0x6B, 0x95, 0x03});
    const Wire kDacReply = Bytes({0x02, 0x6B, 0x34, 0x12, 0x78, 0x56, 0x81, 0x03});
    const Wire kInfoQuery = Bytes({0x02, 0x6E, 0x92, 0x03});
    // Role 2, DAC, trigger on, persistence off, 2 heads, "3.02", "01001001".
    const Wire kInfoReply =
        Bytes({0x02, 0x6E, 0x10, 0x12, 0x01, 0x01, 0x00, 0x10, 0x12, 0x33, 0x2E, 0x30, 0x32,
               0x00, 0x30, 0x31, 0x30, 0x30, 0x31, 0x30, 0x30, 0x31, 0x00, 0x46, 0x03});
    // SetDualIntensity(1.0, 2.0).
    const Wire kSetDual =
        Bytes({0x02, 0x32, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0xCF, 0x03});
};

TEST_F(ControlBoardLostReplies, ABoardInformationRetryGoesOutAtOnceAndIsAnsweredAsItsOwn) {
    Wire retry;
    std::thread controller([&] {
        pty.Receive(kInfoQuery.size(), 5000); // lost
        retry = pty.Receive(kDacQuery.size() + kInfoQuery.size(), 5000);
        if (retry == Join({kDacQuery, kInfoQuery}))
            pty.Send(Join({kDacReply, kInfoReply}));
    });
    EXPECT_FALSE(board.ReadBoardInfo());
    EXPECT_TRUE(board.ReadBoardInfo());
    controller.join();
    // No wait for the lost reply: the retry goes out behind a DAC read, in one write.
    EXPECT_EQ(retry, Join({kDacQuery, kInfoQuery}));
    EXPECT_EQ(board.m_nRole, 2);
    EXPECT_EQ(board.m_strFirmwareVersion, "3.02");
    EXPECT_EQ(board.m_strBoardSerial, "01001001");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ControlBoardLostReplies, ABurnBehindALateReplyIsRefusedWithNothingOfItOnTheWire) {
    HeadRecord record;
    std::memset(RecordBytes(record), 0x41, kHeadRecordSize);
    platform::ManualResetEvent burnReturned;
    Wire set, sync;
    std::thread controller([&] {
        set = pty.Receive(kSetDual.size(), 5000);
        sync = pty.Receive(kDacQuery.size(), 5000);
        // Still busy with the set: its ACK and the DAC reply come after the burn gave up.
        burnReturned.Wait(10000);
        pty.Send(Join({kAck, kDacReply}));
    });
    EXPECT_FALSE(board.SetDualIntensity(1.0f, 2.0f));
    EXPECT_FALSE(board.WriteHeadRecord(0, record));
    burnReturned.Set();
    controller.join();
    EXPECT_EQ(set, kSetDual);
    EXPECT_EQ(sync, kDacQuery);
    EXPECT_TRUE(pty.Drain().empty()); // nothing of the burn
    // A burn the controller answers goes through.
    std::thread answer([&] {
        const Wire query = pty.Receive(4, 5000);
        pty.Send(query == kDacQuery ? kDacReply : kInfoReply);
        if (pty.Receive(367, 5000).size() == 367)
            pty.Send(kAck);
    });
    EXPECT_TRUE(board.WriteHeadRecord(0, record));
    answer.join();
}

TEST_F(ControlBoardLostReplies, ACorruptedReplyThenAGoodRetrySucceedsWhileTheBoxIsPending) {
    platform::ManualResetEvent queued;
    platform::SetMessageBoxOwner([&] { queued.Set(); });
    Wire corrupted = kInfoReply;
    corrupted[corrupted.size() - 2] = 0x47;
    std::thread controller([&] {
        pty.Receive(kInfoQuery.size(), 5000);
        pty.Send(corrupted);
        if (pty.Receive(kDacQuery.size() + kInfoQuery.size(), 5000) ==
            Join({kDacQuery, kInfoQuery}))
            pty.Send(Join({kDacReply, kInfoReply}));
    });
    EXPECT_FALSE(board.ReadBoardInfo());
    EXPECT_TRUE(board.ReadBoardInfo()); // the box is still queued: nobody has shown it
    controller.join();
    EXPECT_EQ(board.m_strBoardSerial, "01001001");
    ASSERT_TRUE(queued.Wait(5000));
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(platform::ServicePendingMessageBoxes(), 1);
    EXPECT_EQ(boxes.Count("Invaild Checksum"), 1u);
    board.Close(); // the read thread may still be in the wake-up that set `queued`
    platform::ReleaseMessageBoxOwner();
}

} // namespace
