#include "app/ProfileFile.h"

#include "platform/FileImage.h"

ProfileRead ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes) {
    switch (platform::ReadBoundedFile(path, kMaxProfileBytes, bytes)) {
    case platform::BoundedRead::kRead:
        return ProfileRead::kRead;
    case platform::BoundedRead::kTooLarge:
        return ProfileRead::kTooLarge;
    case platform::BoundedRead::kFailed:
        break;
    }
    return ProfileRead::kFailed;
}

bool WriteProfileFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    platform::FileReplacement file;
    return file.Open(path) && file.Commit(bytes.data(), bytes.size());
}
