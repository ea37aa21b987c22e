#include "calibration/RecordFloats.h"

#include <cmath>

std::string RecordFloatName(const RecordFloat& f) {
    const std::string letter(1, static_cast<char>('a' + f.index));
    switch (f.kind) {
    case RecordFloat::AvgStep:
        return "Average step";
    case RecordFloat::PhotoToMw:
        return "Photo-to-mW " + letter;
    case RecordFloat::MwToIndex:
        return "mW-to-Index " + letter;
    case RecordFloat::TempCoeff:
        return "Temperature " + letter;
    case RecordFloat::MultiCalFactor:
        return "Factor in row " + std::to_string(f.index + 1);
    }
    return {};
}

float RecordFloatValue(const HeadRecord& r, const RecordFloat& f) {
    switch (f.kind) {
    case RecordFloat::AvgStep:
        return r.avgStep;
    case RecordFloat::PhotoToMw:
        return r.photoToMw[f.index];
    case RecordFloat::MwToIndex:
        return r.mwToIndex[f.index];
    case RecordFloat::TempCoeff:
        return r.tempCoeffs[f.index];
    case RecordFloat::MultiCalFactor:
        return r.multiCalFactors[f.index];
    }
    return 0.0f;
}

std::vector<RecordFloat> NonFiniteFloats(const HeadRecord& r) {
    std::vector<RecordFloat> stored = {{RecordFloat::AvgStep}};
    for (RecordFloat::Kind kind :
         {RecordFloat::PhotoToMw, RecordFloat::MwToIndex, RecordFloat::TempCoeff})
        for (int i = 0; i < 3; ++i)
            stored.push_back({kind, i});
    for (int entry = 0; entry < UsedMultiCalEntries(r); ++entry)
        stored.push_back({RecordFloat::MultiCalFactor, entry});

    std::vector<RecordFloat> bad;
    for (const RecordFloat& f : stored)
        if (!std::isfinite(RecordFloatValue(r, f)))
            bad.push_back(f);
    return bad;
}
