#pragma once
// The 360-byte configuration record every optical head keeps in its EEPROM.
// The struct *is* the wire and file image: every field sits at its natural
// alignment, so the layout needs no packing pragma, and the static_asserts in
// HeadRecord.cpp prove each offset on every compiler we build with. The image
// is little-endian with IEEE-754 floats, which those asserts also demand of
// the host, so a record can be copied to and from bytes with memcpy.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

struct HeadRecord {
    uint8_t marker;             // 'V' on every record burned by this program
    char model[12];             // CP1252, NUL-terminated inside the field
    char serial[12];            // CP1252, NUL-terminated inside the field
    uint8_t calMonth;           // 1-12
    uint8_t calDay;             // 1-31
    uint8_t calYear;            // year - 2000
    float mwToIndex[3];         // a, b, c: index = a*x^2 + b*x + c, x in mW/cm2
    float photoToMw[3];         // a, b, c: uW/cm2 = a*p^2 + b*p + c, p in counts
    float avgStep;              // mW/cm2 per index step
    int16_t initialDacPwm;      // DAC value (PWM mode) or PWM value (DAC mode)
    uint8_t maxPwm;             //
    uint8_t maxTemperature;     //
    float tempCoeffs[3];        // a, b, c; shown and edited only
    uint8_t enableCalibration;  // 1: calibrated operation allowed
    uint8_t channel;            // 0 = A, any other value = B
    char boardSerial[8];        // CP1252, at most 7 characters and a NUL
    uint8_t lcdFormat;          // 0-3; anything else reads as 1
    uint8_t multiCalCount;      // used entries (0-10), always the first ones
    char multiCalNames[10][22]; // NUL-terminated names
    float multiCalFactors[10];  //
    uint8_t reserved[16];       // carried unchanged
};

constexpr std::size_t kHeadRecordSize = 360;
constexpr uint8_t kHeadRecordMarker = 'V';
constexpr int kMultiCalEntries = 10;
constexpr std::size_t kMultiCalNameMax = 19; // characters the program writes into a name

// The record as bytes, in wire and file order. The pointers alias the record.
inline const uint8_t* RecordBytes(const HeadRecord& r) {
    return reinterpret_cast<const uint8_t*>(&r);
}
inline uint8_t* RecordBytes(HeadRecord& r) {
    return reinterpret_cast<uint8_t*>(&r);
}

// Copies `len` bytes into the record from offset 0; at most 360 are taken and
// bytes beyond a shorter source keep their values.
void CopyIntoRecord(HeadRecord& r, const uint8_t* data, std::size_t len);

// Fills the fields of the record that stands in for a head in simulation mode.
// marker, lcdFormat, reserved and the bytes after each text's NUL are left alone.
void ApplySimulationDefault(HeadRecord& r, uint8_t channel);

// A text field up to its NUL or, without one, up to the end of the field.
std::string FieldText(const char* field, std::size_t size);
template <std::size_t N> std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// Writes `text` and a NUL into a field of `size` bytes, cutting the text to
// size - 1 characters; bytes after the NUL keep their values. Returns false
// when the text had to be cut.
bool SetFieldText(char* field, std::size_t size, std::string_view text);
template <std::size_t N> bool SetFieldText(char (&field)[N], std::string_view text) {
    return SetFieldText(field, N, text);
}

// "MM/DD/YY" of calMonth, calDay, calYear, two digits each ("%2.2d").
std::string CalibrationDateText(const HeadRecord& r);

// Stamps calMonth/calDay/calYear from a calendar date (tm_mon 0-11, tm_year
// since 1900) or from today's local date.
void StampDate(HeadRecord& r, const std::tm& date);
void StampToday(HeadRecord& r);

// Readers' clamps.
int EffectiveLcdFormat(const HeadRecord& r);  // 0-3; out-of-range values read as 1
int UsedMultiCalEntries(const HeadRecord& r); // multiCalCount capped at 10

// One row of a multi-calibration list as a writer holds it.
struct MultiCalRow {
    std::string name; // CP1252; cut to 19 characters when packed
    float factor = 1.0f;
    bool selected = true;
};

// Rewrites the table from the selected rows, in row order, into entries
// 0..n-1; entries from n on keep their old bytes. Rows past the tenth
// selected one do not fit and are dropped.
void PackMultiCal(HeadRecord& r, const std::vector<MultiCalRow>& rows);
