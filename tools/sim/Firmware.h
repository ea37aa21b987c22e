#pragma once
// What a simulated controller knows and how it answers: board information,
// two head channels with their EEPROM records, and a light model per head.
// Pure state machine, no I/O: Controller feeds it decoded requests.
//
// Light model of one head (all figures per head, see HeadOptics):
//  * drive level u = min(index, 255) / 255; the optical output is
//    peak * (u + curvature * u * (1 - u)) mW/cm2 (smooth, slightly concave),
//    scaled by the held DAC value in PWM mode (dac / 140, at most 1.5) or by
//    the held PWM value in DAC mode (pwm / 255);
//  * a calibrated set point x mW/cm2 becomes index a*x^2 + b*x + c through the
//    record's mW-to-Index curve, rounded and clamped to 0..255;
//  * photodiode counts = countsPerMw * out * (1 - photoSag * out / peak), plus
//    uniform noise of +-noiseCounts;
//  * the read-output reply carries what the head believes: the record's
//    Photo-to-mW curve applied to the counts, divided by 1000;
//  * temperature = ambient + degreesPerMw * out, times 1.6 with the fan off;
//    above the record's maxTemperature the head latches over-temperature and
//    goes dark until the protection is cancelled.

#include "link/ControllerCommand.h"
#include "link/HeadRecord.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace sim {

// Heads of this kind reach well below 100 mW/cm2 at full drive; the reference
// radiometer's stability window never settles above 99999.9 uW/cm2, so a
// brighter head (BrightOptics) is there to try that case on purpose.
struct HeadOptics {
    double peakMw = 85.0;    // output at index 255 with unity scale, mW/cm2
    double curvature = 0.18; // 0 = linear in the index
    double countsPerMw = 20.0;
    double photoSag = 0.04; // relative loss of photodiode gain at peak output
    double ambientC = 25.0;
    double degreesPerMw = 0.15;
};

// The pulse train last started. Mode 0 lights the channels for onMs, darkens
// them for offMs, `count` times, then ends by itself; mode 2 pulses until
// stopped; mode 3 waits for the external trigger, then runs as mode 0. While a
// train runs its channels show the train's index in the on phases and nothing
// in the off phases; a started train takes the channels over, so they stay
// dark once it is over.
struct PulseTrain {
    bool running = false;
    uint8_t channel = 0; // 0 A, 1 B, 2 both
    uint16_t onMs = 0;
    uint16_t offMs = 0;
    uint8_t index = 0;
    uint8_t mode = 0;
    uint16_t count = 0;
    bool armed = false;   // mode 3 before its trigger
    uint64_t startMs = 0; // firmware clock at the first pulse
};

struct ChannelState {
    bool present = true;
    HeadRecord record{};
    HeadOptics optics;
    uint16_t index = 0; // last index as received (16 bits)
    uint16_t dac = 140;
    uint8_t pwm = 255;
    bool overTemperature = false;
};

struct FirmwareOptions {
    BoardInfo board{1, 0, false, false, 2, "3.02", "01001001"};
    bool headPresent[2] = {true, true};
    HeadOptics optics[2] = {HeadOptics{}, HeadOptics{70.0, 0.25, 24.0, 0.05, 25.0, 0.18}};
    double noiseCounts = 1.5;
    uint32_t seed = 1;
};

// A head that outshines what the radiometer can follow: 180 mW/cm2 at full drive.
HeadOptics BrightOptics();

// A record as a fresh, uncalibrated head of this simulator carries it.
HeadRecord FactoryRecord(const std::string& boardSerial, int channel);

class Firmware {
public:
    struct Reply {
        uint8_t code = 0;
        std::vector<uint8_t> payload;
    };

    explicit Firmware(const FirmwareOptions& options);

    // Answers one well-formed request. Returns false when the controller stays
    // silent (unknown code, payload too short). Sets `recordChanged` to the
    // channel whose EEPROM record was written or erased, else -1.
    bool Handle(uint8_t code, const std::vector<uint8_t>& payload, Reply& reply,
                int& recordChanged);

    // Also starts a train armed for the trigger.
    void FireTrigger();

    double OpticalOutput(int channel) const;                  // mW/cm2 the head really emits
    double Temperature(int channel) const;                    // degrees C
    uint16_t PhotoCounts(int channel);                        // with noise
    float BelievedOutput(int channel, uint16_t counts) const; // mW/cm2

    // Power-on values of the held DAC and PWM from a channel's record.
    void LoadDefaultsFromRecord(int channel);

    // The firmware's clock in ms (monotonic; the owner moves it). A counted
    // pulse train that is over by then stops running.
    void SetClock(uint64_t ms);
    uint64_t Clock() const { return m_nowMs; }
    // The pulse train drives this channel at this moment.
    bool PulseDrives(int channel) const;
    // 1-based number of the pulse under way at this moment, 0 when none.
    uint32_t PulseNumber() const;

    BoardInfo board;
    ChannelState channels[2];
    bool fanOn = true;
    bool calibrationMode = false;
    bool debugWithoutHead = false;
    PulseTrain pulse;

private:
    void SetIndex(int channel, uint16_t index);
    void SetIntensity(int channel, float mw);
    void UpdateProtection(int channel);
    template <class F> void ForChannels(uint8_t channelByte, F&& f);

    bool m_triggerFired = false;
    uint64_t m_nowMs = 0;
    double m_noise;
    std::mt19937 m_rng;
};

} // namespace sim
