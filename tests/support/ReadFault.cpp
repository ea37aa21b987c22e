#include "tests/support/ReadFault.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<bool> g_failed{false};
std::atomic<std::size_t> g_left{0}; // bytes still to come before the failure
dev_t g_device = 0;
ino_t g_inode = 0;

using ReadFunction = ssize_t (*)(int, void*, size_t);

// The next read() in line: the sanitizer's when there is one, else the C
// library's.
ReadFunction NextRead() {
    static const auto next = reinterpret_cast<ReadFunction>(::dlsym(RTLD_NEXT, "read"));
    return next;
}

bool IsTheFile(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_dev == g_device && st.st_ino == g_inode;
}

} // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    if (!g_armed.load() || !IsTheFile(fd))
        return NextRead()(fd, buffer, count);
    const std::size_t left = g_left.load();
    if (left == 0 && count > 0) {
        g_failed = true;
        errno = EIO;
        return -1;
    }
    const ssize_t got = NextRead()(fd, buffer, std::min(count, left));
    if (got > 0)
        g_left -= static_cast<std::size_t>(got);
    return got;
}

namespace testing_support {

ReadFault::ReadFault(const std::string& path, std::size_t goodBytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw std::system_error(errno, std::generic_category(), "stat " + path);
    if (g_armed.load())
        throw std::logic_error("one ReadFault at a time");
    g_device = st.st_dev;
    g_inode = st.st_ino;
    g_left = goodBytes;
    g_failed = false;
    g_armed = true;
}

ReadFault::~ReadFault() {
    g_armed = false;
}

bool ReadFault::Failed() const {
    return g_failed.load();
}

} // namespace testing_support
