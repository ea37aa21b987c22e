#include "platform/Picture.h"

#include "platform/LittleEndian.h"

#include <cstring>
#include <limits>

namespace platform {
namespace {

constexpr size_t kFileHeader = 14;
constexpr int kMaxSide = 32768;              // larger sides are not pictures we show
constexpr size_t kMaxFileBytes = 256u << 20; // refuse to read more than this

} // namespace

std::unique_ptr<Image> DecodeBmp(const uint8_t* data, size_t size) {
    if (!data || size < kFileHeader + 40 || data[0] != 'B' || data[1] != 'M')
        return nullptr;
    const uint32_t offBits = GetLe32(data + 10);
    const uint8_t* info = data + kFileHeader;
    const uint32_t infoSize = GetLe32(info);
    if (infoSize < 40 || infoSize > size - kFileHeader)
        return nullptr;
    const int32_t width = static_cast<int32_t>(GetLe32(info + 4));
    const int32_t rawHeight = static_cast<int32_t>(GetLe32(info + 8));
    const uint16_t planes = GetLe16(info + 12);
    const uint16_t bpp = GetLe16(info + 14);
    const uint32_t compression = GetLe32(info + 16);
    uint32_t colorsUsed = GetLe32(info + 32);
    if (planes != 1 || compression != 0 || width <= 0 || rawHeight == 0 ||
        rawHeight == std::numeric_limits<int32_t>::min())
        return nullptr;
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;
    if (width > kMaxSide || height > kMaxSide)
        return nullptr;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return nullptr;

    // Palette for the indexed formats (BGRx quads after the info header).
    std::vector<uint8_t> palette;
    if (bpp <= 8) {
        const uint32_t maxColors = 1u << bpp;
        if (colorsUsed == 0 || colorsUsed > maxColors)
            colorsUsed = maxColors;
        const size_t palStart = kFileHeader + infoSize;
        if (palStart + size_t(colorsUsed) * 4 > size)
            return nullptr;
        palette.assign(data + palStart, data + palStart + size_t(colorsUsed) * 4);
    }

    const size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
    if (offBits > size || stride * size_t(height) > size - offBits)
        return nullptr;

    auto img = std::make_unique<Image>();
    img->width = width;
    img->height = height;
    img->rgb.resize(size_t(width) * size_t(height) * 3);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t srcRow = topDown ? y : height - 1 - y;
        const uint8_t* row = data + offBits + size_t(srcRow) * stride;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* out = img->Pixel(x, y);
            if (bpp >= 24) {
                const uint8_t* px = row + size_t(x) * (bpp / 8);
                out[0] = px[2];
                out[1] = px[1];
                out[2] = px[0];
                continue;
            }
            unsigned index;
            if (bpp == 8) {
                index = row[x];
            } else if (bpp == 4) {
                uint8_t b = row[x / 2];
                index = (x % 2 == 0) ? (b >> 4) : (b & 0x0F);
            } else {
                uint8_t b = row[x / 8];
                index = (b >> (7 - x % 8)) & 1;
            }
            if (index * 4 + 3 >= palette.size())
                index = 0; // an index beyond the palette shows its first colour
            out[0] = palette[index * 4 + 2];
            out[1] = palette[index * 4 + 1];
            out[2] = palette[index * 4];
        }
    }
    return img;
}

std::unique_ptr<Image> LoadPicture(std::FILE* file) {
    if (!file)
        return nullptr;
    std::vector<uint8_t> bytes;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) {
        if (bytes.size() + n > kMaxFileBytes)
            return nullptr;
        bytes.insert(bytes.end(), buf, buf + n);
    }
    return DecodeBmp(bytes.data(), bytes.size());
}

std::vector<uint8_t> EncodeBmp(const Image& image) {
    const size_t stride = ((size_t(image.width) * 24 + 31) / 32) * 4;
    const uint32_t pixelBytes = uint32_t(stride * size_t(image.height));
    std::vector<uint8_t> v;
    v.reserve(54 + pixelBytes);
    v.push_back('B');
    v.push_back('M');
    AppendLe32(v, 54 + pixelBytes);
    AppendLe32(v, 0);
    AppendLe32(v, 54);
    AppendLe32(v, 40);
    AppendLe32(v, uint32_t(image.width));
    AppendLe32(v, uint32_t(image.height));
    AppendLe16(v, 1);
    AppendLe16(v, 24);
    AppendLe32(v, 0);
    AppendLe32(v, pixelBytes);
    AppendLe32(v, 2835);
    AppendLe32(v, 2835);
    AppendLe32(v, 0);
    AppendLe32(v, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        size_t start = v.size();
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.Pixel(x, y);
            v.push_back(p[2]);
            v.push_back(p[1]);
            v.push_back(p[0]);
        }
        v.resize(start + stride, 0);
    }
    return v;
}

} // namespace platform
