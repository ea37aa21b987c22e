#include "link/ControllerCommand.h"

#include <cstring>
#include <utility>

namespace {

// Text from `p` up to its NUL or to `end`; `p` moves past the NUL.
std::string TakeText(const uint8_t*& p, const uint8_t* end) {
    const void* nul = std::memchr(p, 0, static_cast<std::size_t>(end - p));
    const uint8_t* stop = nul ? static_cast<const uint8_t*>(nul) : end;
    std::string text(reinterpret_cast<const char*>(p), static_cast<std::size_t>(stop - p));
    p = stop < end ? stop + 1 : end;
    return text;
}

} // namespace

bool ParseBoardInfo(const uint8_t* payload, int length, BoardInfo& out) {
    if (payload == nullptr || length < 5)
        return false;
    const uint8_t* p = payload + 5;
    const uint8_t* end = payload + length;
    BoardInfo info;
    info.role = payload[0];
    info.intensitySetMode = payload[1];
    info.externalTrigger = payload[2] == 1;
    info.persistence = payload[3] == 1;
    info.headCount = payload[4];
    info.firmwareVersion = TakeText(p, end);
    info.boardSerial = TakeText(p, end);
    out = std::move(info);
    return true;
}
