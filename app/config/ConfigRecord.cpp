#include "app/config/ConfigRecord.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <cstring>

// The file is little-endian whatever the host is, so every integer field goes
// through these rather than a memcpy of the struct.
namespace {

int32_t GetLe32(const uint8_t* p) {
    return static_cast<int32_t>(platform::GetLe32(p));
}

void PutLe32(uint8_t* p, int32_t value) {
    platform::PutLe32(p, static_cast<uint32_t>(value));
}

constexpr std::size_t kEntryOffset = offsetof(ConfigRecord, heads);
constexpr std::size_t kEntrySize = sizeof(ConfigHeadEntry);

} // namespace

void DecodeConfigRecord(const uint8_t* data, std::size_t size, ConfigRecord& record) {
    ConfigImage image{};
    if (data != nullptr)
        std::copy_n(data, std::min(size, image.size()), image.begin());

    const uint8_t* p = image.data();
    std::memcpy(record.title, p + offsetof(ConfigRecord, title), sizeof record.title);
    record.headCount = GetLe32(p + offsetof(ConfigRecord, headCount));
    for (int i = 0; i < ConfigRecord::kMaxHeads; ++i) {
        const uint8_t* e = p + kEntryOffset + static_cast<std::size_t>(i) * kEntrySize;
        ConfigHeadEntry& entry = record.heads[i];
        entry.channel = GetLe32(e + offsetof(ConfigHeadEntry, channel));
        std::memcpy(entry.boardSerial, e + offsetof(ConfigHeadEntry, boardSerial),
                    sizeof entry.boardSerial);
        entry.x = GetLe32(e + offsetof(ConfigHeadEntry, x));
        entry.y = GetLe32(e + offsetof(ConfigHeadEntry, y));
    }
    std::memcpy(record.reserved, p + offsetof(ConfigRecord, reserved), sizeof record.reserved);
    record.passwordProtect = p[offsetof(ConfigRecord, passwordProtect)];
    std::memcpy(record.filler, p + offsetof(ConfigRecord, filler), sizeof record.filler);
}

ConfigImage EncodeConfigRecord(const ConfigRecord& record) {
    ConfigImage image{};
    uint8_t* p = image.data();
    std::memcpy(p + offsetof(ConfigRecord, title), record.title, sizeof record.title);
    PutLe32(p + offsetof(ConfigRecord, headCount), record.headCount);
    for (int i = 0; i < ConfigRecord::kMaxHeads; ++i) {
        uint8_t* e = p + kEntryOffset + static_cast<std::size_t>(i) * kEntrySize;
        const ConfigHeadEntry& entry = record.heads[i];
        PutLe32(e + offsetof(ConfigHeadEntry, channel), entry.channel);
        std::memcpy(e + offsetof(ConfigHeadEntry, boardSerial), entry.boardSerial,
                    sizeof entry.boardSerial);
        PutLe32(e + offsetof(ConfigHeadEntry, x), entry.x);
        PutLe32(e + offsetof(ConfigHeadEntry, y), entry.y);
    }
    std::memcpy(p + offsetof(ConfigRecord, reserved), record.reserved, sizeof record.reserved);
    p[offsetof(ConfigRecord, passwordProtect)] = record.passwordProtect;
    std::memcpy(p + offsetof(ConfigRecord, filler), record.filler, sizeof record.filler);
    return image;
}

std::string BoardSerialText(const ConfigHeadEntry& entry) {
    const char* begin = entry.boardSerial;
    const char* end = std::find(begin, begin + sizeof entry.boardSerial, '\0');
    return std::string(begin, end);
}
