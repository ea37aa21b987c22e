#pragma once
// A CControlBoard opened on a simulated controller's pty, and a recorder for
// the message boxes the link shows.

#include "link/ControlBoard.h"
#include "tools/sim/Controller.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct BoxRecord {
    std::string text;
    std::string caption;
    unsigned flags;
};

// Installs a sink that records every box (from any thread) for its life.
class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();
    std::vector<BoxRecord> Boxes() const;

private:
    mutable std::mutex m_mutex;
    std::vector<BoxRecord> m_boxes;
};

sim::ControllerOptions QuietOptions(); // no photodiode noise

struct SimBoard {
    explicit SimBoard(const sim::ControllerOptions& options = QuietOptions());
    // Wire bytes of the last request the controller received.
    std::vector<uint8_t> LastWire() const;
    sim::Request Last() const;

    sim::Controller sim;
    CControlBoard board;
};

std::vector<uint8_t> Bytes(std::initializer_list<int> values);
