#include "platform/AtomicFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    static std::vector<uint8_t> Contents(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
    }
    bool Write(const std::string& path, const std::vector<uint8_t>& bytes,
               bool regularOnly = false) const {
        return platform::WriteFileAtomically(path, bytes.data(), bytes.size(), regularOnly);
    }

    testing_support::TempDir m_temp{"lumi-atomicfile"};
    fs::path m_dir = m_temp.Path();
    std::string m_path = (m_dir / "file.bin").string();
};

std::vector<uint8_t> Pattern(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    return bytes;
}

TEST_F(AtomicFileTest, NewFileThenReplacedKeepingPermissions) {
    ASSERT_TRUE(Write(m_path, std::vector<uint8_t>(60, 0x11)));
    EXPECT_EQ(Contents(m_path), std::vector<uint8_t>(60, 0x11));
    ::chmod(m_path.c_str(), 0640);
    ASSERT_TRUE(Write(m_path, {1, 2, 3}));
    EXPECT_EQ(Contents(m_path), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(fs::status(m_path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesInDir(), 1u); // no temporary left behind
}

TEST_F(AtomicFileTest, LinkedFileIsWrittenWhereItPoints) {
    const fs::path shared = m_dir / "shared";
    fs::create_directory(shared);
    { std::ofstream(shared / "site.ini") << "old"; }
    fs::create_symlink(shared / "site.ini", m_path);
    ASSERT_TRUE(Write(m_path, Pattern(20), /*regularOnly=*/true));
    EXPECT_TRUE(fs::is_symlink(m_path));
    EXPECT_EQ(Contents(shared / "site.ini"), Pattern(20));
    EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), 1);
}

TEST_F(AtomicFileTest, FailedWriteLosesNothing) {
    const auto old = Pattern(1432);
    ASSERT_TRUE(Write(m_path, old));

    // The disk fills up halfway through.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 700;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = Write(m_path, std::vector<uint8_t>(1432, 0));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(m_path), old);
    EXPECT_EQ(EntriesInDir(), 1u);

    // The temporary's place is taken, so the save cannot be made.
    const fs::path blocker = m_path + "." + std::to_string(::getpid()) + ".tmp";
    fs::create_directory(blocker);
    EXPECT_FALSE(Write(m_path, {1, 2, 3}));
    EXPECT_EQ(Contents(m_path), old);
    fs::remove(blocker);
}

TEST_F(AtomicFileTest, DirectoryWhereNothingCanBeCreated) {
    EXPECT_FALSE(Write((m_dir / "missing" / "file.bin").string(), {1}));
    // A removed directory refuses new files even to root.
    const fs::path gone = m_dir / "gone";
    fs::create_directory(gone);
    fs::remove(gone);
    EXPECT_FALSE(Write((gone / "file.bin").string(), {1}));

    // A directory in the file's place cannot be replaced; the temporary goes.
    fs::create_directory(m_path);
    fs::create_directory(fs::path(m_path) / "inside");
    EXPECT_FALSE(Write(m_path, {1}));
    EXPECT_EQ(EntriesInDir(), 1u);

    // Asked for, anything but a regular file is refused and left as it is.
    const std::string fifo = (m_dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(Write(fifo, {1}, /*regularOnly=*/true));
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(AtomicFileTest, WritableFileInAFolderThatRefusesNewFiles) {
    ASSERT_TRUE(Write(m_path, Pattern(1432)));
    fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(m_path, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec |
                                               fs::perms::others_exec));
    // The write runs in a child that is not allowed to add files to the folder
    // (root may add anywhere, so a root child becomes nobody).
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        if (::geteuid() != 0)
            ::chmod(m_dir.c_str(), 0555);
        ::_exit(Write(m_path, {'i', 'n', ' ', 'p', 'l', 'a', 'c', 'e'}) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::permissions(m_dir, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Contents(m_path), (std::vector<uint8_t>{'i', 'n', ' ', 'p', 'l', 'a', 'c', 'e'}));
    EXPECT_EQ(EntriesInDir(), 1u);
}

} // namespace
