#pragma once
// Profile files on disk. No messages here: the caller tells the user.

#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file into `bytes`. False when it cannot be opened as a
// regular file for reading; a read error after opening keeps what was read
// before it.
bool ReadProfileFile(const std::string& path, std::vector<uint8_t>& bytes);

// Replaces the file with `bytes`: they go to a temporary file beside it, reach
// the disk and are renamed over the old file, so a failed save leaves the old
// file as it was (and no temporary behind). An existing file keeps its
// permission bits; a link is followed and its target replaced. Only when the
// folder refuses the temporary but the file itself may be written is the file
// rewritten in place. False when the file could not be written.
bool WriteProfileFile(const std::string& path, const std::vector<uint8_t>& bytes);
