// The simulator's request log line.
#include "tools/sim/RequestLog.h"

#include <gtest/gtest.h>

namespace {

TEST(RequestLog, LineCarriesTimeControllerCodeAndUnstuffedPayloadInHex) {
    sim::DecodedFrame dual;
    dual.code = 50; // dual intensity: 12.5 and 10.0 as little-endian floats
    dual.payload = {0x00, 0x00, 0x48, 0x41, 0x00, 0x00, 0x20, 0x41};
    dual.checksumOk = true;
    EXPECT_EQ(sim::FormatRequestLine(1503, 1, dual), "1503 1 32 00 00 48 41 00 00 20 41");

    sim::DecodedFrame query;
    query.code = 113;
    query.checksumOk = true;
    EXPECT_EQ(sim::FormatRequestLine(0, 10, query), "0 10 71");

    query.checksumOk = false;
    EXPECT_EQ(sim::FormatRequestLine(18446744073709551615ull, 2, query),
              "18446744073709551615 2 71 bad");
}

} // namespace
