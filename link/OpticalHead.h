#pragma once
// COpticalHead: one optical head position, channel A or B of one controller.
// Each call forwards exactly one controller command with the head's channel
// (its low byte on the wire); a head without a controller sends nothing.
// Used from the UI thread only. The head never owns its controller.

#include <cstdint>
#include <string>

#include "link/ControlBoard.h"
#include "link/HeadRecord.h"

class COpticalHead {
public:
    // The unit of what the head was last told (m_fSetting holds the value).
    enum class Told : uint8_t {
        Off,        // the off command (or an intensity of exactly 0)
        Milliwatts, // an intensity in mW/cm2
        Index,      // a raw intensity index (or PWM value)
    };

    COpticalHead();

    bool EraseEeprom();
    void StopPulse();
    // This channel's DAC value; 0 on failure, after a "Debug" box
    // ("No controller!" or "DAC failed.").
    uint16_t ReadDac();
    // The same read (boxes included) for callers that must tell a failure
    // from a value of 0: false on failure, `value` then untouched.
    bool ReadDac(uint16_t& value);
    // Reads m_record (ResetReply first) and refreshes the three texts from it,
    // whether the read succeeded or not.
    bool ReadRecord();
    // Stores both outputs in m_fOutput / m_nTemperature, also after a failed
    // read. Without a controller nothing was read: false, outputs and members
    // untouched.
    bool ReadOutput(float& output, uint8_t& temperature);
    bool ReadPhoto(uint16_t& counts);
    void Off();
    // The caller's channel code (0 A, 1 B, 2 both) is sent, not the head's.
    void StartPulse(uint8_t channel, uint16_t onMs, uint16_t offMs, uint8_t index, uint8_t mode,
                    uint16_t count);
    // Sends the low 16 bits of `index` and keeps them as the setting.
    void SetIndex(int32_t index);
    // Exactly 0.0 (either sign) switches the head off instead.
    void SetIntensity(float mw);
    void SetDacValue(int32_t value); // low 16 bits
    // Marks the record with 'V' and burns it.
    bool WriteRecord();
    // Sends the low 8 bits of `value` and keeps them as the setting.
    void SetPwmIndex(int32_t value);
    // Keeps what a command for both channels of this head's controller, sent
    // by the caller, told this head: an intensity (0 is off) or an index.
    void KeepSetting(Told unit, float value);

    CControlBoard* m_pBoard; // not owned; null when unbound
    int32_t m_nChannel;      // 0 = A, 1 = B
    std::string m_strBoardSerial;
    uint8_t m_bPresent;
    std::string m_strModel;   // CP1252
    std::string m_strSerial;  // CP1252
    std::string m_strCalDate; // "MM/DD/YY"
    int32_t m_nX;
    int32_t m_nY;
    HeadRecord m_record;
    float m_fOutput;        // mW/cm2 of the last ReadOutput
    int32_t m_nTemperature; // temperature byte of the last ReadOutput
    float m_fSetting;       // mW/cm2 or index last set; 0.0 after Off
    Told m_told;            // the unit of m_fSetting; Off before anything was sent

private:
    uint8_t Channel() const { return static_cast<uint8_t>(m_nChannel & 0xFF); }
};
