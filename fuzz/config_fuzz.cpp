// config.ini as the program loads it at start: any file in the working
// directory, read by the settings dialog's constructor.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "app/config/Config.h"
#include "app/config/ConfigFile.h"
#include "platform/ui/Headless.h"

namespace {

// A working directory of our own for the whole run, removed at exit.
char g_dir[] = "/tmp/config_fuzz.XXXXXX";

void RemoveScratchDirectory() {
    std::remove((std::string(g_dir) + "/" + Config::kFileName).c_str());
    ::rmdir(g_dir);
}

bool EnterScratchDirectory() {
    static bool entered = [] {
        if (!::mkdtemp(g_dir) || ::chdir(g_dir) != 0)
            return false;
        std::atexit(RemoveScratchDirectory);
        return true;
    }();
    return entered;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::ui::HeadlessBackend ui;
    if (!EnterScratchDirectory())
        std::abort();
    std::FILE* file = std::fopen(Config::kFileName, "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();

    Config config;
    const ConfigRecord& r = config.m_record;
    // Byte for byte what the file holds, zero past its end.
    const ConfigImage image = EncodeConfigRecord(r);
    for (size_t i = 0; i < image.size(); ++i)
        if (image[i] != (i < size ? data[i] : 0))
            std::abort();
    // The title and the head positions as the main dialog reads them.
    if (strnlen(r.title, sizeof r.title) > sizeof r.title)
        std::abort();
    for (const ConfigHeadEntry& head : r.heads)
        if (BoardSerialText(head).size() > sizeof head.boardSerial)
            std::abort();
    return 0;
}
