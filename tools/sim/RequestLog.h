#pragma once
// The simulator's request log: one line per request a simulated controller
// received, so that a run of the real program can be checked from outside.
//
//   <ms since the log started> <controller, from 1> <code> <payload bytes>
//
// Code and payload are two-digit upper-case hex, the payload unstuffed and
// without the checksum; a request whose checksum was wrong ends in " bad".

#include "tools/sim/Frame.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

std::string FormatRequestLine(uint64_t ms, int controller, const DecodedFrame& request);

class RequestLog {
public:
    // Creates (truncates) the file. Throws std::system_error when it cannot.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Thread-safe: each controller writes from its own thread. Every line is
    // flushed at once, so the file can be read while the simulator runs.
    void Write(int controller, const DecodedFrame& request);

private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
    std::chrono::steady_clock::time_point m_start;
};

} // namespace sim
