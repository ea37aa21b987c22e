#include "app/config/ConfigFile.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
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

class ConfigFileTest : public ::testing::Test {
protected:
    std::vector<uint8_t> Contents() const {
        std::ifstream in(m_path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Put(const std::vector<uint8_t>& bytes) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
    }

    testing_support::TempDir m_temp{"lumi-configfile"};
    fs::path m_dir = m_temp.Path();
    std::string m_path = (m_dir / "config.ini").string();
};

std::vector<uint8_t> Pattern(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 13 + 1);
    return bytes;
}

TEST_F(ConfigFileTest, MissingOrDirectoryIsNotOpened) {
    ConfigRecord r;
    std::memset(&r, 0x77, sizeof r);
    EXPECT_FALSE(ReadConfigFile(m_path.c_str(), r));
    EXPECT_EQ(r.headCount, 0);
    EXPECT_EQ(r.title[0], '\0');

    fs::create_directory(m_path);
    EXPECT_FALSE(ReadConfigFile(m_path.c_str(), r));
}

TEST_F(ConfigFileTest, ShortFileIsReadAndLeftAlone) {
    auto bytes = Pattern(100);
    std::memcpy(bytes.data(), "Opaline\0", 8);
    Put(bytes);
    ConfigRecord r;
    ASSERT_TRUE(ReadConfigFile(m_path.c_str(), r));
    EXPECT_STREQ(r.title, "Opaline");
    EXPECT_EQ(r.heads[2].channel, 0);
    EXPECT_EQ(r.passwordProtect, 0);
    EXPECT_EQ(Contents().size(), 100u);
}

TEST_F(ConfigFileTest, WriteBackKeepsEveryByteAndCutsLongFiles) {
    const auto bytes = Pattern(2000);
    Put(bytes);
    ConfigRecord r;
    ASSERT_TRUE(ReadConfigFile(m_path.c_str(), r));
    r.headCount = 2;
    ASSERT_TRUE(WriteConfigFileAtomically(m_path.c_str(), r));

    auto expected = std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1432);
    expected[64] = 2;
    expected[65] = expected[66] = expected[67] = 0;
    EXPECT_EQ(Contents(), expected);
    EXPECT_EQ(EntriesInDir(), 1u); // no temporary left behind
}

TEST_F(ConfigFileTest, NewFileAndKeptPermissions) {
    ConfigRecord r{};
    std::strcpy(r.title, "Lumiflex");
    ASSERT_TRUE(WriteConfigFileAtomically(m_path.c_str(), r));
    auto bytes = Contents();
    ASSERT_EQ(bytes.size(), 1432u);
    EXPECT_EQ(std::memcmp(bytes.data(), "Lumiflex", 8), 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + 8, bytes.end(), [](uint8_t b) { return b == 0; }));

    fs::permissions(m_path, fs::perms::owner_read | fs::perms::owner_write);
    r.passwordProtect = 1;
    ASSERT_TRUE(WriteConfigFileAtomically(m_path.c_str(), r));
    EXPECT_EQ(fs::status(m_path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Contents()[1428], 1);
}

TEST_F(ConfigFileTest, LinkedFileIsWrittenWhereItPoints) {
    const fs::path shared = m_dir / "shared";
    fs::create_directory(shared);
    { std::ofstream(shared / "site.ini") << "old"; }
    fs::create_symlink(shared / "site.ini", m_path);
    ConfigRecord r{};
    std::strcpy(r.title, "linked");
    ASSERT_TRUE(WriteConfigFileAtomically(m_path.c_str(), r));
    EXPECT_TRUE(fs::is_symlink(m_path));
    EXPECT_EQ(fs::file_size(shared / "site.ini"), 1432u);
    EXPECT_EQ(std::distance(fs::directory_iterator(shared), {}), 1);
    EXPECT_EQ(Contents()[0], 'l');
}

TEST_F(ConfigFileTest, FailedWriteLosesNothing) {
    const auto old = Pattern(1432);
    Put(old);
    ConfigRecord r{};
    std::strcpy(r.title, "new");

    // The disk fills up halfway through the record.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 700;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteConfigFileAtomically(m_path.c_str(), r);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(), old);
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ConfigFileTest, DirectoryWhereNothingCanBeCreated) {
    // A removed directory refuses new files even to root.
    const fs::path gone = m_dir / "gone";
    fs::create_directory(gone);
    const std::string path = (gone / "config.ini").string();
    fs::remove(gone);
    ConfigRecord r{};
    EXPECT_FALSE(WriteConfigFileAtomically(path.c_str(), r));

    // A directory in the file's place cannot be replaced; the temporary goes.
    fs::create_directory(m_path);
    fs::create_directory(fs::path(m_path) / "inside");
    EXPECT_FALSE(WriteConfigFileAtomically(m_path.c_str(), r));
    EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ConfigFileTest, WritableFileInAFolderThatRefusesNewFiles) {
    Put(Pattern(1432));
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
        ConfigRecord r{};
        std::strcpy(r.title, "in place");
        ::_exit(WriteConfigFileAtomically(m_path.c_str(), r) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::permissions(m_dir, fs::perms::owner_all);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto bytes = Contents();
    ASSERT_EQ(bytes.size(), 1432u);
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()), "in place");
    EXPECT_EQ(EntriesInDir(), 1u);
}

} // namespace
