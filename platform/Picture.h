// Pictures: decoded images and the loader that stands in for the system's
// picture loader. Only Windows bitmaps (BMP) are decoded; anything else is
// "not a picture".
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// A decoded image: rows top to bottom, 3 bytes (R, G, B) per pixel.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width * height * 3 bytes

    uint8_t* Pixel(int x, int y) { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
    const uint8_t* Pixel(int x, int y) const {
        return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    }
};

// Decodes a BMP held in memory (1, 4, 8, 24 and 32 bits per pixel,
// uncompressed, bottom-up or top-down). nullptr when the bytes are not one.
std::unique_ptr<Image> DecodeBmp(const uint8_t* data, size_t size);

// Reads the rest of an open file and decodes it. nullptr when it is not a
// picture. The file stays open; its position ends wherever reading stopped.
std::unique_ptr<Image> LoadPicture(std::FILE* file);

// Encodes an image as a 24-bit BMP (tests and the screenshots of tools).
std::vector<uint8_t> EncodeBmp(const Image& image);

} // namespace platform
