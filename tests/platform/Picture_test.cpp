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

// A minimal 8-bit indexed BMP, bottom-up unless topDown.
std::vector<uint8_t> Indexed(int w, int h, bool topDown) {
    const size_t stride = ((size_t(w) * 8 + 31) / 32) * 4;
    std::vector<uint8_t> v(54 + 8 + stride * size_t(h), 0);
    v[0] = 'B';
    v[1] = 'M';
    uint32_t off = 54 + 8;
    std::memcpy(&v[10], &off, 4);
    uint32_t info = 40;
    std::memcpy(&v[14], &info, 4);
    int32_t width = w, height = topDown ? -h : h;
    std::memcpy(&v[18], &width, 4);
    std::memcpy(&v[22], &height, 4);
    v[26] = 1;
    v[28] = 8;
    uint32_t used = 2;
    std::memcpy(&v[46], &used, 4);
    // palette: 0 = blue, 1 = red (BGRx)
    v[54] = 255;
    v[58 + 2] = 255;
    // first stored row: index 1 at x 0
    v[off] = 1;
    return v;
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

// A 2x2 BMP written by hand: 54-byte headers, then the rows as stored, blue
// green red (and a fourth byte at 32 bits) per pixel, rows padded to 4 bytes.
std::vector<uint8_t> HandMade(int bits, bool topDown) {
    std::vector<uint8_t> v = {
        'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,            // file header
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, uint8_t(bits), // info: 2 x 2
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (topDown) // height -2
        v[22] = 0xFE, v[23] = 0xFF, v[24] = 0xFF, v[25] = 0xFF;
    const std::vector<uint8_t> rows24 = {
        0x00, 0x00, 0xFF, 0x10, 0x20, 0x30, 0, 0, // first stored row: red, (0x30 0x20 0x10)
        0xFF, 0x00, 0x00, 0x01, 0x80, 0x02, 0, 0, // second: blue, (0x02 0x80 0x01)
    };
    const std::vector<uint8_t> rows32 = {
        0x00, 0x00, 0xFF, 0x77, 0x10, 0x20, 0x30, 0x77,
        0xFF, 0x00, 0x00, 0x77, 0x01, 0x80, 0x02, 0x77,
    };
    const std::vector<uint8_t>& rows = bits == 32 ? rows32 : rows24;
    v.insert(v.end(), rows.begin(), rows.end());
    return v;
}

TEST(Picture, HandMadeTrueColourPixels) {
    for (int bits : {24, 32})
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

TEST(Picture, IndexedRowsAndOrientation) {
    for (bool topDown : {false, true}) {
        auto v = Indexed(3, 2, topDown);
        auto img = DecodeBmp(v.data(), v.size());
        ASSERT_TRUE(img);
        // The first stored row is the bottom one unless the height is negative.
        const uint8_t* red = img->Pixel(0, topDown ? 0 : 1);
        EXPECT_EQ(red[0], 255);
        EXPECT_EQ(red[2], 0);
        const uint8_t* blue = img->Pixel(1, 0);
        EXPECT_EQ(blue[2], 255);
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
