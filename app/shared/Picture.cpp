#include "app/shared/Picture.h"

#include "platform/FileImage.h"

int CPicture::Load(const char* path) {
    if (!path)
        return 0;
    // Only a regular file: "instrument.bmp" is opened before the main window
    // shows, and a pipe or a terminal in its place would hold the start for good.
    platform::UniqueFd fd = platform::OpenRegularFile(path);
    if (!fd.Valid())
        return 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(::fdopen(fd.Get(), "rb"), &std::fclose);
    if (!file)
        return 0;
    fd.Release(); // the stream closes it now
    return Load(file.get());
}

int CPicture::Load(std::FILE* file) {
    m_pPicture.reset();
    m_pPicture = platform::LoadPicture(file);
    return 1;
}
