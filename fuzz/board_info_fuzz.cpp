// The board-information reply as a controller may send it: any payload.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "link/ControllerCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > size_t(std::numeric_limits<int>::max()))
        return 0;
    BoardInfo info;
    info.boardSerial = "kept";
    const int length = static_cast<int>(size);
    if (!ParseBoardInfo(data, length, info)) {
        // Only a payload too short for the five fixed bytes is refused, untouched.
        if (length >= 5 || info.boardSerial != "kept")
            std::abort();
        return 0;
    }
    // Both texts come from the payload after the fixed bytes and hold no NUL.
    const size_t texts = info.firmwareVersion.size() + info.boardSerial.size();
    if (length < 5 || texts > size - 5 || info.role != data[0] || info.headCount != data[4] ||
        std::memchr(info.firmwareVersion.data(), 0, info.firmwareVersion.size()) ||
        std::memchr(info.boardSerial.data(), 0, info.boardSerial.size()))
        std::abort();
    return 0;
}
