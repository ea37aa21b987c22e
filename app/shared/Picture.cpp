#include "app/shared/Picture.h"

#include <sys/stat.h>

int CPicture::Load(const char* path) {
    if (!path)
        return 0;
    struct stat st {};
    if (::stat(path, &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return 0;
    int result = Load(file);
    std::fclose(file);
    return result;
}

int CPicture::Load(std::FILE* file) {
    m_pPicture.reset();
    m_pPicture = platform::LoadPicture(file);
    return 1;
}
