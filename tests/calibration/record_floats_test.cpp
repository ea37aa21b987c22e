// Which float fields of a head's record hold a value that is not finite, by
// the record's byte offsets, and the names the boxes give them.
#include "calibration/RecordFloats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A record of finite values with every multi-calibration entry in use.
HeadRecord Finite() {
    HeadRecord r{};
    r.multiCalCount = 10;
    return r;
}

void PutBits(HeadRecord& r, int offset, uint32_t bits) {
    uint8_t* b = RecordBytes(r) + offset;
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(bits >> (8 * i));
}

std::vector<std::string> Names(const HeadRecord& r) {
    std::vector<std::string> names;
    for (const RecordFloat& f : NonFiniteFloats(r))
        names.push_back(RecordFloatName(f));
    return names;
}

TEST(RecordFloats, EachFloatFieldIsFoundAtItsOffsetAndNamed) {
    const struct {
        int offset;
        const char* name;
    } fields[] = {
        {52, "Average step"},     {40, "Photo-to-mW a"},     {44, "Photo-to-mW b"},
        {48, "Photo-to-mW c"},    {28, "mW-to-Index a"},     {32, "mW-to-Index b"},
        {36, "mW-to-Index c"},    {60, "Temperature a"},     {64, "Temperature b"},
        {68, "Temperature c"},    {304, "Factor in row 1"},  {308, "Factor in row 2"},
        {312, "Factor in row 3"}, {316, "Factor in row 4"},  {320, "Factor in row 5"},
        {324, "Factor in row 6"}, {328, "Factor in row 7"},  {332, "Factor in row 8"},
        {336, "Factor in row 9"}, {340, "Factor in row 10"},
    };
    // NaN as an erased EEPROM holds it, a quiet NaN, both infinities.
    for (uint32_t bits : {0xFFFFFFFFu, 0x7FC00000u, 0x7F800000u, 0xFF800000u}) {
        for (const auto& f : fields) {
            SCOPED_TRACE(f.name);
            HeadRecord r = Finite();
            PutBits(r, f.offset, bits);
            EXPECT_EQ(Names(r), std::vector<std::string>{f.name}) << std::hex << bits;
        }
    }
    // The largest finite float is no fault.
    HeadRecord r = Finite();
    PutBits(r, 60, 0x7F7FFFFFu);
    EXPECT_TRUE(NonFiniteFloats(r).empty());
}

TEST(RecordFloats, SeveralAreListedInTheOrderTheHeadConfigurationShowsThem) {
    HeadRecord r = Finite();
    for (int offset : {340, 68, 28, 52, 44})
        PutBits(r, offset, 0xFFFFFFFFu);
    EXPECT_EQ(Names(r), (std::vector<std::string>{"Average step", "Photo-to-mW b", "mW-to-Index a",
                                                  "Temperature c", "Factor in row 10"}));
}

TEST(RecordFloats, OnlyTheUsedEntriesFactorsCount) {
    HeadRecord r = Finite();
    PutBits(r, 312, 0xFFFFFFFFu); // entry 2
    r.multiCalCount = 2;
    EXPECT_TRUE(NonFiniteFloats(r).empty());
    r.multiCalCount = 3;
    EXPECT_EQ(Names(r), std::vector<std::string>{"Factor in row 3"});
    // A count beyond ten (an erased head's 255) reads as ten.
    r.multiCalCount = 255;
    PutBits(r, 340, 0xFFFFFFFFu);
    EXPECT_EQ(Names(r), (std::vector<std::string>{"Factor in row 3", "Factor in row 10"}));
}

TEST(RecordFloats, AnErasedRecordNamesEveryFloatField) {
    HeadRecord r;
    std::memset(RecordBytes(r), 0xFF, kHeadRecordSize);
    const std::vector<std::string> names = Names(r);
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names.front(), "Average step");
    EXPECT_EQ(names[9], "Temperature c");
    EXPECT_EQ(names.back(), "Factor in row 10");
}

} // namespace
