#include "link/SensorComm.h"

#include "platform/Number.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

// A float cannot hold every double; beyond its range the reading is infinite
// instead of an undefined conversion.
float ToFloat(double value) {
    if (value > FLT_MAX)
        return INFINITY;
    if (value < -FLT_MAX)
        return -INFINITY;
    return static_cast<float>(value);
}

} // namespace

CSensorComm::CSensorComm() : m_pLineBuf(new char[kLineMax + 1]()) {}

CSensorComm::~CSensorComm() {
    Close();
}

bool CSensorComm::Open(const char* port) {
    if (!OpenPort(port, 1200, 'N', 8, 2, EV_RXCHAR | EV_CTS, 1024))
        return false;
    return StartListening();
}

void CSensorComm::OnReceiveChar(char c) {
    if (c != '\n') {
        if (m_nLineLen < kLineMax)
            m_pLineBuf[m_nLineLen++] = c;
        return;
    }
    m_pLineBuf[m_nLineLen] = '\0';
    m_strLine = m_pLineBuf.get();
    m_strLine.erase(std::remove(m_strLine.begin(), m_strLine.end(), ' '), m_strLine.end());

    // The meter writes a plain decimal number. Read as strtod would, "nan",
    // "inf" or a hexadecimal number on a disturbed line would become a reading
    // (NaN even passes the spread test below); as atof reads decimals in the
    // "C" locale, anything else reads as 0.
    const float reading = ToFloat(platform::AtoF(m_strLine.c_str()) * 1000000.0);
    std::copy(m_history + 1, m_history + 10, m_history);
    m_history[9] = reading;
    m_fReading.store(reading);
    m_nLineLen = 0;

    float maximum = 0.0f;
    float minimum = 99999.9f;
    for (float h : m_history) {
        if (h > maximum)
            maximum = h;
        if (h < minimum)
            minimum = h;
    }
    const float spread = maximum - minimum;
    m_fSpread.store(spread);
    m_bStable.store(spread <= kStableSpread);
    m_nLines.fetch_add(1);
}
