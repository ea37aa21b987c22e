#pragma once
// CControlBoard: one controller box on one serial port, with one method per
// controller command. Each method sends one request, waits its fixed time for
// the matching reply and returns true when it came; queries also unpack the
// reply. In simulation (m_bDemo) nothing is sent (ContinueWithoutHead
// excepted) and each method answers at once with a fixed value.
// All methods run on the owning (UI) thread, one request at a time.

#include <cstdint>
#include <string>

#include "link/ControllerCommand.h"
#include "link/HeadRecord.h"
#include "link/Packet.h"

class CControlBoard : public CPacket {
public:
    CControlBoard();
    // Stops the read thread before the members it could still see go away.
    ~CControlBoard();

    // Intensities in mW/cm2 (float), indices 0-255 sent as 16 bits; channel
    // byte 0 = A, 1 = B, 2 = both where the command allows it.
    bool SetDualIntensity(float a, float b);
    bool SetDualIndex(uint16_t a, uint16_t b);
    // A value that compares equal to 0.0 sends HeadOff for the channel instead.
    bool SetIntensity(uint8_t channel, float mw);
    bool SetIndex(uint8_t channel, uint16_t index);
    bool SetPwmIndex(uint8_t channel, uint8_t pwm);
    bool HeadOff(uint8_t channel);
    bool SetHeadFan(uint8_t state);
    // Output reading (mW/cm2) and temperature byte; on failure both are left as they were.
    bool ReadOutput(uint8_t channel, float& reading, uint8_t& temperature);
    // Copies at most 360 reply bytes into `record` from offset 0; on failure nothing.
    bool ReadHeadRecord(uint8_t channel, HeadRecord& record);
    bool WriteHeadRecord(uint8_t channel, const HeadRecord& record);
    bool EnterCalibrationMode();
    bool SetExternalTrigger(uint8_t on);
    // Both outputs are 0 unless the query succeeds.
    bool ReadDac(uint16_t& a, uint16_t& b);
    bool SetDacValue(uint8_t channel, uint16_t dac);
    bool CancelOvertempProtection();
    // Fills the BoardInfo members; on failure they keep their values.
    bool ReadBoardInfo();
    // Sends m_nRole, m_nIntensitySetMode and 8 bytes of m_strBoardSerial. Throws
    // std::invalid_argument, writing nothing, when the serial has fewer than 7 characters.
    bool WriteBoardInfo();
    // Photodiode counts; on failure `counts` is left as it was.
    bool ReadPhoto(uint8_t channel, uint16_t& counts);
    // True only when the controller reports that the external trigger has fired.
    bool QueryTrigger();
    bool SetPersistence(uint8_t on);
    bool StartPulseMode(uint8_t channel, uint16_t onMs, uint16_t offMs, uint8_t index, uint8_t mode,
                        uint16_t count);
    bool StopPulseMode();
    // Written also in simulation.
    bool ContinueWithoutHead();
    bool EraseHeadEeprom(uint8_t channel);

    std::string m_strPort;       // as passed to Open, e.g. "\\.\ttyACM0"
    uint8_t m_nRole;             // BoardInfo role
    uint8_t m_nIntensitySetMode; // 0 = PWM, other = DAC
    bool m_bExternalTrigger;
    bool m_bPersistence;
    uint8_t m_nHeadCount;
    std::string m_strFirmwareVersion; // CP1252
    std::string m_strBoardSerial;     // CP1252, 8 characters from a controller

    // Waits of the commands, in milliseconds.
    static constexpr uint16_t kWaitShort = 500;
    static constexpr uint16_t kWaitSwitch = 1000;
    static constexpr uint16_t kWaitRecordRead = 1500;
    static constexpr uint16_t kWaitRecordWrite = 2000;

private:
    bool Command(uint8_t code, uint16_t wait = kWaitShort);
    bool ChannelCommand(uint8_t code, uint8_t channel);
};
