// The bitmap loader on any file: the program reads instrument.bmp from its
// working directory, so whatever lies there reaches the decoder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto image = platform::DecodeBmp(data, size);
    if (image && (image->width <= 0 || image->height <= 0 ||
                  image->rgb.size() != size_t(image->width) * size_t(image->height) * 3))
        std::abort();
    // The same bytes through an open file, as the picture holder reads them.
    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    auto loaded = platform::LoadPicture(file);
    std::fclose(file);
    if (bool(loaded) != bool(image) || (image && loaded->rgb != image->rgb))
        std::abort();
    return 0;
}
