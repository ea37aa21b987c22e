#pragma once
// Profile files on disk. No messages here: the caller tells the user.

#include "app/ProfileStep.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The most steps a profile file may hold. Profiles are built step by step in
// the editor; even one made by a program and run in one-second steps would
// last about 14 hours at this length, and a file beyond it is no profile an
// operator means (a wrong pick, or damage). Open of the largest takes about a
// fifth of a second and some 80 MB for its rows, where a file of gigabytes
// would hold the window for many seconds and take all memory.
inline constexpr std::size_t kMaxProfileSteps = 50000;
inline constexpr std::size_t kMaxProfileBytes = kMaxProfileSteps * ProfileStep::kSize;

enum class ProfileRead {
    kRead,     // `bytes` holds the whole file
    kFailed,   // not opened as a regular file for reading, or a read failed
    kTooLarge, // longer than kMaxProfileBytes: refused before reading
};

// Reads the whole file into `bytes` (platform::ReadBoundedFile with
// kMaxProfileBytes). Unless kRead, `bytes` is empty.
ProfileRead ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes);

// Replaces the file with `bytes` through platform::FileReplacement (a failed
// save leaves the old file as it was; an existing target that is not a regular
// file is refused). False when the file could not be written.
bool WriteProfileFile(const std::string& path, const std::vector<uint8_t>& bytes);
