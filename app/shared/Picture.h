// CPicture: holds at most one picture loaded from a file.
#pragma once

#include "platform/Picture.h"

#include <cstdio>
#include <memory>

class CPicture {
public:
    CPicture() = default;
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    // Opens the file read-only and loads it. FALSE (and the held picture
    // untouched) when it cannot be opened or is anything but a regular file (a
    // folder, a pipe, a device: refused without waiting on it); otherwise the
    // result of Load on the open file.
    int Load(const char* path);
    // Loads from an open file. The held picture is released first; a file
    // that is not a picture leaves none. Returns TRUE.
    int Load(std::FILE* file);

    // The held picture, none when nothing (usable) was loaded.
    std::unique_ptr<platform::Image> m_pPicture;
};
