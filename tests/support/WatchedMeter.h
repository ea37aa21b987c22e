#pragma once
// The radiometer reader, noting on its listening thread whether a line left
// it unstable. A test that polls the flag it sets may look late (a loaded
// machine can hand the reader a whole run of lines at once, unstable for
// only a moment); the note is made at the line itself, so it is never missed.

#include "link/SensorComm.h"

#include <atomic>

namespace testing_support {

class WatchedMeter : public CSensorComm {
public:
    // Closed here, so the listening thread is gone before this part is.
    ~WatchedMeter() override { Close(); }

    void OnReceiveChar(char c) override {
        CSensorComm::OnReceiveChar(c);
        if (c == '\n' && !m_bStable.load())
            sawUnstable = true;
    }

    std::atomic<bool> sawUnstable{false};
};

} // namespace testing_support
