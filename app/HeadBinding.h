#pragma once
// Which controller each head position works through, worked out from the
// settings' head table and the controllers' board serials alone: no I/O, so
// the set-up's rules can be checked without a controller on a port.

#include "app/config/ConfigRecord.h"

#include <string>
#include <vector>

struct HeadBinding {
    static constexpr int kNoController = -1;

    // The board serial each controller goes by, in controller order.
    std::vector<std::string> controllerSerials;
    // Per head position: the board serial the head goes by (its entry's, or
    // with exactly one controller that controller's) and the index of the
    // controller it works through, kNoController when none has its serial.
    std::vector<std::string> headSerials;
    std::vector<int> controllerOf;
};

// Two head positions per controller, whatever record.headCount says; head i
// takes entry i of the head table (so at most ConfigRecord::kMaxHeads, which
// no real count of controllers reaches).
//
// reportedSerials: each controller's board serial as its board information
// gave it, in array order. simulated: simulation mode, where controller j
// goes by the serial of entry 2j instead, so that the configured heads find it.
//
// A head binds to the first controller whose serial equals its own exactly
// (case and length); with exactly one controller every head takes that
// controller's serial and so binds to it.
HeadBinding BindHeads(const ConfigRecord& record, std::vector<std::string> reportedSerials,
                      bool simulated);
