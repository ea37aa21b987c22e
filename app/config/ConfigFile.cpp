#include "app/config/ConfigFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports the result: on some file systems a failed
    // write-back only shows here.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

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

bool ReadConfigFile(const char* path, ConfigRecord& record) {
    DecodeConfigRecord(nullptr, 0, record);
    Fd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return false;
    struct stat st {};
    // A directory opens for reading here but not as a file elsewhere; treat it
    // like a file that is not there.
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;

    ConfigImage image{};
    std::size_t got = 0;
    while (got < image.size()) {
        const ssize_t n = ::read(fd.get(), image.data() + got, image.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    DecodeConfigRecord(image.data(), got, record);
    return true;
}

bool WriteConfigFileAtomically(const char* path, const ConfigRecord& record) {
    // A settings file that is a link is updated where it points; renaming over
    // the link itself would cut it off from its file.
    std::string target(path);
    if (char* real = ::realpath(path, nullptr)) {
        target = real;
        std::free(real);
    }
    path = target.c_str();
    struct stat old {};
    const bool exists = ::stat(path, &old) == 0;
    // Renaming would replace a file we may not write; keep the answer the
    // plain open-for-writing would have given.
    if (exists && ::access(path, W_OK) != 0)
        return false;

    const ConfigImage image = EncodeConfigRecord(record);
    const std::string temp = target + "." + std::to_string(::getpid()) + ".tmp";
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd.valid()) {
        // A folder that refuses new files may still hold a settings file we
        // may write: then it is rewritten in place, as a plain write would.
        const int error = errno;
        if (!exists || (error != EACCES && error != EPERM))
            return false;
        Fd file(::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!file.valid())
            return false;
        const bool written = WriteAll(file.get(), image.data(), image.size());
        return file.Close() && written;
    }

    bool ok = WriteAll(fd.get(), image.data(), image.size());
    if (ok && exists)
        ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.Close() && ok;
    ok = ok && ::rename(temp.c_str(), path) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the data is already safe either way.
    Fd dir(::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return true;
}
