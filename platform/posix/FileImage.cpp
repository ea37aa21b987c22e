#include "platform/FileImage.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Short whatever the target's name: a name near the file system's limit
// would otherwise leave no room for a suffix and make a valid save fail.
std::string TemporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return FolderOf(target) + "/.save-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter++) + ".tmp";
}

} // namespace

bool WriteAll(int fd, const uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The one way a file the user picked, or one found in the working folder, is
// opened for reading. Anything but a regular file is refused before it is
// opened: opening a terminal (a controller's own port typed into a file box,
// or a link to one where a settings file belongs) could change its modem
// lines or make it this process's controlling terminal, and opening a pipe
// could wait for a writer. The flags keep the same promises should the path
// be swapped between the check and the open, and the open file is checked
// again.
UniqueFd OpenRegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return UniqueFd();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return UniqueFd();
    return fd;
}

namespace {

// Reads until end of file or `max` bytes, handing each piece to `take`.
template <class Take> bool ReadUpTo(int fd, std::size_t max, Take take) {
    uint8_t buffer[65536];
    std::size_t total = 0;
    while (total < max) {
        const ssize_t r = ::read(fd, buffer, std::min(sizeof buffer, max - total));
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return false;
        if (r == 0)
            break;
        take(buffer, static_cast<std::size_t>(r));
        total += static_cast<std::size_t>(r);
    }
    return true;
}

} // namespace

bool ReadFileStart(const std::string& path, uint8_t* buffer, std::size_t max, std::size_t& got) {
    got = 0;
    const UniqueFd fd = OpenRegularFile(path);
    if (!fd.Valid())
        return false;
    std::size_t n = 0;
    const bool ok = ReadUpTo(fd.Get(), max, [&](const uint8_t* data, std::size_t size) {
        std::memcpy(buffer + n, data, size);
        n += size;
    });
    if (ok)
        got = n;
    return ok;
}

BoundedRead ReadBoundedFile(const std::string& path, std::size_t maxBytes,
                            std::vector<uint8_t>& bytes) {
    bytes.clear();
    const UniqueFd fd = OpenRegularFile(path);
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0)
        return BoundedRead::kFailed;
    const auto size = static_cast<uintmax_t>(st.st_size);
    if (size > maxBytes)
        return BoundedRead::kTooLarge;
    bytes.reserve(static_cast<std::size_t>(size));
    const bool ok = ReadUpTo(fd.Get(), maxBytes, [&](const uint8_t* data, std::size_t n) {
        bytes.insert(bytes.end(), data, data + n);
    });
    if (!ok) {
        bytes.clear();
        return BoundedRead::kFailed;
    }
    // Grown past the bound while it was read: what came is not the whole file.
    if (::fstat(fd.Get(), &st) != 0 || static_cast<uintmax_t>(st.st_size) > maxBytes) {
        bytes.clear();
        return BoundedRead::kTooLarge;
    }
    return BoundedRead::kRead;
}

bool ReadFileLines(const std::string& path, std::size_t maxLines, std::size_t maxLineBytes,
                   std::vector<std::string>& lines) {
    lines.clear();
    const UniqueFd fd = OpenRegularFile(path);
    if (!fd.Valid())
        return false;
    // A line ended by LF loses a CR right before it; a last line without LF
    // is taken as it stands.
    auto take = [&](std::string& line, bool ended) {
        if (ended && !line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > maxLineBytes)
            return false;
        lines.push_back(std::move(line));
        line.clear();
        return true;
    };
    bool ok = true;
    std::string line;
    char buffer[4096];
    while (ok && lines.size() < maxLines) {
        const ssize_t r = ::read(fd.Get(), buffer, sizeof buffer);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            ok = r == 0 && (line.empty() || take(line, false));
            break;
        }
        for (ssize_t i = 0; ok && i < r && lines.size() < maxLines; ++i) {
            if (buffer[i] == '\n')
                ok = take(line, true);
            else
                line.push_back(buffer[i]);
            // One byte more than the bound may still be the CR of a CR LF.
            ok = ok && line.size() <= maxLineBytes + 1;
        }
    }
    if (!ok)
        lines.clear();
    return ok;
}

FileReplacement::~FileReplacement() {
    Discard();
}

void FileReplacement::Discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

bool FileReplacement::Open(const std::string& path) {
    Discard();
    m_inPlace = false;
    m_mode = -1;
    m_target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        m_target = real;
        std::free(real);
    }
    struct stat old {};
    const bool exists = ::stat(m_target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return false;
    // Renaming would replace a file we may not write; give the answer the
    // plain open-for-writing would have given.
    if (exists && ::access(m_target.c_str(), W_OK) != 0)
        return false;
    if (exists)
        m_mode = static_cast<int>(old.st_mode & 07777);

    const std::string temp = TemporaryName(m_target);
    m_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd >= 0) {
        m_temp = temp;
        return true;
    }
    const int error = errno;
    if (!exists || (error != EACCES && error != EPERM))
        return false;
    m_fd = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    m_inPlace = m_fd >= 0;
    return m_inPlace;
}

bool FileReplacement::Commit(const uint8_t* data, std::size_t size) {
    if (m_fd < 0)
        return false;
    if (m_inPlace) {
        bool ok = ::ftruncate(m_fd, 0) == 0 && WriteAll(m_fd, data, size);
        ok = ::close(m_fd) == 0 && ok;
        m_fd = -1;
        return ok;
    }
    bool ok = WriteAll(m_fd, data, size);
    if (ok && m_mode >= 0)
        ok = ::fchmod(m_fd, static_cast<mode_t>(m_mode)) == 0;
    ok = ok && ::fsync(m_fd) == 0;
    // A failed write-back may only show in close().
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    ok = ok && ::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!ok) {
        Discard();
        return false;
    }
    m_temp.clear();
    // Make the rename itself durable; the data is safe either way.
    const int dir = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace platform
