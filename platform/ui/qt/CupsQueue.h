#pragma once
// One CUPS destination, asked directly through libcups. Qt's CUPS print
// engine hands a finished document to CUPS itself but drops the result (a
// refused job looks printed), and tells nothing of whether the destination
// takes jobs; the Qt printer device asks here instead and submits its
// document itself.
//
// Calls go to the scheduler libcups finds for the calling thread (CUPS_SERVER,
// client.conf, else the local one). UI thread only.

#include <string>
#include <utility>
#include <vector>

namespace platform::ui::qt {

class CupsQueue {
public:
    // `destination`: a queue name as Qt gives it, "name" or "name/instance".
    explicit CupsQueue(const std::string& destination);

    const std::string& Name() const { return m_name; }

    // True when the scheduler knows the destination and says it accepts
    // jobs. A stopped (paused) queue still accepts them and holds them.
    bool AcceptingJobs() const;

    // Submits `file` (any format CUPS can type) as one job titled `title`
    // (UTF-8) with the given IPP options. Returns the job id, 0 when the
    // scheduler did not take the job.
    int Submit(const std::string& file, const std::string& title,
               const std::vector<std::pair<std::string, std::string>>& options) const;

private:
    std::string m_name;
    std::string m_instance; // empty: the queue itself
};

} // namespace platform::ui::qt
