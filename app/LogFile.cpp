#include "app/LogFile.h"

#include "platform/TimeFormat.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kCrLf[] = "\r\n";

} // namespace

std::string FormatLogHeader(const LogHeadInfo (&heads)[kLogPositions], const std::string& who,
                            const std::string& comment, const std::tm& date) {
    std::string h = "Optical Head Model Numbers:";
    for (const LogHeadInfo& r : heads)
        if (r.present)
            h += "\t" + r.model;
    h += kCrLf;
    h += "Optical Head Serial Number:";
    for (const LogHeadInfo& r : heads)
        if (r.present)
            h += "\t" + r.serial;
    h += kCrLf;
    h += "Optical Head Calibration Date:";
    for (const LogHeadInfo& r : heads)
        if (r.present)
            h += "\t" + r.calDate;
    h += kCrLf;
    h += "Operator:\t" + who + kCrLf;
    h += "Comment:\t" + comment + kCrLf;
    h += "Date:\t" + platform::FormatTime("%#x", date) + kCrLf + kCrLf;
    h += "Time";
    for (int i = 0; i < kLogPositions; ++i) {
        if (!heads[i].present)
            continue;
        char column[64];
        std::snprintf(column, sizeof column, "\tIntensity %d\tTemperature %d", i + 1, i + 1);
        h += column;
    }
    h += kCrLf;
    return h;
}

void AppendLogSample(std::string& out, const LogHeadInfo (&heads)[kLogPositions],
                     const std::tm& time) {
    out += platform::FormatTime("%X", time);
    for (const LogHeadInfo& r : heads) {
        if (!r.present)
            continue;
        if (std::isnan(r.reading)) {
            out += "\t\t";
            continue;
        }
        // "%f" of the largest float is 46 characters.
        char field[96];
        std::snprintf(field, sizeof field, "\t%f\t%d", static_cast<double>(r.reading),
                      static_cast<int>(r.temperature));
        out += field;
    }
    out += kCrLf;
}

bool LogFile::Create(const std::string& path) {
    Close();
    if (path.empty())
        return false;
    // Not cut before the lock is held: a file another writer holds stays whole.
    // Opened without waiting: a named pipe that nobody reads would otherwise
    // hold the UI thread in open(); it fails instead. Writes then block as usual.
    platform::UniqueFd fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_CLOEXEC | O_NONBLOCK, 0666));
    if (!fd.Valid())
        return false;
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return false;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return false;
    // Only a regular file has a length to cut (a device or pipe takes the log as it is).
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || (S_ISREG(st.st_mode) && ::ftruncate(fd.Get(), 0) != 0))
        return false;
    m_fd = std::move(fd);
    return true;
}

bool LogFile::Write(std::string_view bytes) {
    if (!m_fd.Valid())
        return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd.Get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}
