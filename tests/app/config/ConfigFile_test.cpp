#include "app/config/ConfigFile.h"

#include "tests/support/Deadline.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <sys/stat.h>

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

TEST_F(ConfigFileTest, PipeNobodyWritesIsNotOpenedAndDoesNotWait) {
    ASSERT_EQ(::mkfifo(m_path.c_str(), 0600), 0);
    ConfigRecord r;
    std::memset(&r, 0x77, sizeof r);
    bool read = true;
    EXPECT_TRUE(testing_support::ReturnsInTime(
        [&] { read = ReadConfigFile(m_path.c_str(), r); },
        [&] { testing_support::ReleasePipeReader(m_path.c_str()); }));
    EXPECT_FALSE(read); // missing, as far as the caller can tell
    EXPECT_EQ(r.headCount, 0);
    EXPECT_EQ(r.title[0], '\0');
    EXPECT_TRUE(fs::is_fifo(m_path));

    // Nor is the pipe replaced by a write.
    ConfigRecord defaults{};
    std::strcpy(defaults.title, "Lumiflex");
    EXPECT_FALSE(WriteConfigFileAtomically(m_path.c_str(), defaults));
    EXPECT_TRUE(fs::is_fifo(m_path));
    EXPECT_EQ(EntriesInDir(), 1u);
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

TEST_F(ConfigFileTest, NewFileHoldsTheWholeRecord) {
    ConfigRecord r{};
    std::strcpy(r.title, "Lumiflex");
    ASSERT_TRUE(WriteConfigFileAtomically(m_path.c_str(), r));
    auto bytes = Contents();
    ASSERT_EQ(bytes.size(), 1432u);
    EXPECT_EQ(std::memcmp(bytes.data(), "Lumiflex", 8), 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + 8, bytes.end(), [](uint8_t b) { return b == 0; }));
    r.passwordProtect = 1;
    ASSERT_TRUE(WriteConfigFileAtomically(m_path.c_str(), r));
    EXPECT_EQ(Contents()[1428], 1);
    // A folder gone from under the path is reported.
    EXPECT_FALSE(WriteConfigFileAtomically((m_dir / "gone" / "config.ini").c_str(), r));
}

} // namespace
