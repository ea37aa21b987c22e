#pragma once

// The program's compiled-in resources: bitmaps 143 (logo, 308 x 118), 157
// (the instrument, 445 x 367) and 140 (a head, 152 x 141), icon 128 and
// string 101, under their numbers.

#include "platform/Picture.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

constexpr int IDI_APPLICATION_ICON = 128;
constexpr int IDB_HEAD = 140;
constexpr int IDB_LOGO = 143;
constexpr int IDB_INSTRUMENT = 157;
constexpr int IDS_ABOUTBOX = 101;

namespace resources {

// The decoded bitmap `id`, shared and never changed; nullptr for an unknown id.
// Decoded on first use, from any thread.
std::shared_ptr<const platform::Image> Bitmap(int id);

// The icon `id` as PNG file bytes (256 x 256 with transparency); empty for an
// unknown id. The bytes live as long as the program.
std::span<const uint8_t> IconPng(int id);

// The string `id` (code page 1252); "" for an unknown id.
std::string String(int id);

} // namespace resources

// A bitmap handle as the dialogs hold one: empty until LoadBitmap.
class CBitmap {
public:
    // Loads bitmap resource `id`; false (and empty) for an unknown id.
    bool LoadBitmap(int id);
    void DeleteObject() { m_image.reset(); }
    const std::shared_ptr<const platform::Image>& Image() const { return m_image; }
    bool IsLoaded() const { return m_image != nullptr; }

private:
    std::shared_ptr<const platform::Image> m_image;
};
