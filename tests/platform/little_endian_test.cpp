// The byte-order helpers that the link, the simulator, pictures and the settings
// file all share: checked against fixed bytes, so that a fault common to both
// ends of the wire cannot hide behind a round trip.
#include <gtest/gtest.h>

#include <vector>

#include "platform/LittleEndian.h"

using Bytes = std::vector<uint8_t>;

TEST(LittleEndian, ReadsLowByteFirst) {
    const uint8_t word[] = {0x34, 0x12};
    EXPECT_EQ(platform::GetLe16(word), 0x1234);
    const uint8_t high[] = {0xFF, 0xFE};
    EXPECT_EQ(platform::GetLe16(high), 0xFEFF);
    const uint8_t dword[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(platform::GetLe32(dword), 0x12345678u);
    const uint8_t top[] = {0x00, 0x00, 0x00, 0x80};
    EXPECT_EQ(platform::GetLe32(top), 0x80000000u);
    const uint8_t twelveAndAHalf[] = {0x00, 0x00, 0x48, 0x41};
    EXPECT_EQ(platform::GetLeFloat(twelveAndAHalf), 12.5f);
    const uint8_t minusOne[] = {0x00, 0x00, 0x80, 0xBF};
    EXPECT_EQ(platform::GetLeFloat(minusOne), -1.0f);
}

TEST(LittleEndian, WritesLowByteFirst) {
    Bytes out;
    platform::AppendLe16(out, 0xABCD);
    platform::AppendLe32(out, 0x01020304u);
    platform::AppendLeFloat(out, 12.5f);
    EXPECT_EQ(out, (Bytes{0xCD, 0xAB, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x48, 0x41}));

    uint8_t field[6] = {0xEE, 0, 0, 0, 0, 0xEE};
    platform::PutLe32(field + 1, 0xFFFFFFFEu); // -2 as the settings file stores it
    EXPECT_EQ(Bytes(field, field + 6), (Bytes{0xEE, 0xFE, 0xFF, 0xFF, 0xFF, 0xEE}));
}
