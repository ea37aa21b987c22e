// Reader of the reference radiometer: one reading per LF-terminated line, in
// W/cm², kept here in µW/cm² with a ten-reading stability window.
#pragma once

#include "link/SerialPort.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class CSensorComm : public CSerialPort {
public:
    static constexpr int kWindowLines = 10; // readings the stability rule looks at

    CSensorComm();
    // Closes the port first, so the listening thread is gone before this
    // object's handler and line state are.
    ~CSensorComm() override;

    // Opens `port` (used unchanged) at 1200 baud, no parity, 8 data bits,
    // 2 stop bits, and starts listening. True only when both succeed.
    bool Open(const char* port);

    // Called on the listening thread for every received byte.
    void OnReceiveChar(char c) override;

    // Written by the listening thread, read by the user-interface thread at
    // any time: each is a single atomic store, the pair may be one line apart.
    std::atomic<float> m_fReading{1.5f}; // latest reading, µW/cm²
    std::atomic<bool> m_bStable{true};   // spread of the last ten <= 5500 µW/cm²
    std::atomic<float> m_fSpread{0.0f};  // largest minus smallest of the last ten
    // Readings received since construction (wraps): lets a reader tell a meter
    // that went quiet from one whose reading holds still. A line without a
    // number is no reading: it changes none of these four.
    std::atomic<uint32_t> m_nLines{0};

    // The latest reading together with the stability of the window it
    // completed and the count of readings that includes it: one line's
    // values, never a mix of two.
    struct Window {
        float reading; // µW/cm²
        bool stable;
        uint32_t lines;
    };
    Window LatestWindow() const;

    // Touched only by the listening thread.
    std::string m_strLine;              // last complete line, blanks removed
    std::unique_ptr<char[]> m_pLineBuf; // line being collected: 31 chars + NUL
    int32_t m_nLineLen = 0;
    float m_history[kWindowLines] =
        {}; // last ten readings, oldest first (0.0 before the first ten)

    static constexpr int kLineMax = 31;
    static constexpr double kStableSpread = 5500.0; // µW/cm²

private:
    // Held while one line's reading, spread, flag and count are stored, and
    // by LatestWindow.
    mutable std::mutex m_windowMutex;
};
