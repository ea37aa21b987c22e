#include "link/ControllerCommand.h"
#include "link/HeadRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

HeadRecord Filled(uint8_t value) {
    HeadRecord r;
    std::memset(&r, value, sizeof r);
    return r;
}

float FloatAt(const HeadRecord& r, std::size_t offset) {
    float f;
    std::memcpy(&f, RecordBytes(r) + offset, 4);
    return f;
}

TEST(HeadRecordLayout, FieldsLandAtTheirImageOffsets) {
    HeadRecord r = Filled(0);
    r.marker = 'V';
    SetFieldText(r.model, "RVX-1-420");
    SetFieldText(r.serial, "0606001");
    r.calMonth = 12;
    r.calDay = 31;
    r.calYear = 19;
    r.mwToIndex[1] = 2.5f;
    r.photoToMw[2] = -1.0f;
    r.avgStep = 0.75f;
    r.initialDacPwm = -2;
    r.maxPwm = 0xFE;
    r.maxTemperature = 0x64;
    r.tempCoeffs[0] = 3.0f;
    r.enableCalibration = 1;
    r.channel = 1;
    SetFieldText(r.boardSerial, "0906021");
    r.lcdFormat = 2;
    r.multiCalCount = 3;
    SetFieldText(r.multiCalNames[9], "Last");
    r.multiCalFactors[9] = 4.0f;
    r.reserved[15] = 0xAB;

    const uint8_t* b = RecordBytes(r);
    EXPECT_EQ(b[0], 'V');
    EXPECT_EQ(std::memcmp(b + 1, "RVX-1-420", 10), 0);
    EXPECT_EQ(std::memcmp(b + 13, "0606001", 8), 0);
    EXPECT_EQ(b[25], 12);
    EXPECT_EQ(b[26], 31);
    EXPECT_EQ(b[27], 19);
    EXPECT_EQ(FloatAt(r, 32), 2.5f);
    EXPECT_EQ(FloatAt(r, 48), -1.0f);
    EXPECT_EQ(FloatAt(r, 52), 0.75f);
    EXPECT_EQ(b[56], 0xFE); // int16 -2, low byte first
    EXPECT_EQ(b[57], 0xFF);
    EXPECT_EQ(b[58], 0xFE);
    EXPECT_EQ(b[59], 0x64);
    EXPECT_EQ(FloatAt(r, 60), 3.0f);
    EXPECT_EQ(b[72], 1);
    EXPECT_EQ(b[73], 1);
    EXPECT_EQ(std::memcmp(b + 74, "0906021", 8), 0);
    EXPECT_EQ(b[82], 2);
    EXPECT_EQ(b[83], 3);
    EXPECT_EQ(std::memcmp(b + 84 + 9 * 22, "Last", 5), 0);
    EXPECT_EQ(FloatAt(r, 304 + 36), 4.0f);
    EXPECT_EQ(b[359], 0xAB);
    // 1.0f little-endian is 00 00 80 3F.
    r.mwToIndex[0] = 1.0f;
    EXPECT_EQ(b[28], 0x00);
    EXPECT_EQ(b[31], 0x3F);
}

TEST(HeadRecordCopy, ShortSourceKeepsTheRestAndLongSourceStopsAt360) {
    HeadRecord r = Filled(0xEE);
    std::vector<uint8_t> hundred(100, 0x11);
    CopyIntoRecord(r, hundred.data(), hundred.size());
    EXPECT_EQ(RecordBytes(r)[99], 0x11);
    EXPECT_EQ(RecordBytes(r)[100], 0xEE);

    // The record sits between guard bytes that a 400-byte copy must not reach.
    struct {
        HeadRecord rec;
        uint8_t guard[40];
    } box;
    std::memset(&box, 0x55, sizeof box);
    std::vector<uint8_t> four(400, 0x22);
    CopyIntoRecord(box.rec, four.data(), four.size());
    EXPECT_EQ(RecordBytes(box.rec)[359], 0x22);
    for (uint8_t g : box.guard)
        EXPECT_EQ(g, 0x55);
}

TEST(HeadRecordSimulation, DefaultOnChannelBKeepsUntouchedBytes) {
    HeadRecord r = Filled(0xCC);
    ApplySimulationDefault(r, 1);
    EXPECT_EQ(FieldText(r.model), "RVX-1-420");
    EXPECT_EQ(FieldText(r.serial), "0606001");
    EXPECT_EQ(CalibrationDateText(r), "06/06/06");
    EXPECT_EQ(r.mwToIndex[0], 1.0f);
    EXPECT_EQ(r.mwToIndex[1], 1.0f);
    EXPECT_EQ(r.mwToIndex[2], 0.0f);
    EXPECT_EQ(r.photoToMw[0], 1.0f);
    EXPECT_EQ(r.photoToMw[2], 0.0f);
    EXPECT_EQ(r.avgStep, 1.0f);
    EXPECT_EQ(r.initialDacPwm, 140);
    EXPECT_EQ(r.maxPwm, 255);
    EXPECT_EQ(r.maxTemperature, 100);
    EXPECT_EQ(r.tempCoeffs[1], 1.0f);
    EXPECT_EQ(r.enableCalibration, 1);
    EXPECT_EQ(r.channel, 1);
    EXPECT_EQ(FieldText(r.boardSerial), "0906021");
    EXPECT_EQ(r.multiCalCount, 1);
    EXPECT_EQ(FieldText(r.multiCalNames[0]), "Normal");
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(r.multiCalNames[i][0], 0);
    for (float f : r.multiCalFactors)
        EXPECT_EQ(f, 1.0f);
    // Left as they were: marker, lcdFormat, reserved, bytes after each NUL.
    EXPECT_EQ(r.marker, 0xCC);
    EXPECT_EQ(r.lcdFormat, 0xCC);
    EXPECT_EQ(r.reserved[0], 0xCC);
    EXPECT_EQ(static_cast<uint8_t>(r.model[10]), 0xCC);
    EXPECT_EQ(static_cast<uint8_t>(r.multiCalNames[0][7]), 0xCC);
    EXPECT_EQ(static_cast<uint8_t>(r.multiCalNames[1][1]), 0xCC);
}

TEST(HeadRecordText, ReadStopsAtNulOrFieldEndAndKeepsCp1252Bytes) {
    HeadRecord r = Filled(0);
    std::memset(r.model, 'M', sizeof r.model); // no terminator at all
    EXPECT_EQ(FieldText(r.model), std::string(12, 'M'));
    EXPECT_EQ(FieldText(r.serial), "");
    SetFieldText(r.serial, "\xB5W-\xB2");
    EXPECT_EQ(FieldText(r.serial), "\xB5W-\xB2");

    // Too long for the field: cut to 7 characters and a NUL, never past the field.
    r.lcdFormat = 0x77;
    EXPECT_FALSE(SetFieldText(r.boardSerial, "010010012"));
    EXPECT_EQ(FieldText(r.boardSerial), "0100100");
    EXPECT_EQ(r.lcdFormat, 0x77);
    EXPECT_TRUE(SetFieldText(r.boardSerial, "0906021"));
}

TEST(HeadRecordDate, TextStampAndClamps) {
    HeadRecord r = Filled(0);
    r.calMonth = 12;
    r.calDay = 31;
    r.calYear = 19;
    EXPECT_EQ(CalibrationDateText(r), "12/31/19");
    r.calMonth = 0;
    r.calDay = 7;
    r.calYear = 255;
    EXPECT_EQ(CalibrationDateText(r), "00/07/255");

    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 1; // February
    date.tm_mday = 3;
    StampDate(r, date);
    EXPECT_EQ(CalibrationDateText(r), "02/03/26");

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    StampToday(r);
    EXPECT_EQ(r.calMonth, local.tm_mon + 1);
    EXPECT_EQ(r.calDay, local.tm_mday);
    EXPECT_EQ(r.calYear, local.tm_year - 100);

    r.lcdFormat = 3;
    EXPECT_EQ(EffectiveLcdFormat(r), 3);
    r.lcdFormat = 4;
    EXPECT_EQ(EffectiveLcdFormat(r), 1);
    r.multiCalCount = 200;
    EXPECT_EQ(UsedMultiCalEntries(r), 10);
}

TEST(HeadRecordMultiCal, PackingTakesSelectedRowsInOrder) {
    HeadRecord r = Filled(0);
    r.multiCalCount = 3;
    SetFieldText(r.multiCalNames[2], "Old");
    r.multiCalFactors[2] = 9.0f;
    PackMultiCal(r, {{"Row1", 1.5f, true}, {"Row2", 2.5f, false}, {"Row3", 3.5f, true}});
    EXPECT_EQ(r.multiCalCount, 2);
    EXPECT_EQ(FieldText(r.multiCalNames[0]), "Row1");
    EXPECT_EQ(r.multiCalFactors[0], 1.5f);
    EXPECT_EQ(FieldText(r.multiCalNames[1]), "Row3");
    EXPECT_EQ(r.multiCalFactors[1], 3.5f);
    EXPECT_EQ(FieldText(r.multiCalNames[2]), "Old"); // old bytes stay
    EXPECT_EQ(r.multiCalFactors[2], 9.0f);

    std::vector<MultiCalRow> many(12, MultiCalRow{std::string(30, 'n'), 2.0f, true});
    PackMultiCal(r, many);
    EXPECT_EQ(r.multiCalCount, 10);
    EXPECT_EQ(FieldText(r.multiCalNames[9]), std::string(19, 'n'));
}

TEST(BoardInfoParse, ExampleReplyAndEdgeTexts) {
    const uint8_t payload[] = {0x02, 0x01, 0x01, 0x00, 0x02, '3', '.', '0', '2', 0,
                               '0',  '1',  '0',  '0',  '1',  '0', '0', '1', 0};
    BoardInfo info;
    ASSERT_TRUE(ParseBoardInfo(payload, sizeof payload, info));
    EXPECT_EQ(info.role, 2);
    EXPECT_EQ(info.intensitySetMode, 1);
    EXPECT_TRUE(info.externalTrigger);
    EXPECT_FALSE(info.persistence);
    EXPECT_EQ(info.headCount, 2);
    EXPECT_EQ(info.firmwareVersion, "3.02");
    EXPECT_EQ(info.boardSerial, "01001001");

    const uint8_t emptyVersion[] = {1, 0, 2, 1, 1, 0, 'A', 'B'};
    ASSERT_TRUE(ParseBoardInfo(emptyVersion, sizeof emptyVersion, info));
    EXPECT_FALSE(info.externalTrigger); // only 1 means enabled
    EXPECT_TRUE(info.persistence);
    EXPECT_EQ(info.firmwareVersion, "");
    EXPECT_EQ(info.boardSerial, "AB"); // cut at the payload's end

    const uint8_t fixedOnly[] = {5, 0, 0, 0, 0};
    ASSERT_TRUE(ParseBoardInfo(fixedOnly, sizeof fixedOnly, info));
    EXPECT_EQ(info.role, 5);
    EXPECT_EQ(info.firmwareVersion, "");
    EXPECT_EQ(info.boardSerial, "");

    EXPECT_FALSE(ParseBoardInfo(payload, 4, info));
    EXPECT_EQ(info.role, 5); // untouched
}

} // namespace
