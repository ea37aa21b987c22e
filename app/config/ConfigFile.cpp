#include "app/config/ConfigFile.h"

#include "platform/FileImage.h"
#include "platform/UniqueFd.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadConfigFile(const char* path, ConfigRecord& record) {
    DecodeConfigRecord(nullptr, 0, record);
    platform::UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return false;
    struct stat st {};
    // A directory opens for reading here but not as a file elsewhere; treat it
    // like a file that is not there.
    if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;

    ConfigImage image{};
    std::size_t got = 0;
    while (got < image.size()) {
        const ssize_t n = ::read(fd.Get(), image.data() + got, image.size() - got);
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
    const ConfigImage image = EncodeConfigRecord(record);
    platform::FileReplacement file;
    return file.Open(path) && file.Commit(image.data(), image.size());
}
