#pragma once
// Profile files on disk. No messages here: the caller tells the user.

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file into `bytes` (platform::ReadWholeFile). False when it
// cannot be opened as a regular file for reading or a read fails.
bool ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes);

// Replaces the file with `bytes` through platform::FileReplacement (a failed
// save leaves the old file as it was; an existing target that is not a regular
// file is refused). False when the file could not be written.
bool WriteProfileFile(const std::string& path, const std::vector<uint8_t>& bytes);
