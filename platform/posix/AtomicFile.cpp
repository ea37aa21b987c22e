#include "platform/AtomicFile.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

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

// Closes now and reports the result: on some file systems a failed write-back
// only shows here.
bool Close(UniqueFd& fd) {
    return ::close(fd.Release()) == 0;
}

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool WriteFileAtomically(const std::string& path, const uint8_t* data, std::size_t size,
                         bool regularOnly) {
    // Renaming over a link itself would cut it off from its file.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // Renaming would replace a file we may not write; keep the answer the
    // plain open-for-writing would have given.
    if (exists && ((regularOnly && !S_ISREG(old.st_mode)) || ::access(target.c_str(), W_OK) != 0))
        return false;

    const std::string temp = target + "." + std::to_string(::getpid()) + ".tmp";
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.Valid()) {
        const int error = errno;
        if (!exists || (error != EACCES && error != EPERM))
            return false;
        UniqueFd file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!file.Valid())
            return false;
        const bool written = WriteAll(file.Get(), data, size);
        return Close(file) && written;
    }
    bool ok = WriteAll(fd.Get(), data, size);
    if (ok && exists)
        ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = Close(fd) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the data is already safe either way.
    UniqueFd dir(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Get());
    return true;
}

} // namespace platform
