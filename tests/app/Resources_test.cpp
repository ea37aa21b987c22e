#include "resources/Resources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ResourcesTest, BitmapsDecodeAtTheirSizes) {
    const auto logo = resources::Bitmap(IDB_LOGO);
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->width, 308);
    EXPECT_EQ(logo->height, 118);
    const auto instrument = resources::Bitmap(IDB_INSTRUMENT);
    ASSERT_NE(instrument, nullptr);
    EXPECT_EQ(instrument->width, 445);
    EXPECT_EQ(instrument->height, 367);
    EXPECT_EQ(resources::Bitmap(IDB_LOGO), logo); // decoded once, shared
    EXPECT_EQ(resources::Bitmap(144), nullptr);

    CBitmap bitmap;
    EXPECT_FALSE(bitmap.IsLoaded());
    EXPECT_TRUE(bitmap.LoadBitmap(IDB_INSTRUMENT));
    EXPECT_EQ(bitmap.Image(), instrument);
    EXPECT_FALSE(bitmap.LoadBitmap(1));
    EXPECT_FALSE(bitmap.IsLoaded());
}

TEST(ResourcesTest, IndicatorWindowsOfTheInstrumentAreLight) {
    // The head indicators are drawn over the heads' display windows; dark text
    // must read there. The windows span x 275..323 and 347..395, y 119..145.
    const auto image = resources::Bitmap(IDB_INSTRUMENT);
    ASSERT_NE(image, nullptr);
    for (const int left : {279, 351}) {
        for (int y = 122; y < 142; y += 4) {
            for (int x = left; x < left + 40; x += 4) {
                const uint8_t* p = image->Pixel(x, y);
                EXPECT_GT(p[0] + p[1] + p[2], 3 * 170) << x << "," << y;
            }
        }
    }
}

TEST(ResourcesTest, IconAndString) {
    const auto icon = resources::IconPng(IDI_APPLICATION_ICON);
    ASSERT_GT(icon.size(), 8u);
    EXPECT_EQ(std::memcmp(icon.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    EXPECT_TRUE(resources::IconPng(129).empty());
    EXPECT_EQ(resources::String(IDS_ABOUTBOX), "&About Sorvane...");
    EXPECT_EQ(resources::String(102), "");
}

} // namespace
