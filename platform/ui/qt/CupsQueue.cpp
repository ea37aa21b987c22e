#include "platform/ui/qt/CupsQueue.h"

#include <cups/cups.h>

#include <cstring>
#include <memory>

namespace platform::ui::qt {
namespace {

struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};

} // namespace

CupsQueue::CupsQueue(const std::string& destination) {
    const auto slash = destination.find('/');
    m_name = destination.substr(0, slash);
    if (slash != std::string::npos)
        m_instance = destination.substr(slash + 1);
}

bool CupsQueue::AcceptingJobs() const {
    std::unique_ptr<cups_dest_t, DestFree> dest(cupsGetNamedDest(
        CUPS_HTTP_DEFAULT, m_name.c_str(), m_instance.empty() ? nullptr : m_instance.c_str()));
    if (!dest)
        return false;
    // A scheduler that does not report the attribute is taken at its word
    // when the job is submitted.
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    return !accepting || std::strcmp(accepting, "false") != 0;
}

int CupsQueue::Submit(const std::string& file, const std::string& title,
                      const std::vector<std::pair<std::string, std::string>>& options) const {
    // cups_option_t holds non-const pointers; the strings outlive the call.
    std::vector<cups_option_t> opts;
    opts.reserve(options.size());
    for (const auto& [name, value] : options)
        opts.push_back(
            cups_option_t{const_cast<char*>(name.c_str()), const_cast<char*>(value.c_str())});
    return cupsPrintFile(m_name.c_str(), file.c_str(), title.c_str(), static_cast<int>(opts.size()),
                         opts.empty() ? nullptr : opts.data());
}

} // namespace platform::ui::qt
