#pragma once

// Reading and writing the settings record as a file (normally "config.ini" in
// the current directory). No messages here: the caller tells the user.

#include "app/config/ConfigRecord.h"

// Loads the file into `record`: clears the record, then takes up to its first
// 1432 bytes (a shorter file leaves the rest zero, a longer one is cut). False,
// with the record cleared, when the file cannot be opened as a regular file (a
// pipe, a device or a folder in its place is refused without being opened, so
// nothing waits). A read error after opening keeps what was read before it.
bool ReadConfigFile(const char* path, ConfigRecord& record);

// Replaces the file with the record's 1432 bytes through
// platform::FileReplacement (a failure leaves the old file as it was; an
// existing target that is not a regular file is refused). False when the file
// could not be replaced.
bool WriteConfigFileAtomically(const char* path, const ConfigRecord& record);
