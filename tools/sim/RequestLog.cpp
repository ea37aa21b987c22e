#include "tools/sim/RequestLog.h"

#include <cerrno>
#include <system_error>

namespace sim {

std::string FormatRequestLine(uint64_t ms, int controller, const DecodedFrame& request) {
    char field[32];
    std::snprintf(field, sizeof field, "%llu %d %02X", static_cast<unsigned long long>(ms),
                  controller, request.code);
    std::string line = field;
    for (uint8_t b : request.payload) {
        std::snprintf(field, sizeof field, " %02X", b);
        line += field;
    }
    if (!request.checksumOk)
        line += " bad";
    return line;
}

RequestLog::RequestLog(const std::string& path)
    : m_file(std::fopen(path.c_str(), "we")), m_start(std::chrono::steady_clock::now()) {
    if (!m_file)
        throw std::system_error(errno, std::generic_category(), "request log " + path);
}

RequestLog::~RequestLog() {
    std::fclose(m_file);
}

void RequestLog::Write(int controller, const DecodedFrame& request) {
    const auto elapsed = std::chrono::steady_clock::now() - m_start;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    const std::string line = FormatRequestLine(static_cast<uint64_t>(ms), controller, request);
    std::lock_guard lock(m_mutex);
    std::fprintf(m_file, "%s\n", line.c_str());
    std::fflush(m_file);
}

} // namespace sim
