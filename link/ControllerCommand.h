#pragma once
// Request codes of the controller protocol and the board information a
// controller reports. Kept apart from CControlBoard so that code which speaks
// the protocol from the other end (the controller simulator) needs no port.

#include <cstddef>
#include <cstdint>
#include <string>

enum ControllerCommand : uint8_t {
    CMD_SET_DUAL_INTENSITY = 50,      // '2'
    CMD_SET_DUAL_INDEX = 51,          // '3'
    CMD_SET_INTENSITY = 97,           // 'a'
    CMD_SET_INDEX = 98,               // 'b'
    CMD_SET_PWM_INDEX = 99,           // 'c'
    CMD_HEAD_OFF = 100,               // 'd'
    CMD_SET_HEAD_FAN = 101,           // 'e'
    CMD_READ_OUTPUT = 102,            // 'f'
    CMD_READ_HEAD_RECORD = 103,       // 'g'
    CMD_WRITE_HEAD_RECORD = 104,      // 'h'
    CMD_ENTER_CALIBRATION_MODE = 105, // 'i'
    CMD_SET_EXTERNAL_TRIGGER = 106,   // 'j'
    CMD_READ_DAC = 107,               // 'k'
    CMD_SET_DAC_VALUE = 108,          // 'l'
    CMD_CANCEL_OVERTEMP = 109,        // 'm'
    CMD_READ_BOARD_INFO = 110,        // 'n'
    CMD_WRITE_BOARD_INFO = 111,       // 'o'
    CMD_READ_PHOTO = 112,             // 'p'
    CMD_QUERY_TRIGGER = 113,          // 'q'
    CMD_SET_PERSISTENCE = 114,        // 'r'
    CMD_START_PULSE = 115,            // 's'
    CMD_STOP_PULSE = 116,             // 't'
    CMD_CONTINUE_WITHOUT_HEAD = 118,  // 'v'
    CMD_ERASE_HEAD_EEPROM = 119,      // 'w'
};

constexpr uint8_t kReplyAck = 0x06;

// Channel byte of the per-channel commands.
constexpr uint8_t kChannelA = 0;
constexpr uint8_t kChannelB = 1;
constexpr uint8_t kChannelBoth = 2;

// A controller's board information as CMD_READ_BOARD_INFO reports it.
struct BoardInfo {
    uint8_t role = 0;             // 1-5
    uint8_t intensitySetMode = 0; // 0 = PWM, any other value = DAC
    bool externalTrigger = false;
    bool persistence = false;
    uint8_t headCount = 0;
    std::string firmwareVersion; // CP1252
    std::string boardSerial;     // CP1252, 8 characters from a controller
};

// Unpacks the payload of a board-information reply: five bytes, then the
// firmware version and the board serial, each up to its NUL or the end of the
// payload. A payload shorter than the five fixed bytes is refused (false, `out`
// untouched): its missing fields would otherwise be taken from the frame's
// checksum and ETX.
bool ParseBoardInfo(const uint8_t* payload, int length, BoardInfo& out);
