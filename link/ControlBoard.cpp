#include "link/ControlBoard.h"

#include "platform/LittleEndian.h"

#include <cstring>
#include <stdexcept>

using platform::GetLe16;
using platform::GetLeFloat;

CControlBoard::CControlBoard()
    : m_nRole(0), m_nIntensitySetMode(0), m_bExternalTrigger(false), m_bPersistence(false),
      m_nHeadCount(0) {}

CControlBoard::~CControlBoard() {
    Close();
}

bool CControlBoard::Command(uint8_t code, uint16_t wait) {
    SendCommand(code);
    return WaitAck(wait);
}

bool CControlBoard::ChannelCommand(uint8_t code, uint8_t channel) {
    BeginFrame(code);
    AddByte(channel);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::SetDualIntensity(float a, float b) {
    ResetReply();
    BeginFrame(CMD_SET_DUAL_INTENSITY);
    AddFloat(a);
    AddFloat(b);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::SetDualIndex(uint16_t a, uint16_t b) {
    ResetReply();
    BeginFrame(CMD_SET_DUAL_INDEX);
    AddWord(a);
    AddWord(b);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::SetIntensity(uint8_t channel, float mw) {
    if (mw == 0.0f)
        return HeadOff(channel);
    ResetReply();
    BeginFrame(CMD_SET_INTENSITY);
    AddByte(channel);
    AddFloat(mw);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::SetIndex(uint8_t channel, uint16_t index) {
    ResetReply();
    BeginFrame(CMD_SET_INDEX);
    AddByte(channel);
    AddWord(index);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::SetPwmIndex(uint8_t channel, uint8_t pwm) {
    BeginFrame(CMD_SET_PWM_INDEX);
    AddByte(channel);
    AddByte(pwm);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::HeadOff(uint8_t channel) {
    ResetReply();
    return ChannelCommand(CMD_HEAD_OFF, channel);
}

bool CControlBoard::SetHeadFan(uint8_t state) {
    return ChannelCommand(CMD_SET_HEAD_FAN, state);
}

bool CControlBoard::ReadOutput(uint8_t channel, float& reading, uint8_t& temperature) {
    if (m_bDemo) {
        reading = 0.0f;
        temperature = 0;
        return true;
    }
    BeginFrame(CMD_READ_OUTPUT);
    AddByte(channel);
    EndFrame();
    // A reply too short for its float is refused rather than read from the
    // checksum and the bytes after it.
    uint8_t reply[5];
    if (!WaitReply(CMD_READ_OUTPUT, kWaitShort))
        return false;
    const int length = CopyReply(CMD_READ_OUTPUT, reply, sizeof reply);
    if (length < 4)
        return false;
    reading = GetLeFloat(reply);
    // The temperature byte follows the float when the controller sends one;
    // a bare 4-byte reply gives the float's third byte, as older peers expect.
    temperature = length >= 5 ? reply[4] : reply[2];
    return true;
}

bool CControlBoard::ReadHeadRecord(uint8_t channel, HeadRecord& record) {
    if (m_bDemo) {
        ApplySimulationDefault(record, channel);
        return true;
    }
    ResetReply();
    BeginFrame(CMD_READ_HEAD_RECORD);
    AddByte(channel);
    EndFrame();
    if (!WaitReply(CMD_READ_HEAD_RECORD, kWaitRecordRead))
        return false;
    // Copied out under the receive lock, so a frame arriving meanwhile cannot mix
    // its bytes into the record.
    uint8_t reply[kHeadRecordSize];
    const int length = CopyReply(CMD_READ_HEAD_RECORD, reply, sizeof reply);
    if (length < 0)
        return false;
    if (length > 0)
        CopyIntoRecord(record, reply, static_cast<std::size_t>(length));
    return true;
}

bool CControlBoard::WriteHeadRecord(uint8_t channel, const HeadRecord& record) {
    BeginFrame(CMD_WRITE_HEAD_RECORD);
    AddByte(channel);
    AddWord(static_cast<uint16_t>(kHeadRecordSize));
    const uint8_t* bytes = RecordBytes(record);
    for (std::size_t i = 0; i < kHeadRecordSize; ++i)
        AddByte(bytes[i]);
    EndFrame();
    return WaitAck(kWaitRecordWrite);
}

bool CControlBoard::EnterCalibrationMode() {
    return Command(CMD_ENTER_CALIBRATION_MODE);
}

bool CControlBoard::SetExternalTrigger(uint8_t on) {
    BeginFrame(CMD_SET_EXTERNAL_TRIGGER);
    AddByte(on);
    EndFrame();
    return WaitAck(kWaitSwitch);
}

bool CControlBoard::ReadDac(uint16_t& a, uint16_t& b) {
    a = 0;
    b = 0;
    if (m_bDemo)
        return true;
    SendCommand(CMD_READ_DAC);
    uint8_t reply[4];
    if (!WaitReply(CMD_READ_DAC, kWaitShort) || CopyReply(CMD_READ_DAC, reply, 4) < 4)
        return false;
    a = GetLe16(reply);
    b = GetLe16(reply + 2);
    return true;
}

bool CControlBoard::SetDacValue(uint8_t channel, uint16_t dac) {
    BeginFrame(CMD_SET_DAC_VALUE);
    AddByte(channel);
    AddWord(dac);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::CancelOvertempProtection() {
    return Command(CMD_CANCEL_OVERTEMP);
}

bool CControlBoard::ReadBoardInfo() {
    BoardInfo info;
    if (m_bDemo) {
        info = BoardInfo{1, 0, false, false, 2, "3.00", "01001001"};
    } else {
        SendCommand(CMD_READ_BOARD_INFO);
        uint8_t reply[512];
        if (!WaitReply(CMD_READ_BOARD_INFO, kWaitShort))
            return false;
        const int length = CopyReply(CMD_READ_BOARD_INFO, reply, sizeof reply);
        if (length < 0 || !ParseBoardInfo(reply, length, info))
            return false;
    }
    m_nRole = info.role;
    m_nIntensitySetMode = info.intensitySetMode;
    m_bExternalTrigger = info.externalTrigger;
    m_bPersistence = info.persistence;
    m_nHeadCount = info.headCount;
    m_strFirmwareVersion = std::move(info.firmwareVersion);
    m_strBoardSerial = std::move(info.boardSerial);
    return true;
}

bool CControlBoard::WriteBoardInfo() {
    if (m_strBoardSerial.size() < 7)
        throw std::invalid_argument("board serial needs at least 7 characters");
    BeginFrame(CMD_WRITE_BOARD_INFO);
    AddByte(m_nRole);
    AddByte(m_nIntensitySetMode);
    // A 7-character serial goes out with its NUL as the eighth byte.
    for (std::size_t i = 0; i < 8; ++i)
        AddByte(i < m_strBoardSerial.size() ? static_cast<uint8_t>(m_strBoardSerial[i]) : 0);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::ReadPhoto(uint8_t channel, uint16_t& counts) {
    if (m_bDemo) {
        counts = 350;
        return true;
    }
    BeginFrame(CMD_READ_PHOTO);
    AddByte(channel);
    EndFrame();
    uint8_t reply[2];
    if (!WaitReply(CMD_READ_PHOTO, kWaitShort) || CopyReply(CMD_READ_PHOTO, reply, 2) < 2)
        return false;
    counts = GetLe16(reply);
    return true;
}

bool CControlBoard::QueryTrigger() {
    if (m_bDemo)
        return false;
    SendCommand(CMD_QUERY_TRIGGER);
    uint8_t reply[1];
    return WaitReply(CMD_QUERY_TRIGGER, kWaitShort) &&
           CopyReply(CMD_QUERY_TRIGGER, reply, 1) >= 1 && reply[0] == 1;
}

bool CControlBoard::SetPersistence(uint8_t on) {
    BeginFrame(CMD_SET_PERSISTENCE);
    AddByte(on);
    EndFrame();
    return WaitAck(kWaitSwitch);
}

bool CControlBoard::StartPulseMode(uint8_t channel, uint16_t onMs, uint16_t offMs, uint8_t index,
                                   uint8_t mode, uint16_t count) {
    BeginFrame(CMD_START_PULSE);
    AddByte(channel);
    AddWord(onMs);
    AddWord(offMs);
    AddByte(index);
    AddByte(mode);
    AddWord(count);
    EndFrame();
    return WaitAck(kWaitShort);
}

bool CControlBoard::StopPulseMode() {
    return Command(CMD_STOP_PULSE);
}

bool CControlBoard::ContinueWithoutHead() {
    BeginFrame(CMD_CONTINUE_WITHOUT_HEAD);
    EndFrameAlways();
    return WaitAck(kWaitShort);
}

bool CControlBoard::EraseHeadEeprom(uint8_t channel) {
    return ChannelCommand(CMD_ERASE_HEAD_EEPROM, channel);
}
