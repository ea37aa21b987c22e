#include "app/ProfileStep.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

std::array<uint8_t, ProfileStep::kSize> ProfileStep::Encode() const {
    std::array<uint8_t, kSize> out{};
    out[0] = calibrated;
    platform::PutLe32(&out[4], static_cast<uint32_t>(duration));
    uint32_t bits;
    std::memcpy(&bits, &intensity1, sizeof bits);
    platform::PutLe32(&out[8], bits);
    std::memcpy(&bits, &intensity2, sizeof bits);
    platform::PutLe32(&out[12], bits);
    out[16] = pause;
    return out;
}

ProfileStep ProfileStep::Decode(const uint8_t* p) {
    ProfileStep s;
    s.calibrated = p[0] != 0 ? 1 : 0;
    s.duration = static_cast<int32_t>(platform::GetLe32(p + 4));
    s.intensity1 = platform::GetLeFloat(p + 8);
    s.intensity2 = platform::GetLeFloat(p + 12);
    s.pause = p[16] != 0 ? 1 : 0;
    return s;
}

std::vector<ProfileStep> DecodeProfile(const uint8_t* data, std::size_t size,
                                       std::size_t* droppedBytes) {
    std::vector<ProfileStep> steps;
    steps.reserve(size / ProfileStep::kSize);
    std::size_t at = 0;
    for (; size - at >= ProfileStep::kSize; at += ProfileStep::kSize)
        steps.push_back(ProfileStep::Decode(data + at));
    if (droppedBytes)
        *droppedBytes = size - at;
    return steps;
}

std::vector<uint8_t> EncodeProfile(const std::vector<ProfileStep>& steps) {
    std::vector<uint8_t> out;
    out.reserve(steps.size() * ProfileStep::kSize);
    for (const ProfileStep& s : steps) {
        const auto record = s.Encode();
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

namespace {

// Truncation toward zero that keeps the sign of a value beyond int's range:
// the processor's truncation would give INT_MIN for 3e9 as well as for -3e9.
int SaturatedInt(float value) {
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value < -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

std::string IntensityText(float value, bool calibrated) {
    char text[64];
    if (calibrated)
        std::snprintf(text, sizeof text, "%4.1f", static_cast<double>(value));
    else
        std::snprintf(text, sizeof text, "%3d", SaturatedInt(value));
    return text;
}

std::vector<std::string> StepTexts(const ProfileStep& step, bool calibrated, bool twoHeads) {
    std::vector<std::string> texts;
    texts.push_back(std::to_string(step.duration));
    texts.push_back(IntensityText(step.intensity1, calibrated));
    if (twoHeads)
        texts.push_back(IntensityText(step.intensity2, calibrated));
    texts.push_back(step.pause ? "X" : " ");
    return texts;
}

uint16_t HeldIndex(int value) {
    return static_cast<uint16_t>(std::clamp(value, 0, kMaxIndex));
}

uint16_t StepIndex(float value) {
    return HeldIndex(SaturatedInt(value));
}
