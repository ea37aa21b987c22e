// The wire frame both ways, byte for byte: the encoder against the protocol's example
// frames and an independent encoder, the decoder against literal byte streams.
#include <gtest/gtest.h>

#include <vector>

#include "link/FrameCodec.h"
#include "tools/sim/Frame.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encoded(const FrameEncoder& e) {
    return Bytes(e.Data(), e.Data() + e.Size());
}

Bytes Encode(uint8_t code, const Bytes& payload) {
    FrameEncoder e;
    e.Begin(code);
    for (uint8_t v : payload)
        e.Stuff(v);
    e.End();
    return Encoded(e);
}

// What a decoder reports for one closed frame.
struct Closed {
    uint64_t number;
    FrameStatus status;
    Bytes bytes; // as kept, from the STX
    uint8_t code;
    int payloadLength;
    bool operator==(const Closed&) const = default;
};

std::vector<Closed> Decode(FrameDecoder& d, const Bytes& wire) {
    std::vector<Closed> out;
    for (uint8_t b : wire) {
        if (d.Put(b)) {
            const ClosedFrame& c = d.Closed();
            out.push_back(Closed{c.number, c.status, Bytes(c.bytes, c.bytes + c.length), c.code,
                                 c.payloadLength});
        }
    }
    return out;
}

std::vector<Closed> Decode(const Bytes& wire) {
    FrameDecoder d;
    return Decode(d, wire);
}

} // namespace

TEST(FrameEncoder, BuildsTheExampleFramesByteForByte) {
    EXPECT_EQ(Encode(0x06, {}), (Bytes{0x02, 0x06, 0xFA, 0x03}));
    EXPECT_EQ(Encode(116, {}), (Bytes{0x02, 0x74, 0x8C, 0x03}));
    EXPECT_EQ(Encode(100, {2}), (Bytes{0x02, 0x64, 0x10, 0x12, 0x9A, 0x03}));
    EXPECT_EQ(Encode(97, {0x00, 0x00, 0x00, 0x48, 0x41}),
              (Bytes{0x02, 0x61, 0x00, 0x00, 0x00, 0x48, 0x41, 0x16, 0x03}));
    EXPECT_EQ(Encode(51, {16, 0, 3, 0}),
              (Bytes{0x02, 0x33, 0x10, 0x20, 0x00, 0x10, 0x13, 0x00, 0xBA, 0x03}));
    // The two sync queries.
    EXPECT_EQ(Encode(107, {}), (Bytes{0x02, 0x6B, 0x95, 0x03}));
    EXPECT_EQ(Encode(110, {}), (Bytes{0x02, 0x6E, 0x92, 0x03}));

    FrameEncoder e;
    e.Begin(51);
    for (uint8_t v : {16, 0, 3, 0})
        e.Stuff(v);
    EXPECT_EQ(e.Sum(), 51 + 16 + 3);
    EXPECT_EQ(e.Code(), 51);
    e.End();
    EXPECT_EQ(e.Sum(), 0); // with the checksum
}

TEST(FrameEncoder, MatchesAnIndependentEncoderForEveryByteValue) {
    Bytes payload;
    for (int v = 0; v < 256; ++v)
        payload.push_back(static_cast<uint8_t>(v));
    for (uint8_t code : {uint8_t(0x02), uint8_t(0x03), uint8_t(0x10), uint8_t(103)})
        EXPECT_EQ(Encode(code, payload), sim::EncodeFrame(code, payload)) << int(code);
}

TEST(FrameEncoder, FullyStuffedBurnFitsExactlyAndOneMoreByteIsOverlong) {
    // Channel 2, length 360, then 360 record bytes that all need stuffing, chosen so that
    // the checksum needs stuffing too: the longest request there is, 729 bytes.
    Bytes record(360, 0x02);
    auto checksum = [&] {
        unsigned sum = 104 + 2 + 0x68 + 0x01;
        for (uint8_t v : record)
            sum += v;
        return static_cast<uint8_t>(0x100 - sum % 0x100);
    };
    for (size_t i = 0; checksum() != 0x10; ++i)
        record[i] = 0x03;
    Bytes payload{2, 0x68, 0x01};
    payload.insert(payload.end(), record.begin(), record.end());
    const Bytes burn = Encode(104, payload);
    ASSERT_EQ(burn.size(), 729u);
    EXPECT_EQ(burn, sim::EncodeFrame(104, payload));

    FrameEncoder e;
    e.Begin(104);
    for (uint8_t v : payload)
        e.Stuff(v);
    e.Stuff(0x10); // two wire bytes more: no room left for the checksum
    e.End();
    EXPECT_TRUE(e.Overlong());
    EXPECT_LE(e.Size(), 729);
    EXPECT_EQ(e.Data()[e.Size() - 1], 0x03);
    // Far too long: still inside the buffer, and the next request starts clean.
    e.Begin(104);
    for (int i = 0; i < 1000; ++i)
        e.Stuff(0x10);
    e.End();
    EXPECT_TRUE(e.Overlong());
    EXPECT_LE(e.Size(), 729);
    e.Begin(116);
    e.End();
    EXPECT_FALSE(e.Overlong());
    EXPECT_EQ(Encoded(e), (Bytes{0x02, 0x74, 0x8C, 0x03}));
}

TEST(FrameDecoder, ExampleRepliesDecode) {
    EXPECT_EQ(Decode({0x02, 0x06, 0xFA, 0x03}),
              (std::vector<Closed>{{1, FrameStatus::Valid, {0x02, 0x06, 0xFA, 0x03}, 0x06, 0}}));
    // Board information, stuffed role byte 02 and head count 02.
    const Bytes info{0x02, 0x6E, 0x10, 0x12, 0x01, 0x01, 0x00, 0x10, 0x12, 0x33, 0x2E, 0x30, 0x32,
                     0x00, 0x30, 0x31, 0x30, 0x30, 0x31, 0x30, 0x30, 0x31, 0x00, 0x46, 0x03};
    const std::vector<Closed> got = Decode(info);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::Valid);
    EXPECT_EQ(got[0].code, 0x6E);
    EXPECT_EQ(got[0].payloadLength, 19);
    EXPECT_EQ(Bytes(got[0].bytes.begin() + 2, got[0].bytes.begin() + 7),
              (Bytes{0x02, 0x01, 0x01, 0x00, 0x02}));
    EXPECT_EQ(got[0].bytes[20], 0x00);
    EXPECT_EQ(got[0].bytes[21], 0x46);
    EXPECT_EQ(got[0].bytes.back(), 0x03);
}

TEST(FrameDecoder, SplitAtEveryPointDecodesAsOneChunk) {
    const Bytes frame{0x02, 0x67, 0x10, 0x20, 0x10, 0x12, 0x55, 0x10, 0x13, 0xAA, 0x85, 0x03};
    // 0x67 + 0x10 + 0x02 + 0x55 + 0x03 + 0xAA + 0x85 = 0x200
    const std::vector<Closed> whole = Decode(frame);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].status, FrameStatus::Valid);
    EXPECT_EQ(whole[0].bytes, (Bytes{0x02, 0x67, 0x10, 0x02, 0x55, 0x03, 0xAA, 0x85, 0x03}));
    for (size_t a = 0; a <= frame.size(); ++a) {
        for (size_t b = a; b <= frame.size(); ++b) {
            FrameDecoder d;
            std::vector<Closed> got = Decode(d, Bytes(frame.begin(), frame.begin() + a));
            for (const Closed& c : Decode(d, Bytes(frame.begin() + a, frame.begin() + b)))
                got.push_back(c);
            for (const Closed& c : Decode(d, Bytes(frame.begin() + b, frame.end())))
                got.push_back(c);
            ASSERT_EQ(got, whole) << a << " " << b;
        }
    }
}

TEST(FrameDecoder, EscapeSequences) {
    // DLE DLE is 0x00 and DLE ETX is 0xF3, which does not end the frame;
    // 0x40 + 0x00 + 0xF3 + 0xCD = 0x200.
    EXPECT_EQ(Decode({0x02, 0x40, 0x10, 0x10, 0x10, 0x03, 0xCD, 0x03}),
              (std::vector<Closed>{
                  {1, FrameStatus::Valid, {0x02, 0x40, 0x00, 0xF3, 0xCD, 0x03}, 0x40, 2}}));
    // DLE STX starts a new frame: the half-received one is dropped, unreported.
    EXPECT_EQ(Decode({0x02, 0x55, 0x66, 0x10, 0x02, 0x06, 0xFA, 0x03}),
              (std::vector<Closed>{{2, FrameStatus::Valid, {0x02, 0x06, 0xFA, 0x03}, 0x06, 0}}));
}

TEST(FrameDecoder, BytesOutsideAFrameAreDropped) {
    // A stray ETX after a frame closes nothing; nor does noise before the next STX,
    // a DLE among it included (the STX after it still starts a frame).
    FrameDecoder d;
    EXPECT_EQ(Decode(d, {0x02, 0x69, 0x01, 0x96, 0x03}).size(), 1u);
    EXPECT_TRUE(Decode(d, {0x03, 0x03, 0x55, 0x10, 0x03, 0xAB}).empty());
    EXPECT_EQ(Decode(d, {0x10, 0x02, 0x06, 0xFA, 0x03}),
              (std::vector<Closed>{{2, FrameStatus::Valid, {0x02, 0x06, 0xFA, 0x03}, 0x06, 0}}));
    // Before any STX at all.
    EXPECT_TRUE(Decode({0x06, 0xFA, 0x03}).empty());
}

TEST(FrameDecoder, TooShortAndBadChecksumFrames) {
    // No code and no checksum: not a reply of code 3.
    std::vector<Closed> got = Decode({0x02, 0x03});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::TooShort);
    // One byte: a zero sum, but still no code and checksum.
    got = Decode({0x02, 0x00, 0x03});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::TooShort);
    got = Decode({0x02, 0x10, 0x16, 0x03}); // one stuffed byte, 0x06
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::TooShort);
    // Two bytes that do not add up to 0.
    got = Decode({0x02, 0x06, 0xFB, 0x03});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::BadChecksum);
    EXPECT_EQ(got[0].code, 0x06);
    // Code and checksum alone summing to 0: a valid frame, empty payload.
    got = Decode({0x02, 0x00, 0x00, 0x03});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::Valid);
    EXPECT_EQ(got[0].payloadLength, 0);
}

TEST(FrameDecoder, OverlongFrameKeeps516BytesAndIsStillSummed) {
    Bytes payload(700);
    unsigned sum = 103;
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(0x20 + i % 200);
        sum += payload[i];
    }
    Bytes wire{0x02, 103};
    wire.insert(wire.end(), payload.begin(), payload.end());
    wire.push_back(static_cast<uint8_t>(0x100 - sum % 0x100));
    ASSERT_EQ(wire.back(), 0x8F); // needs no stuffing
    wire.push_back(0x03);
    std::vector<Closed> got = Decode(wire);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::Valid);
    EXPECT_EQ(got[0].bytes.size(), 516u);
    EXPECT_EQ(got[0].payloadLength, 512);
    EXPECT_EQ(Bytes(got[0].bytes.begin() + 2, got[0].bytes.begin() + 514),
              Bytes(payload.begin(), payload.begin() + 512));
    // The same frame with its checksum off by one is caught although the byte is dropped.
    wire[wire.size() - 2] = static_cast<uint8_t>(wire[wire.size() - 2] + 1);
    got = Decode(wire);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].status, FrameStatus::BadChecksum);
}

TEST(FrameDecoder, FramesAreNumberedByTheStxsSeen) {
    FrameDecoder d;
    EXPECT_EQ(d.FramesBegun(), 0u);
    // A frame cut short by the next STX still counts.
    std::vector<Closed> got = Decode(d, {0x02, 0x70, 0x02, 0x06, 0xFA, 0x03, 0x02, 0x06});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].number, 2u);
    EXPECT_EQ(d.FramesBegun(), 3u);
    // The third frame, begun above, closes later with its number.
    got = Decode(d, {0xFA, 0x03});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].number, 3u);
    // A frame begun before a moment and ended after it is one frame, with the earlier
    // number: 02 70 | 01 06 89 03 decodes as code 0x70 (0x70 + 0x01 + 0x06 + 0x89 = 0x100).
    const uint64_t before = d.FramesBegun();
    EXPECT_TRUE(Decode(d, {0x02, 0x70}).empty());
    got = Decode(d, {0x01, 0x06, 0x89, 0x03});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, 0x70);
    EXPECT_EQ(got[0].status, FrameStatus::Valid);
    EXPECT_EQ(got[0].number, before + 1);
}
