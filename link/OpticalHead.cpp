#include "link/OpticalHead.h"

#include "platform/MessageBox.h"

// Before the first read the record is all zeros: no text, no coefficients.
COpticalHead::COpticalHead()
    : m_pBoard(nullptr), m_nChannel(0), m_bPresent(0), m_nX(0), m_nY(0), m_record{},
      m_fOutput(0.0f), m_nTemperature(0), m_fSetting(0.0f), m_told(Told::Off) {}

bool COpticalHead::EraseEeprom() {
    return m_pBoard && m_pBoard->EraseHeadEeprom(Channel());
}

void COpticalHead::StopPulse() {
    if (m_pBoard)
        m_pBoard->StopPulseMode();
}

uint16_t COpticalHead::ReadDac() {
    uint16_t value = 0;
    ReadDac(value);
    return value;
}

bool COpticalHead::ReadDac(uint16_t& value) {
    if (!m_pBoard) {
        platform::MessageBox("No controller!", "Debug", platform::MB_OK);
        return false;
    }
    uint16_t a = 0;
    uint16_t b = 0;
    if (!m_pBoard->ReadDac(a, b)) {
        platform::MessageBox("DAC failed.", "Debug", platform::MB_OK);
        return false;
    }
    value = m_nChannel == 0 ? a : b;
    return true;
}

bool COpticalHead::ReadRecord() {
    if (!m_pBoard)
        return false;
    m_pBoard->ResetReply();
    const bool ok = m_pBoard->ReadHeadRecord(Channel(), m_record);
    m_strModel = FieldText(m_record.model);
    m_strSerial = FieldText(m_record.serial);
    m_strCalDate = CalibrationDateText(m_record);
    return ok;
}

bool COpticalHead::ReadOutput(float& output, uint8_t& temperature) {
    // Without a controller nothing was read: success would hand the caller
    // whatever its outputs held as if the head had measured it.
    if (!m_pBoard)
        return false;
    const bool ok = m_pBoard->ReadOutput(Channel(), output, temperature);
    m_fOutput = output;
    m_nTemperature = temperature;
    return ok;
}

bool COpticalHead::ReadPhoto(uint16_t& counts) {
    return m_pBoard && m_pBoard->ReadPhoto(Channel(), counts);
}

void COpticalHead::Off() {
    KeepSetting(Told::Off, 0.0f);
    if (m_pBoard)
        m_pBoard->HeadOff(Channel());
}

void COpticalHead::StartPulse(uint8_t channel, uint16_t onMs, uint16_t offMs, uint8_t index,
                              uint8_t mode, uint16_t count) {
    if (m_pBoard)
        m_pBoard->StartPulseMode(channel, onMs, offMs, index, mode, count);
}

void COpticalHead::SetIndex(int32_t index) {
    const auto low = static_cast<uint16_t>(index & 0xFFFF);
    KeepSetting(Told::Index, static_cast<float>(low));
    if (m_pBoard)
        m_pBoard->SetIndex(Channel(), low);
}

void COpticalHead::SetIntensity(float mw) {
    KeepSetting(Told::Milliwatts, mw);
    if (!m_pBoard)
        return;
    if (mw == 0.0f)
        m_pBoard->HeadOff(Channel());
    else
        m_pBoard->SetIntensity(Channel(), mw);
}

void COpticalHead::SetDacValue(int32_t value) {
    if (m_pBoard)
        m_pBoard->SetDacValue(Channel(), static_cast<uint16_t>(value & 0xFFFF));
}

bool COpticalHead::WriteRecord() {
    if (!m_pBoard)
        return false;
    m_record.marker = kHeadRecordMarker;
    return m_pBoard->WriteHeadRecord(Channel(), m_record);
}

void COpticalHead::SetPwmIndex(int32_t value) {
    const auto low = static_cast<uint8_t>(value & 0xFF);
    KeepSetting(Told::Index, static_cast<float>(low));
    if (m_pBoard)
        m_pBoard->SetPwmIndex(Channel(), low);
}

void COpticalHead::KeepSetting(Told unit, float value) {
    m_fSetting = value;
    // An intensity of exactly 0 goes out as the off command (either sign).
    m_told = unit == Told::Milliwatts && value == 0.0f ? Told::Off : unit;
    if (m_told == Told::Off)
        m_fSetting = 0.0f;
}
