#include "controller_sim_support.h"
#include "tools/sim/Frame.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(ControlBoardWire, ExampleRequestsByteForByte) {
    SimBoard s;
    ASSERT_TRUE(s.board.SetIntensity(0, 0.0f));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x64, 0x00, 0x9C, 0x03}));
    ASSERT_TRUE(s.board.SetIntensity(0, -0.0f));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x64, 0x00, 0x9C, 0x03}));
    ASSERT_TRUE(s.board.SetIntensity(0, 12.5f));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x61, 0x00, 0x00, 0x00, 0x48, 0x41, 0x16, 0x03}));
    ASSERT_TRUE(s.board.SetIntensity(1, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(s.Last().code, CMD_SET_INTENSITY);
    ASSERT_TRUE(s.board.HeadOff(2));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x64, 0x10, 0x12, 0x9A, 0x03}));
    ASSERT_TRUE(s.board.SetDualIndex(16, 3));
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x33, 0x10, 0x20, 0x00, 0x10, 0x13, 0x00, 0xBA, 0x03}));
    ASSERT_TRUE(s.board.StopPulseMode());
    EXPECT_EQ(s.LastWire(), Bytes({0x02, 0x74, 0x8C, 0x03}));
}

// Every command method: the request the controller decodes, and its answer.
TEST(ControlBoardWire, EveryCommandSendsItsPayloadAndIsAcknowledged) {
    SimBoard s;
    CControlBoard& b = s.board;
    struct Case {
        const char* name;
        std::function<bool()> call;
        uint8_t code;
        std::vector<uint8_t> payload;
    };
    const Case cases[] = {
        {"SetDualIntensity", [&] { return b.SetDualIntensity(1.0f, -2.0f); },
         CMD_SET_DUAL_INTENSITY, Bytes({0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0})},
        {"SetDualIndex", [&] { return b.SetDualIndex(0x1234, 255); }, CMD_SET_DUAL_INDEX,
         Bytes({0x34, 0x12, 0xFF, 0})},
        {"SetIntensity", [&] { return b.SetIntensity(1, 2.0f); }, CMD_SET_INTENSITY,
         Bytes({1, 0, 0, 0, 0x40})},
        {"SetIndex", [&] { return b.SetIndex(0, 300); }, CMD_SET_INDEX, Bytes({0, 0x2C, 0x01})},
        {"SetPwmIndex", [&] { return b.SetPwmIndex(1, 200); }, CMD_SET_PWM_INDEX, Bytes({1, 200})},
        {"HeadOff", [&] { return b.HeadOff(1); }, CMD_HEAD_OFF, Bytes({1})},
        {"SetHeadFan", [&] { return b.SetHeadFan(0); }, CMD_SET_HEAD_FAN, Bytes({0})},
        {"EnterCalibrationMode",
         [&] { return b.EnterCalibrationMode(); },
         CMD_ENTER_CALIBRATION_MODE,
         {}},
        {"SetExternalTrigger", [&] { return b.SetExternalTrigger(1); }, CMD_SET_EXTERNAL_TRIGGER,
         Bytes({1})},
        {"SetDacValue", [&] { return b.SetDacValue(0, 0x0203); }, CMD_SET_DAC_VALUE,
         Bytes({0, 3, 2})},
        {"CancelOvertempProtection",
         [&] { return b.CancelOvertempProtection(); },
         CMD_CANCEL_OVERTEMP,
         {}},
        {"SetPersistence", [&] { return b.SetPersistence(1); }, CMD_SET_PERSISTENCE, Bytes({1})},
        {"StartPulseMode", [&] { return b.StartPulseMode(2, 1500, 500, 128, 3, 10); },
         CMD_START_PULSE, Bytes({2, 0xDC, 0x05, 0xF4, 0x01, 128, 3, 10, 0})},
        {"StopPulseMode", [&] { return b.StopPulseMode(); }, CMD_STOP_PULSE, {}},
        {"ContinueWithoutHead",
         [&] { return b.ContinueWithoutHead(); },
         CMD_CONTINUE_WITHOUT_HEAD,
         {}},
        {"EraseHeadEeprom", [&] { return b.EraseHeadEeprom(1); }, CMD_ERASE_HEAD_EEPROM,
         Bytes({1})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.call());
        const sim::Request last = s.Last();
        EXPECT_TRUE(last.checksumOk);
        EXPECT_EQ(last.code, c.code);
        EXPECT_EQ(last.payload, c.payload);
    }
    EXPECT_EQ(s.sim.RequestCount(), std::size(cases));
    // The controller acted on them.
    EXPECT_TRUE(s.sim.Board().externalTrigger);
    EXPECT_TRUE(s.sim.Board().persistence);
    EXPECT_FALSE(s.sim.FanOn());
    EXPECT_TRUE(s.sim.CalibrationMode());
    EXPECT_TRUE(s.sim.DebugWithoutHead());
    EXPECT_EQ(s.sim.Record(1).model[0], '\xFF'); // erased
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

    // A failed read keeps the members; so does a reply too short for the fixed fields.
    s.sim.DropReplies(1);
    EXPECT_FALSE(s.board.ReadBoardInfo());
    s.sim.InjectRawReply(sim::EncodeFrame(CMD_READ_BOARD_INFO, Bytes({9, 9})));
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

    // A burn whose bytes all need stuffing: 729 bytes on the wire, nothing lost.
    // Channel 2 is stuffed too; a few 0x02 and 0x03 bytes make the checksum 0x10.
    HeadRecord burn;
    std::memset(&burn, 0x10, sizeof burn);
    for (int i = 0; i < 9; ++i)
        burn.reserved[i] = 0x03;
    for (int i = 0; i < 17; ++i)
        burn.multiCalNames[9][i] = 0x02;
    s.sim.SetHeadPresent(0, false); // channel 2 is no head: the burn is not acknowledged
    EXPECT_FALSE(s.board.WriteHeadRecord(2, burn));
    EXPECT_EQ(s.Last().wire.size(), 729u);
    EXPECT_EQ(s.Last().wire[727], 0x20); // checksum 0x10, stuffed
    ASSERT_TRUE(s.board.WriteHeadRecord(1, burn));
    const sim::Request last = s.Last();
    ASSERT_EQ(last.payload.size(), 363u);
    EXPECT_EQ(last.payload[0], 1);
    EXPECT_EQ(last.payload[1], 0x68); // 360, low byte first
    EXPECT_EQ(last.payload[2], 0x01);
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

TEST(ControlBoardSimulation, AnswersWithoutWritingExceptContinueWithoutHead) {
    SimBoard s;
    CControlBoard& b = s.board;
    b.m_bDemo = true;
    b.m_strBoardSerial = "0906021";
    EXPECT_TRUE(b.SetDualIntensity(1, 2));
    EXPECT_TRUE(b.SetDualIndex(1, 2));
    EXPECT_TRUE(b.SetIntensity(0, 5.0f));
    EXPECT_TRUE(b.SetIntensity(0, 0.0f));
    EXPECT_TRUE(b.SetIndex(0, 5));
    EXPECT_TRUE(b.SetPwmIndex(0, 5));
    EXPECT_TRUE(b.HeadOff(2));
    EXPECT_TRUE(b.SetHeadFan(0));
    EXPECT_TRUE(b.WriteHeadRecord(0, HeadRecord{}));
    EXPECT_TRUE(b.EnterCalibrationMode());
    EXPECT_TRUE(b.SetExternalTrigger(1));
    EXPECT_TRUE(b.SetDacValue(0, 1));
    EXPECT_TRUE(b.CancelOvertempProtection());
    EXPECT_TRUE(b.WriteBoardInfo());
    EXPECT_TRUE(b.SetPersistence(1));
    EXPECT_TRUE(b.StartPulseMode(0, 1, 1, 1, 0, 1));
    EXPECT_TRUE(b.StopPulseMode());
    EXPECT_TRUE(b.EraseHeadEeprom(0));
    EXPECT_FALSE(b.QueryTrigger());
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

    EXPECT_TRUE(b.ContinueWithoutHead());
    ASSERT_TRUE(s.sim.WaitForRequests(1, 2000));
    const std::vector<sim::Request> seen = s.sim.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].wire, Bytes({0x02, 0x76, 0x8A, 0x03}));
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

TEST(ControlBoardFaults, WaitsAndFailures) {
    SimBoard s;
    BoxRecorder boxes;
    // A missed reply: false after the command's wait.
    s.sim.DropReplies(1);
    auto t0 = Clock::now();
    EXPECT_FALSE(s.board.SetIndex(0, 10));
    EXPECT_GE(ElapsedMs(t0), 490);
    EXPECT_LT(ElapsedMs(t0), 1200);

    // A late answer inside the longer waits is taken, beyond the short one it is not.
    s.sim.SetReplyDelay(750);
    EXPECT_TRUE(s.board.SetPersistence(1));                      // 1000 ms
    EXPECT_FALSE(s.board.StopPulseMode());                       // 500 ms
    std::this_thread::sleep_for(std::chrono::milliseconds(700)); // let the late ACK pass
    s.sim.SetReplyDelay(1250);
    HeadRecord r{};
    EXPECT_TRUE(s.board.ReadHeadRecord(0, r));                // 1500 ms
    EXPECT_TRUE(s.board.WriteHeadRecord(0, s.sim.Record(0))); // 2000 ms
    s.sim.SetReplyDelay(0);

    // Another code, a wrong checksum: false; the checksum fault shows its box.
    s.sim.ReplyWithCode(CMD_SET_INDEX);
    EXPECT_FALSE(s.board.SetIndex(0, 10));
    s.sim.CorruptChecksums(1);
    t0 = Clock::now();
    EXPECT_FALSE(s.board.SetIndex(0, 10));
    EXPECT_GE(ElapsedMs(t0), 490);
    const std::vector<BoxRecord> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Invaild Checksum");
    EXPECT_EQ(shown[0].caption, "Debug");

    // A reply in one-byte chunks parses as a whole.
    s.sim.SetChunking(1, 1);
    uint16_t a = 0, b = 0;
    ASSERT_TRUE(s.board.SetDacValue(1, 0x1003));
    EXPECT_TRUE(s.board.ReadDac(a, b));
    EXPECT_EQ(b, 0x1003);
    s.sim.SetChunking(0);
}

TEST(ControlBoardFaults, LateReplyWithTheSameCodeIsTaken) {
    SimBoard s;
    ASSERT_TRUE(s.board.SetIndex(0, 255));
    uint16_t reading = 0;
    s.sim.HoldNextReply();
    EXPECT_FALSE(s.board.ReadPhoto(0, reading));
    s.sim.SetOptics(0, sim::HeadOptics{0.001, 0, 1, 0, 25, 0}); // the head is dark now
    s.sim.DropReplies(1); // only the held reply answers the next request
    EXPECT_TRUE(s.board.ReadPhoto(0, reading));
    EXPECT_GT(reading, 1500);
    EXPECT_TRUE(s.board.ReadPhoto(0, reading));
    EXPECT_EQ(reading, 0);
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

} // namespace
