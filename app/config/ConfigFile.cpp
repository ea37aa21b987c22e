#include "app/config/ConfigFile.h"

#include "platform/FileImage.h"
#include "platform/UniqueFd.h"

#include <cerrno>

#include <unistd.h>

bool ReadConfigFile(const char* path, ConfigRecord& record) {
    DecodeConfigRecord(nullptr, 0, record);
    // Only a regular file counts: a pipe or a terminal in its place would
    // hold the start before any window is up. Anything else reads as missing.
    const platform::UniqueFd fd = platform::OpenRegularFile(path);
    if (!fd.Valid())
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
