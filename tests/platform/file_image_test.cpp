// Reading the start of a file and replacing a file through a temporary one.
#include "platform/FileImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

using testing_support::TempDir;

namespace {

std::vector<uint8_t> Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

int Entries(const std::string& dir) {
    int n = 0;
    for (auto it = std::filesystem::directory_iterator(dir);
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

TEST(FileImage, ReadTakesAtMostTheAskedBytesFromTheStart) {
    TempDir dir("fimg");
    std::vector<uint8_t> data(500);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    Write(dir.Path() + "/f", data);
    uint8_t buf[362] = {};
    buf[360] = 0xEE;
    size_t got = 0;
    ASSERT_TRUE(platform::ReadFileStart(dir.Path() + "/f", buf, 360, got));
    EXPECT_EQ(got, 360u);
    EXPECT_EQ(buf[359], 359 % 256);
    EXPECT_EQ(buf[360], 0xEE);
    Write(dir.Path() + "/e", {});
    EXPECT_TRUE(platform::ReadFileStart(dir.Path() + "/e", buf, 360, got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(platform::ReadFileStart(dir.Path() + "/none", buf, 360, got));
    EXPECT_FALSE(platform::ReadFileStart(dir.Path(), buf, 360, got));
}

TEST(FileImage, ReplacementKeepsModeAndLinkAndLeavesNoTemporary) {
    TempDir dir("fimg");
    const std::string target = dir.Path() + "/t.rvx", link = dir.Path() + "/l.rvx";
    Write(target, std::vector<uint8_t>(1000, 1));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink(target, link);

    platform::FileReplacement file;
    ASSERT_TRUE(file.Open(link));
    const std::vector<uint8_t> fresh(360, 7);
    ASSERT_TRUE(file.Commit(fresh.data(), fresh.size()));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Contents(target), fresh);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.Path()), 2);

    // A name as long as the file system allows is replaced as well.
    const std::string longName = dir.Path() + "/" + std::string(251, 'n') + ".rvx";
    Write(longName, {1, 2, 3});
    ASSERT_TRUE(file.Open(longName));
    ASSERT_TRUE(file.Commit(fresh.data(), fresh.size()));
    EXPECT_EQ(Contents(longName), fresh);
    EXPECT_EQ(Entries(dir.Path()), 3);
}

TEST(FileImage, ReplacementNotCommittedLeavesTheOldFile) {
    TempDir dir("fimg");
    const std::string target = dir.Path() + "/t.rvx";
    Write(target, {1, 2, 3});
    {
        platform::FileReplacement file;
        ASSERT_TRUE(file.Open(target));
        EXPECT_EQ(Entries(dir.Path()), 2); // the temporary beside it
    }
    EXPECT_EQ(Contents(target), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Entries(dir.Path()), 1);

    platform::FileReplacement none;
    EXPECT_FALSE(none.Open(dir.Path() + "/no/such/folder"));
    EXPECT_FALSE(none.Commit(nullptr, 0));
    platform::FileReplacement folder;
    EXPECT_FALSE(folder.Open(dir.Path())); // a folder is no file to replace
}

} // namespace
