#include "tools/sim/Firmware.h"
#include "tools/sim/Frame.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

TEST(SimFrame, EncodesTheProtocolsExampleFrames) {
    EXPECT_EQ(sim::EncodeFrame(0x06, {}), Bytes({0x02, 0x06, 0xFA, 0x03}));
    EXPECT_EQ(sim::EncodeFrame(100, Bytes({2})), Bytes({0x02, 0x64, 0x10, 0x12, 0x9A, 0x03}));
    EXPECT_EQ(sim::EncodeFrame(51, Bytes({16, 0, 3, 0})),
              Bytes({0x02, 0x33, 0x10, 0x20, 0x00, 0x10, 0x13, 0x00, 0xBA, 0x03}));
    EXPECT_EQ(sim::EncodeFrame(0x06, {}, 1), Bytes({0x02, 0x06, 0xFB, 0x03}));
}

TEST(SimFrame, DecodesAcrossChunksAndFlagsBadChecksums) {
    std::vector<sim::DecodedFrame> frames;
    sim::FrameDecoder d;
    auto sink = [&](sim::DecodedFrame&& f) { frames.push_back(std::move(f)); };
    const std::vector<uint8_t> wire = {0xAA, 0x02, 0x33, 0x10, 0x20, 0x00, 0x10, 0x13,
                                       0x00, 0xBA, 0x03, 0x02, 0x06, 0xFB, 0x03};
    for (uint8_t b : wire) // one byte at a time, even between DLE and its byte
        d.Feed(&b, 1, sink);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, 51);
    EXPECT_EQ(frames[0].payload, Bytes({16, 0, 3, 0}));
    EXPECT_TRUE(frames[0].checksumOk);
    EXPECT_EQ(frames[0].wire.size(), 10u);
    EXPECT_EQ(frames[1].code, 6);
    EXPECT_FALSE(frames[1].checksumOk);

    // A new STX drops a frame in progress; an oversized frame is dropped whole.
    frames.clear();
    std::vector<uint8_t> big(2000, 0x41);
    big.insert(big.begin(), 0x02);
    big.push_back(0x03);
    d.Feed(big.data(), big.size(), sink);
    const std::vector<uint8_t> cut = {0x02, 0x61, 0x00, 0x02, 0x06, 0xFA, 0x03};
    d.Feed(cut.data(), cut.size(), sink);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].code, 6);
}

struct Fw {
    explicit Fw(sim::FirmwareOptions o = Quiet()) : fw(o) {}
    static sim::FirmwareOptions Quiet() {
        sim::FirmwareOptions o;
        o.noiseCounts = 0.0;
        return o;
    }
    bool Send(uint8_t code, std::vector<uint8_t> payload) {
        return fw.Handle(code, payload, reply, changed);
    }
    sim::Firmware fw;
    sim::Firmware::Reply reply;
    int changed = -1;
};

TEST(SimFirmware, LightModelIsSmoothMonotonicAndSlightlyNonLinear) {
    Fw f;
    double last = -1.0;
    for (int index = 0; index <= 255; ++index) {
        ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({0, index, 0})));
        const double out = f.fw.OpticalOutput(0);
        EXPECT_GT(out, last);
        last = out;
    }
    EXPECT_NEAR(last, 85.0, 1e-9);
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({0, 128, 0})));
    const double half = f.fw.OpticalOutput(0);
    EXPECT_GT(half, 0.5 * 85.0 * 1.02); // above the straight line
    EXPECT_LT(half, 0.5 * 85.0 * 1.2);
    // Beyond 255 the drive stays at full.
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({0, 0x2C, 0x01})));
    EXPECT_NEAR(f.fw.OpticalOutput(0), 85.0, 1e-9);
    // The heads differ.
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({2, 255, 0})));
    EXPECT_NEAR(f.fw.OpticalOutput(1), 70.0, 1e-9);
    // The held DAC value scales the output in PWM mode.
    ASSERT_TRUE(f.Send(CMD_SET_DAC_VALUE, Bytes({1, 70, 0})));
    EXPECT_NEAR(f.fw.OpticalOutput(1), 35.0, 1e-9);
}

TEST(SimFirmware, SetPointPhotodiodeBeliefAndTemperature) {
    Fw f;
    HeadRecord& rec = f.fw.channels[0].record;
    rec.mwToIndex[0] = 0.0f;
    rec.mwToIndex[1] = 2.0f;
    rec.mwToIndex[2] = 1.0f;
    ASSERT_TRUE(f.Send(CMD_SET_INTENSITY, Bytes({0, 0, 0, 0x20, 0x41}))); // 10.0 mW
    EXPECT_EQ(f.fw.channels[0].index, 21);

    const uint16_t counts = f.fw.PhotoCounts(0);
    const double out = f.fw.OpticalOutput(0);
    EXPECT_NEAR(counts, 20.0 * out * (1 - 0.04 * out / 85.0), 0.5);
    rec.photoToMw[0] = 0.5f;
    rec.photoToMw[1] = 2.0f;
    rec.photoToMw[2] = 3.0f;
    ASSERT_TRUE(f.Send(CMD_READ_OUTPUT, Bytes({0})));
    EXPECT_EQ(f.reply.code, CMD_READ_OUTPUT);
    ASSERT_EQ(f.reply.payload.size(), 5u);
    float believed;
    std::memcpy(&believed, f.reply.payload.data(), 4);
    EXPECT_FLOAT_EQ(believed,
                    static_cast<float>((0.5 * counts * counts + 2.0 * counts + 3) / 1000));
    EXPECT_EQ(f.reply.payload[4], static_cast<uint8_t>(std::lround(f.fw.Temperature(0))));

    // Hotter with more output, hotter still with the fan off.
    const double warm = f.fw.Temperature(0);
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({0, 255, 0})));
    const double hot = f.fw.Temperature(0);
    EXPECT_GT(hot, warm);
    ASSERT_TRUE(f.Send(CMD_SET_HEAD_FAN, Bytes({0})));
    EXPECT_GT(f.fw.Temperature(0), hot);
    EXPECT_FALSE(f.fw.fanOn);
}

TEST(SimFirmware, OverTemperatureLatchesUntilCancelled) {
    Fw f;
    f.fw.channels[0].record.maxTemperature = 35;
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({0, 255, 0})));
    EXPECT_TRUE(f.fw.channels[0].overTemperature);
    EXPECT_EQ(f.fw.OpticalOutput(0), 0.0);
    ASSERT_TRUE(f.Send(CMD_HEAD_OFF, Bytes({0})));
    ASSERT_TRUE(f.Send(CMD_CANCEL_OVERTEMP, {}));
    EXPECT_FALSE(f.fw.channels[0].overTemperature);
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({0, 50, 0})));
    EXPECT_GT(f.fw.OpticalOutput(0), 0.0);
}

TEST(SimFirmware, BoardInformationAndRecords) {
    Fw f;
    ASSERT_TRUE(f.Send(CMD_READ_BOARD_INFO, {}));
    EXPECT_EQ(f.reply.code, CMD_READ_BOARD_INFO);
    EXPECT_EQ(f.reply.payload, Bytes({1, 0, 0, 0, 2, '3', '.', '0', '2', 0, '0', '1', '0', '0', '1',
                                      '0', '0', '1', 0}));
    ASSERT_TRUE(f.Send(CMD_WRITE_BOARD_INFO, Bytes({3, 1, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 0})));
    EXPECT_EQ(f.reply.code, kReplyAck);
    EXPECT_EQ(f.fw.board.role, 3);
    EXPECT_EQ(f.fw.board.boardSerial, "ABCDEFG");

    std::vector<uint8_t> burn = {1, 0x68, 0x01};
    burn.resize(363, 0x5A);
    ASSERT_TRUE(f.Send(CMD_WRITE_HEAD_RECORD, burn));
    EXPECT_EQ(f.reply.code, kReplyAck);
    EXPECT_EQ(f.changed, 1);
    EXPECT_EQ(RecordBytes(f.fw.channels[1].record)[359], 0x5A);
    burn.pop_back(); // length field and bytes disagree: not acknowledged
    ASSERT_TRUE(f.Send(CMD_WRITE_HEAD_RECORD, burn));
    EXPECT_EQ(f.reply.code, CMD_WRITE_HEAD_RECORD);
    EXPECT_EQ(f.changed, -1);

    ASSERT_TRUE(f.Send(CMD_READ_HEAD_RECORD, Bytes({1})));
    EXPECT_EQ(f.reply.payload.size(), 360u);
    ASSERT_TRUE(f.Send(CMD_ERASE_HEAD_EEPROM, Bytes({1})));
    EXPECT_EQ(f.changed, 1);
    EXPECT_EQ(RecordBytes(f.fw.channels[1].record)[0], 0xFF);

    // An absent head: queries get an ACK, burns their own code; neither can pass.
    f.fw.channels[1].present = false;
    ASSERT_TRUE(f.Send(CMD_READ_HEAD_RECORD, Bytes({1})));
    EXPECT_EQ(f.reply.code, kReplyAck);
    ASSERT_TRUE(f.Send(CMD_READ_PHOTO, Bytes({1})));
    EXPECT_EQ(f.reply.code, kReplyAck);
    ASSERT_TRUE(f.Send(CMD_ERASE_HEAD_EEPROM, Bytes({1})));
    EXPECT_EQ(f.reply.code, CMD_ERASE_HEAD_EEPROM);

    // Unknown codes and short payloads get no answer.
    EXPECT_FALSE(f.Send(117, {}));
    EXPECT_FALSE(f.Send(CMD_SET_INTENSITY, Bytes({0, 1})));
}

TEST(SimFirmware, TriggerPulseAndSwitches) {
    Fw f;
    ASSERT_TRUE(f.Send(CMD_QUERY_TRIGGER, {}));
    EXPECT_EQ(f.reply.payload, Bytes({0}));
    f.fw.FireTrigger();
    ASSERT_TRUE(f.Send(CMD_QUERY_TRIGGER, {}));
    EXPECT_EQ(f.reply.payload, Bytes({1}));
    ASSERT_TRUE(f.Send(CMD_QUERY_TRIGGER, {}));
    EXPECT_EQ(f.reply.payload, Bytes({0}));

    ASSERT_TRUE(f.Send(CMD_START_PULSE, Bytes({2, 0xE8, 0x03, 0xD0, 0x07, 100, 3, 5, 0})));
    EXPECT_TRUE(f.fw.pulse.running);
    EXPECT_EQ(f.fw.pulse.onMs, 1000);
    EXPECT_EQ(f.fw.pulse.offMs, 2000);
    EXPECT_EQ(f.fw.pulse.mode, 3);
    EXPECT_EQ(f.fw.pulse.count, 5);
    ASSERT_TRUE(f.Send(CMD_STOP_PULSE, {}));
    EXPECT_FALSE(f.fw.pulse.running);

    ASSERT_TRUE(f.Send(CMD_SET_EXTERNAL_TRIGGER, Bytes({1})));
    EXPECT_TRUE(f.fw.board.externalTrigger);
    ASSERT_TRUE(f.Send(CMD_SET_PERSISTENCE, Bytes({2}))); // only 1 enables
    EXPECT_FALSE(f.fw.board.persistence);
    ASSERT_TRUE(f.Send(CMD_SET_DUAL_INDEX, Bytes({10, 0, 20, 0})));
    EXPECT_EQ(f.fw.channels[0].index, 10);
    EXPECT_EQ(f.fw.channels[1].index, 20);
}

} // namespace

namespace {

// Whether channel `ch` emits light at `ms` on the firmware's clock.
bool Lit(Fw& f, int ch, uint64_t ms) {
    f.fw.SetClock(ms);
    return f.fw.OpticalOutput(ch) > 0.0;
}

TEST(SimFirmwarePulse, CountedTrainFollowsItsScheduleThenGoesDark) {
    Fw f;
    f.fw.SetClock(1000);
    ASSERT_TRUE(f.Send(CMD_SET_INDEX, Bytes({1, 50, 0}))); // B lit before the train
    // Channel A, on 200 ms, off 300 ms, index 200, mode 0, 3 pulses: 1000 to 2500 ms.
    ASSERT_TRUE(f.Send(CMD_START_PULSE, Bytes({0, 200, 0, 0x2C, 0x01, 200, 0, 3, 0})));
    EXPECT_EQ(f.reply.code, kReplyAck);
    const std::vector<std::pair<uint64_t, bool>> schedule = {
        {1000, true},  {1199, true},  {1200, false}, {1499, false}, {1500, true},
        {1699, true},  {1700, false}, {2000, true},  {2199, true},  {2200, false},
        {2499, false}, {2500, false}, {9000, false}};
    for (const auto& [ms, lit] : schedule)
        EXPECT_EQ(Lit(f, 0, ms), lit) << "at " << ms << " ms";
    EXPECT_FALSE(f.fw.pulse.running);
    EXPECT_TRUE(Lit(f, 1, 9000)); // the other channel keeps its own light
    // Index 200 lights as a set index 200 does.
    Fw g;
    ASSERT_TRUE(g.Send(CMD_SET_INDEX, Bytes({0, 200, 0})));
    Fw h;
    ASSERT_TRUE(h.Send(CMD_START_PULSE, Bytes({0, 200, 0, 0x2C, 0x01, 200, 0, 3, 0})));
    EXPECT_DOUBLE_EQ(h.fw.OpticalOutput(0), g.fw.OpticalOutput(0));
}

TEST(SimFirmwarePulse, ManualRunsUntilStoppedTriggerWaitsAndNoPulsesEndAtOnce) {
    Fw f;
    // Both channels, on 100, off 100, mode 2 (manual), count 1: still pulsing much later.
    ASSERT_TRUE(f.Send(CMD_START_PULSE, Bytes({2, 100, 0, 100, 0, 80, 2, 1, 0})));
    EXPECT_TRUE(Lit(f, 0, 100050));
    EXPECT_TRUE(Lit(f, 1, 100050));
    EXPECT_FALSE(Lit(f, 1, 100150));
    EXPECT_EQ(f.fw.PulseNumber(), 501u); // 100150 ms into 200 ms periods
    ASSERT_TRUE(f.Send(CMD_STOP_PULSE, {}));
    EXPECT_FALSE(Lit(f, 0, 100200));

    // Mode 3: dark until the trigger, then 2 pulses of 100 + 100 ms.
    ASSERT_TRUE(f.Send(CMD_START_PULSE, Bytes({1, 100, 0, 100, 0, 80, 3, 2, 0})));
    EXPECT_FALSE(Lit(f, 1, 150000));
    EXPECT_TRUE(f.fw.pulse.running);
    f.fw.FireTrigger();
    EXPECT_TRUE(Lit(f, 1, 150050));
    EXPECT_FALSE(Lit(f, 1, 150150));
    EXPECT_TRUE(Lit(f, 1, 150250));
    EXPECT_FALSE(Lit(f, 1, 150400));
    EXPECT_FALSE(f.fw.pulse.running);

    // A counted train of zero pulses, or of zero-length pulses, is over at once.
    ASSERT_TRUE(f.Send(CMD_START_PULSE, Bytes({0, 100, 0, 100, 0, 80, 0, 0, 0})));
    EXPECT_FALSE(f.fw.pulse.running);
    ASSERT_TRUE(f.Send(CMD_START_PULSE, Bytes({0, 0, 0, 0, 0, 80, 0, 10, 0})));
    EXPECT_FALSE(f.fw.pulse.running);
}

} // namespace
