#include "app/ProfileFile.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    // Without O_NONBLOCK a named pipe chosen in the file dialog would hold the
    // window in open() until some writer appears; it is refused below instead.
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid())
        return false;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return true;
}

bool WriteProfileFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    // A link is updated where it points; renaming over the link itself would
    // cut it off from its file.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0))
        return false;

    const std::string temp = target + "." + std::to_string(::getpid()) + ".tmp";
    platform::UniqueFd fd(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.Valid()) {
        // A folder that refuses new files may still hold a file we may write:
        // then it is rewritten in place, as a plain save would.
        const int error = errno;
        if (!exists || (error != EACCES && error != EPERM))
            return false;
        platform::UniqueFd file(::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!file.Valid())
            return false;
        const bool written = WriteAll(file.Get(), bytes.data(), bytes.size());
        return ::close(file.Release()) == 0 && written;
    }
    bool ok = WriteAll(fd.Get(), bytes.data(), bytes.size());
    if (ok && exists)
        ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd.Get()) == 0;
    ok = ::close(fd.Release()) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the data is safe either way.
    platform::UniqueFd dir(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Valid())
        ::fsync(dir.Get());
    return true;
}
