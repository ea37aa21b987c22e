// Which float fields of a head's record are not finite: in the order the head
// configuration shows them, and only the factors of the entries in use.
#include "calibration/RecordFloats.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const HeadRecord& r) {
    std::vector<std::string> names;
    for (const RecordFloat& f : NonFiniteFloats(r))
        names.push_back(RecordFloatName(f));
    return names;
}

TEST(RecordFloats, ListedInTheHeadConfigurationsOrderOverTheEntriesInUse) {
    HeadRecord r{};
    for (int offset : {340, 312, 68, 28, 52, 44}) // NaN as an erased EEPROM holds it
        std::memset(RecordBytes(r) + offset, 0xFF, 4);
    r.multiCalCount = 3;
    EXPECT_EQ(Names(r), (std::vector<std::string>{"Average step", "Photo-to-mW b", "mW-to-Index a",
                                                  "Temperature c", "Factor in row 3"}));
    // A count beyond ten (an erased head's 255) reads as ten.
    r.multiCalCount = 255;
    EXPECT_EQ(Names(r).back(), "Factor in row 10");
    r.multiCalCount = 2;
    EXPECT_EQ(Names(r).size(), 4u);
}

} // namespace
