#pragma once
// Identity and latest telemetry of one logged head position (positions 0 to 7).

#include <cstdint>
#include <string>

struct LogHeadInfo {
    uint8_t present = 0;     // the head was found at start; only present heads are logged
    std::string model;       // model text of the head's record
    std::string serial;      // head serial text
    std::string calDate;     // calibration date, "mm/dd/yy"
    float reading = 0.0f;    // latest output reading
    int32_t temperature = 0; // latest temperature byte, 0-255
};
