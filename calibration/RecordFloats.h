// The float fields a head's record stores, named as the head configuration
// labels them. A head with a NaN or an infinity in its record (an erased
// EEPROM reads all 0xFF) turns its calibrated settings into nonsense, so no
// dialog burns one: the head configuration's Save and Burn and the
// calibration utility's Burn all ask NonFiniteFloats which fields hold one.
#pragma once

#include "link/HeadRecord.h"

#include <string>
#include <vector>

struct RecordFloat {
    enum Kind { AvgStep, PhotoToMw, MwToIndex, TempCoeff, MultiCalFactor };
    Kind kind;
    // a, b, c as 0-2 for a coefficient; for a factor, the multi-calibration
    // row (0-9) it is shown in, which for a record as read is its entry.
    int index = 0;
};

// "Average step", "Photo-to-mW a", "mW-to-Index b", "Temperature c",
// "Factor in row 3" (index 2).
std::string RecordFloatName(const RecordFloat& f);

// The value of `f` in `r`; a factor is taken from entry f.index.
float RecordFloatValue(const HeadRecord& r, const RecordFloat& f);

// The stored floats of `r` that are not finite, in the order the head
// configuration shows them: average step, Photo-to-mW, mW-to-Index and
// temperature a-c, then the factors of the used multi-calibration entries
// (those beyond the count carry no meaning and are not looked at).
std::vector<RecordFloat> NonFiniteFloats(const HeadRecord& r);
