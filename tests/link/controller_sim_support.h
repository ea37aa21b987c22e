#pragma once
// A CControlBoard opened on a simulated controller's pty, and a recorder for
// the message boxes the link shows.

#include "link/ControlBoard.h"
#include "tests/support/BoxRecorder.h"
#include "tools/sim/Controller.h"

#include <cstdint>
#include <string>
#include <vector>

using testing_support::BoxRecorder;
using BoxRecord = testing_support::Box;

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
