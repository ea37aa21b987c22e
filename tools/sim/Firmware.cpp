#include "tools/sim/Firmware.h"

#include "platform/LittleEndian.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace sim {

namespace {

constexpr double kDacReference = 140.0;

uint16_t U16(const std::vector<uint8_t>& p, std::size_t at) {
    return platform::GetLe16(&p[at]);
}

float F32(const std::vector<uint8_t>& p, std::size_t at) {
    return platform::GetLeFloat(&p[at]);
}

// Minimum request payload per code; -1 for codes the controller does not know.
int MinPayload(uint8_t code) {
    switch (code) {
    case CMD_SET_DUAL_INTENSITY:
        return 8;
    case CMD_SET_DUAL_INDEX:
        return 4;
    case CMD_SET_INTENSITY:
        return 5;
    case CMD_SET_INDEX:
        return 3;
    case CMD_SET_PWM_INDEX:
        return 2;
    case CMD_SET_DAC_VALUE:
        return 3;
    case CMD_WRITE_HEAD_RECORD:
        return 3;
    case CMD_WRITE_BOARD_INFO:
        return 10;
    case CMD_START_PULSE:
        return 9;
    case CMD_HEAD_OFF:
    case CMD_SET_HEAD_FAN:
    case CMD_READ_OUTPUT:
    case CMD_READ_HEAD_RECORD:
    case CMD_SET_EXTERNAL_TRIGGER:
    case CMD_READ_PHOTO:
    case CMD_SET_PERSISTENCE:
    case CMD_ERASE_HEAD_EEPROM:
        return 1;
    case CMD_ENTER_CALIBRATION_MODE:
    case CMD_READ_DAC:
    case CMD_CANCEL_OVERTEMP:
    case CMD_READ_BOARD_INFO:
    case CMD_QUERY_TRIGGER:
    case CMD_STOP_PULSE:
    case CMD_CONTINUE_WITHOUT_HEAD:
        return 0;
    default:
        return -1;
    }
}

} // namespace

HeadOptics BrightOptics() {
    HeadOptics o;
    o.peakMw = 180.0;
    return o;
}

HeadRecord FactoryRecord(const std::string& boardSerial, int channel) {
    HeadRecord r{};
    r.marker = kHeadRecordMarker;
    SetFieldText(r.model, channel == 0 ? "RVX-1-365" : "RVX-1-395");
    std::string serial(1, 'S');
    serial.append(boardSerial, std::min<std::size_t>(2, boardSerial.size()));
    serial.push_back(static_cast<char>('A' + channel));
    SetFieldText(r.serial, serial);
    r.calMonth = 1;
    r.calDay = 15;
    r.calYear = 24;
    r.mwToIndex[1] = 1.0f;  // index = mW: no calibration yet
    r.photoToMw[1] = 40.0f; // a rough factory gain
    r.avgStep = 0.7f;
    r.initialDacPwm = 140;
    r.maxPwm = 255;
    r.maxTemperature = 80;
    r.tempCoeffs[1] = 1.0f;
    r.enableCalibration = 1;
    r.channel = static_cast<uint8_t>(channel);
    SetFieldText(r.boardSerial, std::string_view(boardSerial).substr(0, 7));
    r.lcdFormat = 1;
    r.multiCalCount = 1;
    SetFieldText(r.multiCalNames[0], "Normal");
    for (float& f : r.multiCalFactors)
        f = 1.0f;
    return r;
}

Firmware::Firmware(const FirmwareOptions& options)
    : board(options.board), m_noise(options.noiseCounts), m_rng(options.seed) {
    for (int ch = 0; ch < 2; ++ch) {
        channels[ch].present = options.headPresent[ch];
        channels[ch].optics = options.optics[ch];
        channels[ch].record = FactoryRecord(board.boardSerial, ch);
        LoadDefaultsFromRecord(ch);
    }
}

void Firmware::LoadDefaultsFromRecord(int ch) {
    ChannelState& c = channels[ch];
    const int initial = c.record.initialDacPwm;
    if (board.intensitySetMode == 0) {
        c.dac = static_cast<uint16_t>(std::clamp(initial, 0, 4095));
        c.pwm = 255;
    } else {
        c.dac = static_cast<uint16_t>(kDacReference);
        c.pwm = static_cast<uint8_t>(std::clamp(initial, 0, 255));
    }
}

void Firmware::FireTrigger() {
    m_triggerFired = true;
    if (pulse.running && pulse.armed) {
        pulse.armed = false;
        pulse.startMs = m_nowMs;
    }
}

void Firmware::SetClock(uint64_t ms) {
    m_nowMs = std::max(m_nowMs, ms);
    if (!pulse.running || pulse.armed || pulse.mode == 2)
        return;
    const uint64_t length = uint64_t{pulse.count} * (uint64_t{pulse.onMs} + pulse.offMs);
    if (m_nowMs - pulse.startMs >= length)
        pulse.running = false;
}

uint32_t Firmware::PulseNumber() const {
    if (!pulse.running || pulse.armed)
        return 0;
    const uint64_t period = uint64_t{pulse.onMs} + pulse.offMs;
    if (period == 0)
        return 0;
    return static_cast<uint32_t>((m_nowMs - pulse.startMs) / period + 1);
}

bool Firmware::PulseDrives(int ch) const {
    if (!pulse.running || pulse.armed)
        return false;
    return pulse.channel == kChannelBoth || pulse.channel == ch;
}

double Firmware::OpticalOutput(int ch) const {
    const ChannelState& c = channels[ch];
    if (!c.present || c.overTemperature)
        return 0.0;
    uint16_t index = c.index;
    if (PulseDrives(ch)) {
        const uint64_t period = uint64_t{pulse.onMs} + pulse.offMs;
        const bool lit = period > 0 && (m_nowMs - pulse.startMs) % period < pulse.onMs;
        index = lit ? pulse.index : 0;
    }
    const double u = std::min<double>(index, 255.0) / 255.0;
    const double scale =
        board.intensitySetMode == 0 ? std::clamp(c.dac / kDacReference, 0.0, 1.5) : c.pwm / 255.0;
    return c.optics.peakMw * (u + c.optics.curvature * u * (1.0 - u)) * scale;
}

double Firmware::Temperature(int ch) const {
    const ChannelState& c = channels[ch];
    return c.optics.ambientC + c.optics.degreesPerMw * OpticalOutput(ch) * (fanOn ? 1.0 : 1.6);
}

uint16_t Firmware::PhotoCounts(int ch) {
    const ChannelState& c = channels[ch];
    const double out = OpticalOutput(ch);
    double counts = c.optics.countsPerMw * out * (1.0 - c.optics.photoSag * out / c.optics.peakMw);
    if (m_noise > 0.0)
        counts += std::uniform_real_distribution<double>(-m_noise, m_noise)(m_rng);
    return static_cast<uint16_t>(std::clamp(std::lround(counts), 0L, 65535L));
}

float Firmware::BelievedOutput(int ch, uint16_t counts) const {
    const float* k = channels[ch].record.photoToMw;
    const double p = counts;
    return static_cast<float>((k[0] * p * p + k[1] * p + k[2]) / 1000.0);
}

void Firmware::UpdateProtection(int ch) {
    ChannelState& c = channels[ch];
    if (c.record.maxTemperature > 0 && Temperature(ch) > c.record.maxTemperature)
        c.overTemperature = true;
}

void Firmware::SetIndex(int ch, uint16_t index) {
    channels[ch].index = index;
    UpdateProtection(ch);
}

void Firmware::SetIntensity(int ch, float mw) {
    const float* k = channels[ch].record.mwToIndex;
    const double x = mw;
    const double index = k[0] * x * x + k[1] * x + k[2];
    SetIndex(ch, std::isfinite(index)
                     ? static_cast<uint16_t>(std::clamp(std::lround(index), 0L, 255L))
                     : 0);
}

template <class F> void Firmware::ForChannels(uint8_t channelByte, F&& f) {
    if (channelByte == kChannelBoth) {
        f(0);
        f(1);
    } else if (channelByte < 2) {
        f(channelByte);
    }
}

bool Firmware::Handle(uint8_t code, const std::vector<uint8_t>& p, Reply& reply,
                      int& recordChanged) {
    recordChanged = -1;
    const int need = MinPayload(code);
    if (need < 0 || p.size() < static_cast<std::size_t>(need))
        return false;
    reply.code = kReplyAck;
    reply.payload.clear();
    const uint8_t channelByte = p.empty() ? 0 : p[0];
    // Queries and EEPROM access need one present head: anything else is
    // answered with a frame the program cannot take for success.
    const bool headOk = channelByte < 2 && channels[channelByte].present;

    switch (code) {
    case CMD_SET_DUAL_INTENSITY:
        SetIntensity(0, F32(p, 0));
        SetIntensity(1, F32(p, 4));
        break;
    case CMD_SET_DUAL_INDEX:
        SetIndex(0, U16(p, 0));
        SetIndex(1, U16(p, 2));
        break;
    case CMD_SET_INTENSITY:
        ForChannels(channelByte, [&](int ch) { SetIntensity(ch, F32(p, 1)); });
        break;
    case CMD_SET_INDEX:
        ForChannels(channelByte, [&](int ch) { SetIndex(ch, U16(p, 1)); });
        break;
    case CMD_SET_PWM_INDEX:
        ForChannels(channelByte, [&](int ch) {
            channels[ch].pwm = p[1];
            if (board.intensitySetMode == 0)
                SetIndex(ch, p[1]);
        });
        break;
    case CMD_HEAD_OFF:
        ForChannels(channelByte, [&](int ch) { SetIndex(ch, 0); });
        break;
    case CMD_SET_HEAD_FAN:
        fanOn = p[0] != 0;
        UpdateProtection(0);
        UpdateProtection(1);
        break;
    case CMD_READ_OUTPUT:
        if (!headOk)
            break;
        reply.code = code;
        platform::AppendLeFloat(reply.payload,
                                BelievedOutput(channelByte, PhotoCounts(channelByte)));
        reply.payload.push_back(
            static_cast<uint8_t>(std::clamp(std::lround(Temperature(channelByte)), 0L, 255L)));
        break;
    case CMD_READ_HEAD_RECORD:
        if (!headOk)
            break;
        reply.code = code;
        reply.payload.assign(RecordBytes(channels[channelByte].record),
                             RecordBytes(channels[channelByte].record) + kHeadRecordSize);
        break;
    case CMD_WRITE_HEAD_RECORD: {
        const uint16_t length = U16(p, 1);
        if (!headOk || length != kHeadRecordSize || p.size() != 3u + length) {
            reply.code = code; // not an ACK: the burn failed
            break;
        }
        CopyIntoRecord(channels[channelByte].record, p.data() + 3, length);
        recordChanged = channelByte;
        break;
    }
    case CMD_ERASE_HEAD_EEPROM:
        if (!headOk) {
            reply.code = code;
            break;
        }
        std::memset(RecordBytes(channels[channelByte].record), 0xFF, kHeadRecordSize);
        recordChanged = channelByte;
        break;
    case CMD_ENTER_CALIBRATION_MODE:
        calibrationMode = true;
        break;
    case CMD_SET_EXTERNAL_TRIGGER:
        board.externalTrigger = p[0] == 1;
        break;
    case CMD_READ_DAC:
        reply.code = code;
        platform::AppendLe16(reply.payload, channels[0].dac);
        platform::AppendLe16(reply.payload, channels[1].dac);
        break;
    case CMD_SET_DAC_VALUE:
        ForChannels(channelByte, [&](int ch) {
            channels[ch].dac = U16(p, 1);
            UpdateProtection(ch);
        });
        break;
    case CMD_CANCEL_OVERTEMP:
        channels[0].overTemperature = false;
        channels[1].overTemperature = false;
        break;
    case CMD_READ_BOARD_INFO:
        reply.code = code;
        reply.payload = {board.role, board.intensitySetMode,
                         static_cast<uint8_t>(board.externalTrigger ? 1 : 0),
                         static_cast<uint8_t>(board.persistence ? 1 : 0), board.headCount};
        reply.payload.insert(reply.payload.end(), board.firmwareVersion.begin(),
                             board.firmwareVersion.end());
        reply.payload.push_back(0);
        reply.payload.insert(reply.payload.end(), board.boardSerial.begin(),
                             board.boardSerial.end());
        reply.payload.push_back(0);
        break;
    case CMD_WRITE_BOARD_INFO: {
        board.role = p[0];
        board.intensitySetMode = p[1];
        const char* serial = reinterpret_cast<const char*>(p.data() + 2);
        board.boardSerial = FieldText(serial, 8);
        break;
    }
    case CMD_READ_PHOTO:
        if (!headOk)
            break;
        reply.code = code;
        platform::AppendLe16(reply.payload, PhotoCounts(channelByte));
        break;
    case CMD_QUERY_TRIGGER:
        reply.code = code;
        reply.payload.push_back(m_triggerFired ? 1 : 0);
        m_triggerFired = false;
        break;
    case CMD_SET_PERSISTENCE:
        board.persistence = p[0] == 1;
        break;
    case CMD_START_PULSE:
        pulse =
            PulseTrain{true, p[0], U16(p, 1), U16(p, 3), p[5], p[6], U16(p, 7), p[6] == 3, m_nowMs};
        ForChannels(pulse.channel, [&](int ch) { channels[ch].index = 0; });
        SetClock(m_nowMs); // a train of no pulses is over at once
        break;
    case CMD_STOP_PULSE:
        pulse.running = false;
        break;
    case CMD_CONTINUE_WITHOUT_HEAD:
        debugWithoutHead = true;
        break;
    default:
        return false;
    }
    return true;
}

} // namespace sim
