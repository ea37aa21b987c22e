// Binding of head positions to controllers by board serial, from literal
// head tables and controller serials: first exact match wins, one controller
// takes every head, simulation mode's serials, the head table's end.
#include "app/HeadBinding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Serials = std::vector<std::string>;
using Bound = std::vector<int>;
constexpr int kNone = -1;

// A record whose entry i names serials[i], filled as a file holds it (8
// bytes, a NUL only when shorter).
ConfigRecord Table(const Serials& serials, int32_t headCount = 2) {
    ConfigRecord r;
    std::memset(&r, 0, sizeof r);
    r.headCount = headCount;
    for (size_t i = 0; i < serials.size(); ++i)
        std::memcpy(r.heads[i].boardSerial, serials[i].data(),
                    std::min<size_t>(serials[i].size(), 8));
    return r;
}

TEST(HeadBindingTest, TwoPositionsPerControllerWhateverTheConfiguredHeadCount) {
    EXPECT_TRUE(BindHeads(Table({"01001001", "01001001"}), {}, false).controllerOf.empty());
    EXPECT_TRUE(BindHeads(Table({"01001001"}), {}, true).controllerOf.empty());
    for (int32_t count : {INT_MIN, -1, 0, 1, 7, 67, 1000, INT_MAX}) {
        SCOPED_TRACE(count);
        const HeadBinding b =
            BindHeads(Table({"A", "A", "B", "B", "C", "C", "A"}, count), {"A", "B", "C"}, false);
        EXPECT_EQ(b.controllerOf, (Bound{0, 0, 1, 1, 2, 2}));
        EXPECT_EQ(b.headSerials, (Serials{"A", "A", "B", "B", "C", "C"}));
    }
}

TEST(HeadBindingTest, OneControllerTakesEveryHeadWhateverItsSerial) {
    const HeadBinding b = BindHeads(Table({"ZZZ", "YYY"}), {"01001001"}, false);
    EXPECT_EQ(b.controllerSerials, Serials{"01001001"});
    EXPECT_EQ(b.headSerials, (Serials{"01001001", "01001001"}));
    EXPECT_EQ(b.controllerOf, (Bound{0, 0}));
}

TEST(HeadBindingTest, SeveralControllersBindByTheWholeSerialFirstMatchFirst) {
    // The third controller repeats the second's serial and gets no head; a
    // prefix is another serial, and "02002002X" is cut to its 8 bytes.
    const HeadBinding b =
        BindHeads(Table({"01001001", "02002002", "99999999", "02002002", "0100100", "02002002X"}),
                  {"01001001", "02002002", "02002002"}, false);
    EXPECT_EQ(b.controllerSerials, (Serials{"01001001", "02002002", "02002002"}));
    EXPECT_EQ(b.headSerials,
              (Serials{"01001001", "02002002", "99999999", "02002002", "0100100", "02002002"}));
    EXPECT_EQ(b.controllerOf, (Bound{0, 1, kNone, 1, kNone, 1}));

    EXPECT_EQ(BindHeads(Table({"abc", "ABC", "ab", "abc "}), {"ABC", "abc"}, false).controllerOf,
              (Bound{1, 0, kNone, kNone}));
}

TEST(HeadBindingTest, SimulationNamesControllerJAfterEntry2J) {
    // Five listed ports, none answered.
    const Serials table = {"S1", "S1", "S2", "S1", "S3", "XX", "S4", "S4", "S5", "S2"};
    const HeadBinding b = BindHeads(Table(table, 6), Serials(5, ""), true);
    EXPECT_EQ(b.controllerSerials, (Serials{"S1", "S2", "S3", "S4", "S5"}));
    EXPECT_EQ(b.headSerials, table);
    EXPECT_EQ(b.controllerOf, (Bound{0, 0, 1, 0, 2, kNone, 3, 3, 4, 1}));

    // Controllers found lose their reported serials too; of two named alike
    // the first takes the heads.
    const HeadBinding dup =
        BindHeads(Table({"77", "01001001", "77", "88"}), {"01001001", "02002002"}, true);
    EXPECT_EQ(dup.controllerSerials, (Serials{"77", "77"}));
    EXPECT_EQ(dup.controllerOf, (Bound{0, kNone, 0, kNone}));
}

TEST(HeadBindingTest, HeadsStopAtTheEndOfTheHeadTable) {
    // 40 controllers would want 80 positions; the table has 67 entries.
    Serials table, reported;
    for (int i = 0; i < 67; ++i)
        table.push_back("C" + std::to_string(i / 2));
    for (int j = 0; j < 40; ++j)
        reported.push_back("R" + std::to_string(j));
    EXPECT_EQ(BindHeads(Table(table), reported, false).controllerOf, Bound(67, kNone));

    const HeadBinding sim = BindHeads(Table(table), reported, true);
    ASSERT_EQ(sim.controllerOf.size(), 67u);
    EXPECT_EQ(sim.controllerSerials[33], "C33"); // entry 66, the last
    EXPECT_EQ(sim.controllerSerials[34], "R34"); // no entry 68: as reported
    EXPECT_EQ(sim.controllerOf[66], 33);
}

} // namespace
