#include "app/ProfileFile.h"

#include "platform/FileImage.h"

bool ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes) {
    return platform::ReadWholeFile(path, bytes);
}

bool WriteProfileFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    platform::FileReplacement file;
    return file.Open(path) && file.Commit(bytes.data(), bytes.size());
}
