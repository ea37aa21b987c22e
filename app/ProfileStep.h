#pragma once
// One step of an intensity profile and the profile file: the steps' 20-byte
// little-endian records back to back, with no header or count.
//
//   offset 0  calibrated (1 byte, nonzero = made in calibrated mode), 3 padding
//   offset 4  duration in seconds (int32)
//   offset 8  intensity 1 (float: mW/cm2, or the intensity index as a float)
//   offset 12 intensity 2 (float, same unit; used only with two head positions)
//   offset 16 pause after the step (1 byte, nonzero = set), 3 padding
//
// Pure encoding and decoding; the file itself is read and written by
// ProfileFile.h.

#include "app/shared/Intensity.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ProfileStep {
    static constexpr std::size_t kSize = 20;

    uint8_t calibrated = 0; // 1 calibrated mode, 0 index mode
    int32_t duration = 0;   // seconds, as typed (may be negative in a file)
    float intensity1 = 0.0f;
    float intensity2 = 0.0f;
    uint8_t pause = 0; // 1: the runner waits for the operator after this step

    // Padding is written as zeros.
    std::array<uint8_t, kSize> Encode() const;
    // `p` points at kSize bytes. Padding is ignored; any nonzero flag byte
    // reads as 1.
    static ProfileStep Decode(const uint8_t* p);
};

// Every whole record of `size` bytes at `data`, in order. A trailing fragment
// shorter than a record is dropped: the format never writes one, so it can only
// be the cut-off end of a damaged copy, and a step made up from it could run
// the light for a time nobody chose. `*droppedBytes` (when given) receives the
// fragment's length.
std::vector<ProfileStep> DecodeProfile(const uint8_t* data, std::size_t size,
                                       std::size_t* droppedBytes = nullptr);
std::vector<uint8_t> EncodeProfile(const std::vector<ProfileStep>& steps);

// The step list's texts of a step, in the selected mode (calibrated: "%4.1f",
// index: "%3d" of the value truncated toward zero): duration, intensity 1,
// intensity 2 only when `twoHeads`, then the pause mark ("X" or a blank).
std::vector<std::string> StepTexts(const ProfileStep& step, bool calibrated, bool twoHeads);

// An intensity as the indicators and the step list show it. An index is
// truncated toward zero; one beyond int's range shows as int's nearer end.
std::string IntensityText(float value, bool calibrated);

// An index held to 0-kMaxIndex: a typed or stored value beyond that range
// becomes its nearer end instead of having its low 16 bits sent (a -1 would
// be 65535, full output).
uint16_t HeldIndex(int value);
// The index a step's intensity (an index held as a float) sends: truncated
// toward zero, then held as HeldIndex holds it, however large the value (a
// NaN sends 0).
uint16_t StepIndex(float value);
