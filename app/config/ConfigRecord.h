#pragma once

// The application settings record, kept byte for byte in config.ini.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// One configured optical-head position.
struct ConfigHeadEntry {
    int32_t channel;     // 0 = channel A, any other value = channel B (used as the head's channel)
    char boardSerial[8]; // serial of the controller the head hangs on; NUL-terminated unless 8 long
    int32_t x;           // left edge of the head's indicator, main-dialog client pixels
    int32_t y;           // top edge of the head's indicator, main-dialog client pixels
};

// The whole settings record: 1432 bytes, little-endian, code page 1252 text.
struct ConfigRecord {
    static constexpr std::size_t kSize = 1432;
    static constexpr int kMaxHeads = 67;

    char title[64];    // window title, NUL-terminated
    int32_t headCount; // head positions in use; stored as typed, never validated
    ConfigHeadEntry heads[kMaxHeads];
    uint8_t reserved[20];    // not ours: written back as read
    uint8_t passwordProtect; // nonzero: configuration and calibration ask for the password
    uint8_t filler[3];       // written back as read
};

static_assert(sizeof(ConfigHeadEntry) == 20);
static_assert(offsetof(ConfigHeadEntry, boardSerial) == 4);
static_assert(offsetof(ConfigHeadEntry, x) == 12);
static_assert(offsetof(ConfigHeadEntry, y) == 16);
static_assert(sizeof(ConfigRecord) == ConfigRecord::kSize);
static_assert(offsetof(ConfigRecord, headCount) == 64);
static_assert(offsetof(ConfigRecord, heads) == 68);
static_assert(offsetof(ConfigRecord, reserved) == 1408);
static_assert(offsetof(ConfigRecord, passwordProtect) == 1428);
static_assert(offsetof(ConfigRecord, filler) == 1429);

using ConfigImage = std::array<uint8_t, ConfigRecord::kSize>;

// Fills `record` from the first `size` bytes of a file image. Bytes past the
// record's size are ignored; bytes a short image does not reach read as zero.
void DecodeConfigRecord(const uint8_t* data, std::size_t size, ConfigRecord& record);

// The record's exact file image.
ConfigImage EncodeConfigRecord(const ConfigRecord& record);

// The entry's board serial as text: up to the first NUL, or all 8 bytes when
// the field holds none.
std::string BoardSerialText(const ConfigHeadEntry& entry);
