#include "controller_sim_support.h"

#include <gtest/gtest.h>

sim::ControllerOptions QuietOptions() {
    sim::ControllerOptions o;
    o.noiseCounts = 0.0;
    return o;
}

SimBoard::SimBoard(const sim::ControllerOptions& options) : sim(options) {
    board.m_strPort = sim.SlavePath();
    EXPECT_EQ(board.Open(board.m_strPort.c_str(), 115200, 1000), SERIAL_OK);
}

sim::Request SimBoard::Last() const {
    const std::vector<sim::Request> all = sim.Requests();
    return all.empty() ? sim::Request{} : all.back();
}

std::vector<uint8_t> SimBoard::LastWire() const {
    return Last().wire;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}
