// The picture holder closes the file it opened exactly once. A descriptor
// closed a second time is either refused (EBADF) or, worse, closes whatever
// another thread has just opened under the same number. This binary puts a
// close() of its own in front of the C library's and counts the refused ones.
// (The stream's fclose closes its descriptor inside the C library, past this
// close(); the holder's close comes through here.)
#include "app/shared/Picture.h"
#include "platform/Picture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<int> g_refusedCloses{0};

using CloseFunction = int (*)(int);

CloseFunction NextClose() {
    static const auto next = reinterpret_cast<CloseFunction>(::dlsym(RTLD_NEXT, "close"));
    return next;
}

} // namespace

extern "C" int close(int fd) {
    const int result = NextClose()(fd);
    if (result != 0 && errno == EBADF)
        ++g_refusedCloses;
    return result;
}

namespace {

// The number the next descriptor opened gets (the lowest free one).
int NextDescriptor() {
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(probe);
    return probe;
}

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

void WriteFile(const std::string& path, const void* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

TEST(PictureClose, TheFileIsClosedOnceWhateverItHolds) {
    const testing_support::TempDir dir("lumi-picture-close");
    platform::Image img;
    img.width = 2;
    img.height = 2;
    img.rgb.assign(12, 9);
    const auto bmp = platform::EncodeBmp(img);
    const std::string picture = dir.Path() + "/instrument.bmp";
    const std::string text = dir.Path() + "/notes.bmp";
    WriteFile(picture, bmp.data(), bmp.size());
    WriteFile(text, "not an image", 12);

    CPicture pic;
    for (const std::string& path : {picture, text, picture}) {
        const int fd = NextDescriptor();
        ASSERT_FALSE(IsOpen(fd));
        g_refusedCloses = 0;
        EXPECT_EQ(pic.Load(path.c_str()), 1) << path;
        EXPECT_EQ(g_refusedCloses.load(), 0) << path << ": a descriptor was closed twice";
        EXPECT_FALSE(IsOpen(fd)) << path << ": the descriptor was left open";
    }
    EXPECT_TRUE(pic.m_pPicture);

    // Refused paths open nothing, or close what they opened, once.
    for (const std::string& path : {dir.Path() + "/missing.bmp", dir.Path()}) {
        const int fd = NextDescriptor();
        g_refusedCloses = 0;
        EXPECT_EQ(pic.Load(path.c_str()), 0) << path;
        EXPECT_EQ(g_refusedCloses.load(), 0) << path;
        EXPECT_FALSE(IsOpen(fd)) << path;
    }
}

} // namespace
