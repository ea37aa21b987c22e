// Feeds any file to the profile loader: every whole 20-byte record becomes a
// step, the tail is dropped, re-encoding gives the record back with its padding
// zeroed and its flags as 0 or 1, and the step list's texts can be made of any
// value (NaN, infinities, durations of either sign).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/ProfileStep.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t dropped = 0;
    const std::vector<ProfileStep> steps = DecodeProfile(data, size, &dropped);
    if (steps.size() != size / ProfileStep::kSize || dropped != size % ProfileStep::kSize)
        std::abort();
    const std::vector<uint8_t> again = EncodeProfile(steps);
    if (again.size() != steps.size() * ProfileStep::kSize)
        std::abort();
    for (size_t i = 0; i < again.size(); ++i) {
        const size_t at = i % ProfileStep::kSize;
        uint8_t want = data[i];
        if (at == 0 || at == 16)
            want = want != 0 ? 1 : 0;
        else if ((at >= 1 && at <= 3) || at >= 17)
            want = 0;
        if (again[i] != want)
            std::abort();
    }
    for (const ProfileStep& s : steps) {
        for (bool calibrated : {false, true}) {
            const auto texts = StepTexts(s, calibrated, true);
            if (texts.size() != 4 || (texts[3] != "X" && texts[3] != " "))
                std::abort();
        }
    }
    return 0;
}
