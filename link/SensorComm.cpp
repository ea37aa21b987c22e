#include "link/SensorComm.h"

#include "platform/Number.h"

#include <algorithm>

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
    m_nLineLen = 0;

    // A line without a number (a word such as "OVER", a disturbed or empty
    // line) is no reading: taken as 0 it would sit in the window among low
    // readings and pass for a settled one. Only decimal numbers count: read as
    // strtod would, "nan", "inf" or a hexadecimal number on a disturbed line
    // would become a reading (NaN even passes the spread test below).
    if (!platform::HasLeadingNumber(m_strLine.c_str()))
        return;
    const float reading = platform::NarrowToFloat(platform::AtoF(m_strLine.c_str()) * 1000000.0);
    std::copy(m_history + 1, m_history + kWindowLines, m_history);
    m_history[kWindowLines - 1] = reading;
    const auto [minimum, maximum] = std::minmax_element(m_history, m_history + kWindowLines);
    const float spread = *maximum - *minimum;

    const std::lock_guard<std::mutex> lock(m_windowMutex);
    m_fReading.store(reading);
    m_fSpread.store(spread);
    m_bStable.store(spread <= kStableSpread);
    m_nLines.fetch_add(1);
}

CSensorComm::Window CSensorComm::LatestWindow() const {
    const std::lock_guard<std::mutex> lock(m_windowMutex);
    return {m_fReading.load(), m_bStable.load(), m_nLines.load()};
}
