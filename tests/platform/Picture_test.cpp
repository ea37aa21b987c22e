#include "platform/Picture.h"

#include <gtest/gtest.h>

#include <cstring>

using platform::DecodeBmp;
using platform::EncodeBmp;
using platform::Image;

namespace {

Image Checker(int w, int h) {
    Image img;
    img.width = w;
    img.height = h;
    img.rgb.resize(size_t(w * h * 3));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = img.Pixel(x, y);
            p[0] = uint8_t(x * 40);
            p[1] = uint8_t(y * 40);
            p[2] = uint8_t((x + y) % 2 ? 255 : 0);
        }
    return img;
}

TEST(Picture, BmpRoundTripKeepsEveryPixel) {
    Image img = Checker(5, 3); // odd width: rows are padded
    std::vector<uint8_t> bytes = EncodeBmp(img);
    auto back = DecodeBmp(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 5);
    EXPECT_EQ(back->height, 3);
    EXPECT_EQ(back->rgb, img.rgb);
}

// A 2x2 BMP written by hand: headers, a palette at 8 bits, then the rows as
// stored (blue green red, and a fourth byte at 32 bits, per pixel or palette
// entry), each padded to 4 bytes. First stored row: red, (0x30 0x20 0x10);
// second: blue, (0x02 0x80 0x01).
std::vector<uint8_t> HandMade(int bits, bool topDown) {
    const uint8_t offset = bits == 8 ? 54 + 16 : 54;
    std::vector<uint8_t> v = {
        'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, offset, 0, 0, 0,                // file header
        40,  0,   0, 0, 2, 0, 0, 0, 2, 0, 0,      0, 1, 0, uint8_t(bits), // info: 2 x 2
        0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0,      0, 0, 0, 0,
        0,   0,   0, 0, 0, 0, 0, 0, 0, 0};
    if (topDown) // height -2
        v[22] = 0xFE, v[23] = 0xFF, v[24] = 0xFF, v[25] = 0xFF;
    const std::vector<uint8_t> rows24 = {0x00, 0x00, 0xFF, 0x10, 0x20, 0x30, 0, 0,
                                         0xFF, 0x00, 0x00, 0x01, 0x80, 0x02, 0, 0};
    const std::vector<uint8_t> rows32 = {0x00, 0x00, 0xFF, 0x77, 0x10, 0x20, 0x30, 0x77,
                                         0xFF, 0x00, 0x00, 0x77, 0x01, 0x80, 0x02, 0x77};
    const std::vector<uint8_t> rows8 = {0xFF, 0x00, 0x00, 0, 0x01, 0x80, 0x02, 0, // palette:
                                        0x00, 0x00, 0xFF, 0, 0x10, 0x20, 0x30, 0, // 4 entries
                                        2,    3,    0,    0, 0,    1,    0,    0};
    if (bits == 8)
        v[46] = 4; // colours used
    const std::vector<uint8_t>& rows = bits == 32 ? rows32 : bits == 24 ? rows24 : rows8;
    v.insert(v.end(), rows.begin(), rows.end());
    return v;
}

TEST(Picture, HandMadePixels) {
    for (int bits : {8, 24, 32})
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, top-down " << topDown);
            const std::vector<uint8_t> v = HandMade(bits, topDown);
            auto img = DecodeBmp(v.data(), v.size());
            ASSERT_TRUE(img);
            ASSERT_EQ(img->width, 2);
            ASSERT_EQ(img->height, 2);
            // The first stored row is the bottom one unless the height is negative.
            const int first = topDown ? 0 : 1, second = 1 - first;
            const uint8_t* p = img->Pixel(0, first);
            EXPECT_EQ(std::vector<uint8_t>(p, p + 6),
                      std::vector<uint8_t>({0xFF, 0x00, 0x00, 0x30, 0x20, 0x10}));
            p = img->Pixel(0, second);
            EXPECT_EQ(std::vector<uint8_t>(p, p + 6),
                      std::vector<uint8_t>({0x00, 0x00, 0xFF, 0x02, 0x80, 0x01}));
        }
}

TEST(Picture, WhatIsNotABitmapIsRefusedQuietly) {
    const char text[] = "This is not a picture at all, just some text in a file.........";
    EXPECT_FALSE(DecodeBmp(reinterpret_cast<const uint8_t*>(text), sizeof text));
    EXPECT_FALSE(DecodeBmp(nullptr, 0));
    std::vector<uint8_t> good = EncodeBmp(Checker(4, 4));
    // Truncated pixel data, absurd sizes, compressed data: all refused.
    EXPECT_FALSE(DecodeBmp(good.data(), good.size() - 1));
    auto big = good;
    int32_t huge = 1 << 30;
    std::memcpy(&big[18], &huge, 4);
    EXPECT_FALSE(DecodeBmp(big.data(), big.size()));
    auto rle = good;
    rle[30] = 1;
    EXPECT_FALSE(DecodeBmp(rle.data(), rle.size()));
    auto off = good;
    uint32_t past = uint32_t(good.size() + 10);
    std::memcpy(&off[10], &past, 4);
    EXPECT_FALSE(DecodeBmp(off.data(), off.size()));
}

TEST(Picture, LoadReadsAnOpenFile) {
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(f);
    std::vector<uint8_t> bytes = EncodeBmp(Checker(2, 2));
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    auto img = platform::LoadPicture(f);
    std::fclose(f);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->width, 2);
}

} // namespace
