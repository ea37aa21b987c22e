#include "app/ProfileFile.h"

#include "platform/FileImage.h"
#include "platform/UniqueFd.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    platform::FileReplacement file;
    return file.Open(path) && file.Commit(bytes.data(), bytes.size());
}
