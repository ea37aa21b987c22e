#include "platform/Application.h"

#include <mutex>

namespace platform {
namespace {
std::mutex g_mutex;
std::string& Name() {
    static std::string name;
    return name;
}
} // namespace

void SetApplicationName(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Name() = name;
}

std::string GetApplicationName() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return Name();
}

} // namespace platform
