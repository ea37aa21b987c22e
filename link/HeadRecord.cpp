#include "link/HeadRecord.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <limits>
#include <type_traits>

// The record travels as raw bytes, so the host must share its byte order and
// float format, and every field must sit where the EEPROM image has it.
static_assert(std::endian::native == std::endian::little, "record image is little-endian");
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);
static_assert(std::is_trivially_copyable_v<HeadRecord> && std::is_standard_layout_v<HeadRecord>);
static_assert(sizeof(HeadRecord) == kHeadRecordSize);
static_assert(offsetof(HeadRecord, marker) == 0);
static_assert(offsetof(HeadRecord, model) == 1);
static_assert(offsetof(HeadRecord, serial) == 13);
static_assert(offsetof(HeadRecord, calMonth) == 25);
static_assert(offsetof(HeadRecord, calDay) == 26);
static_assert(offsetof(HeadRecord, calYear) == 27);
static_assert(offsetof(HeadRecord, mwToIndex) == 28);
static_assert(offsetof(HeadRecord, photoToMw) == 40);
static_assert(offsetof(HeadRecord, avgStep) == 52);
static_assert(offsetof(HeadRecord, initialDacPwm) == 56);
static_assert(offsetof(HeadRecord, maxPwm) == 58);
static_assert(offsetof(HeadRecord, maxTemperature) == 59);
static_assert(offsetof(HeadRecord, tempCoeffs) == 60);
static_assert(offsetof(HeadRecord, enableCalibration) == 72);
static_assert(offsetof(HeadRecord, channel) == 73);
static_assert(offsetof(HeadRecord, boardSerial) == 74);
static_assert(offsetof(HeadRecord, lcdFormat) == 82);
static_assert(offsetof(HeadRecord, multiCalCount) == 83);
static_assert(offsetof(HeadRecord, multiCalNames) == 84);
static_assert(offsetof(HeadRecord, multiCalFactors) == 304);
static_assert(offsetof(HeadRecord, reserved) == 344);

void CopyIntoRecord(HeadRecord& r, const uint8_t* data, std::size_t len) {
    if (data != nullptr && len > 0)
        std::memcpy(RecordBytes(r), data, std::min(len, kHeadRecordSize));
}

std::string FieldText(const char* field, std::size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : size);
}

bool SetFieldText(char* field, std::size_t size, std::string_view text) {
    if (size == 0)
        return text.empty();
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
    return n == text.size();
}

void ApplySimulationDefault(HeadRecord& r, uint8_t channel) {
    SetFieldText(r.model, "RVX-1-420");
    SetFieldText(r.serial, "0606001");
    r.calMonth = 6;
    r.calDay = 6;
    r.calYear = 6;
    r.mwToIndex[0] = 1.0f;
    r.mwToIndex[1] = 1.0f;
    r.mwToIndex[2] = 0.0f;
    r.photoToMw[0] = 1.0f;
    r.photoToMw[1] = 1.0f;
    r.photoToMw[2] = 0.0f;
    r.avgStep = 1.0f;
    r.initialDacPwm = 140;
    r.maxPwm = 255;
    r.maxTemperature = 100;
    r.tempCoeffs[0] = 0.0f;
    r.tempCoeffs[1] = 1.0f;
    r.tempCoeffs[2] = 0.0f;
    r.enableCalibration = 1;
    r.channel = channel;
    SetFieldText(r.boardSerial, "0906021");
    r.multiCalCount = 1;
    SetFieldText(r.multiCalNames[0], "Normal");
    for (int i = 1; i < kMultiCalEntries; ++i)
        r.multiCalNames[i][0] = '\0';
    for (float& f : r.multiCalFactors)
        f = 1.0f;
}

std::string CalibrationDateText(const HeadRecord& r) {
    char text[16];
    std::snprintf(text, sizeof text, "%2.2d/%2.2d/%2.2d", r.calMonth, r.calDay, r.calYear);
    return text;
}

void StampDate(HeadRecord& r, const std::tm& date) {
    r.calMonth = static_cast<uint8_t>(date.tm_mon + 1);
    r.calDay = static_cast<uint8_t>(date.tm_mday);
    r.calYear = static_cast<uint8_t>(date.tm_year + 1900 - 2000);
}

void StampToday(HeadRecord& r) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    StampDate(r, local);
}

int EffectiveLcdFormat(const HeadRecord& r) {
    return r.lcdFormat <= 3 ? r.lcdFormat : 1;
}

int UsedMultiCalEntries(const HeadRecord& r) {
    return std::min<int>(r.multiCalCount, kMultiCalEntries);
}

void PackMultiCal(HeadRecord& r, const std::vector<MultiCalRow>& rows) {
    r.multiCalCount = 0;
    for (const MultiCalRow& row : rows) {
        if (!row.selected)
            continue;
        if (r.multiCalCount >= kMultiCalEntries)
            break;
        SetFieldText(r.multiCalNames[r.multiCalCount],
                     std::string_view(row.name).substr(0, kMultiCalNameMax));
        r.multiCalFactors[r.multiCalCount] = row.factor;
        ++r.multiCalCount;
    }
}
