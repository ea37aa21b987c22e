#include "app/config/ConfigRecord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> PatternImage(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

TEST(ConfigRecordTest, FieldsSitAtTheirFileOffsetsLittleEndian) {
    ConfigRecord r{};
    std::strcpy(r.title, "K310 DSC Photo Module");
    r.headCount = 0x01020304;
    r.heads[0].channel = 1;
    std::memcpy(r.heads[0].boardSerial, "AB12", 4);
    r.heads[0].x = 262;
    r.heads[0].y = -2;
    r.heads[66].channel = 0x11223344;
    r.heads[66].y = 0x55667788;
    r.reserved[0] = 0xA5;
    r.reserved[19] = 0x5A;
    r.passwordProtect = 1;
    r.filler[2] = 0xEE;

    const ConfigImage image = EncodeConfigRecord(r);
    ASSERT_EQ(image.size(), 1432u);
    EXPECT_EQ(std::memcmp(image.data(), "K310 DSC Photo Module\0", 22), 0);
    EXPECT_EQ(image[64], 0x04);
    EXPECT_EQ(image[67], 0x01);
    EXPECT_EQ(image[68], 1); // heads[0].channel
    EXPECT_EQ(std::memcmp(&image[72], "AB12\0\0\0\0", 8), 0);
    EXPECT_EQ(image[80], 0x06); // x = 262 = 0x0106
    EXPECT_EQ(image[81], 0x01);
    EXPECT_EQ(image[84], 0xFE); // y = -2
    EXPECT_EQ(image[87], 0xFF);
    const std::size_t last = 68 + 66 * 20;
    EXPECT_EQ(image[last], 0x44);
    EXPECT_EQ(image[last + 3], 0x11);
    EXPECT_EQ(image[last + 16], 0x88);
    EXPECT_EQ(image[last + 19], 0x55);
    EXPECT_EQ(image[1408], 0xA5);
    EXPECT_EQ(image[1427], 0x5A);
    EXPECT_EQ(image[1428], 1);
    EXPECT_EQ(image[1431], 0xEE);
}

TEST(ConfigRecordTest, EveryByteSurvivesDecodeAndEncode) {
    // Reserved and filler bytes are not ours; nothing may be lost or changed.
    const auto bytes = PatternImage(ConfigRecord::kSize);
    ConfigRecord r{};
    DecodeConfigRecord(bytes.data(), bytes.size(), r);
    const ConfigImage image = EncodeConfigRecord(r);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes.begin()));
}

TEST(ConfigRecordTest, ShortAndLongImages) {
    // 100 bytes: the title and head count come from the file, the rest reads zero.
    auto shortBytes = PatternImage(100);
    std::memcpy(shortBytes.data(), "Talon\0", 6);
    shortBytes[64] = 3;
    shortBytes[65] = shortBytes[66] = shortBytes[67] = 0;
    ConfigRecord r;
    std::memset(&r, 0xCC, sizeof r);
    DecodeConfigRecord(shortBytes.data(), shortBytes.size(), r);
    EXPECT_STREQ(r.title, "Talon");
    EXPECT_EQ(r.headCount, 3);
    auto le32 = [&](std::size_t at) {
        return static_cast<int32_t>(shortBytes[at] | shortBytes[at + 1] << 8 |
                                    shortBytes[at + 2] << 16 | uint32_t{shortBytes[at + 3]} << 24);
    };
    EXPECT_EQ(r.heads[0].channel, le32(68));
    EXPECT_EQ(r.heads[1].channel, le32(88));
    EXPECT_EQ(r.heads[1].x, 0); // bytes 100 on are beyond the file
    EXPECT_EQ(r.heads[2].channel, 0);
    EXPECT_EQ(r.passwordProtect, 0);
    EXPECT_EQ(r.reserved[0], 0);

    // A field cut by the end of the file keeps only the bytes that are there.
    const auto cut = PatternImage(66);
    DecodeConfigRecord(cut.data(), cut.size(), r);
    EXPECT_EQ(r.headCount, 0x00000000 | cut[64] | cut[65] << 8);

    // Longer than the record: the tail is ignored.
    auto longBytes = PatternImage(4000);
    DecodeConfigRecord(longBytes.data(), longBytes.size(), r);
    const ConfigImage image = EncodeConfigRecord(r);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), longBytes.begin()));

    DecodeConfigRecord(nullptr, 0, r);
    const ConfigImage zero = EncodeConfigRecord(r);
    EXPECT_TRUE(std::all_of(zero.begin(), zero.end(), [](uint8_t b) { return b == 0; }));
}

TEST(ConfigRecordTest, BoardSerialStopsAtNulOrFieldEnd) {
    ConfigHeadEntry e{};
    EXPECT_EQ(BoardSerialText(e), "");
    std::memcpy(e.boardSerial, "0906011\0", 8);
    EXPECT_EQ(BoardSerialText(e), "0906011");
    std::memcpy(e.boardSerial, "12345678", 8); // no terminator: all eight, nothing after
    e.x = 0x41414141;                          // "AAAA" right behind the field
    EXPECT_EQ(BoardSerialText(e), "12345678");
    std::memcpy(e.boardSerial, "AB\0CDEFG", 8);
    EXPECT_EQ(BoardSerialText(e), "AB");
}

} // namespace
