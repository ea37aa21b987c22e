// The settings object against real files in a scratch current directory, with
// its messages taken by the headless backend.

#include "app/config/Config.h"
#include "platform/Application.h"
#include "platform/ui/Headless.h"
#include "tests/support/Deadline.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;
using platform::ui::HeadlessBackend;

namespace {

constexpr char kNotFound[] = "Configuration file not found. Creating with defaults.";
constexpr char kNotWritten[] = "Config.ini could not be opened for writing.";

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override { platform::SetApplicationName("sorvane"); }
    std::vector<uint8_t> File() const {
        std::ifstream in(m_dir / "config.ini", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Put(const std::vector<uint8_t>& bytes) const {
        std::ofstream(m_dir / "config.ini", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : m_ui.Boxes())
            texts.push_back(box.text);
        return texts;
    }

    HeadlessBackend m_ui;
    testing_support::WorkDir m_work{"lumi-config"};
    fs::path m_dir = m_work.Path();
};

TEST_F(ConfigTest, MissingFileIsCreatedWithDefaults) {
    Config config;
    ASSERT_EQ(BoxTexts(), std::vector<std::string>{kNotFound});
    EXPECT_EQ(m_ui.LastBox().caption, "sorvane");
    EXPECT_EQ(m_ui.LastBox().flags & 0xF, MB_OK);
    EXPECT_STREQ(config.m_record.title, "Lumiflex");
    EXPECT_EQ(config.m_record.headCount, 0);

    const auto bytes = File();
    ASSERT_EQ(bytes.size(), 1432u);
    EXPECT_EQ(std::memcmp(bytes.data(), "Lumiflex", 8), 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + 8, bytes.end(), [](uint8_t b) { return b == 0; }));

    // The next start finds it and says nothing.
    m_ui.ClearBoxes();
    Config again;
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_STREQ(again.m_record.title, "Lumiflex");
}

TEST_F(ConfigTest, DirectoryWhereNothingCanBeCreated) {
    const fs::path gone = m_dir / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove(gone);

    Config config;
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kNotFound, kNotWritten}));
    EXPECT_STREQ(config.m_record.title, "Lumiflex");
    EXPECT_EQ(config.m_record.headCount, 0);
    EXPECT_EQ(config.m_record.passwordProtect, 0);
    fs::current_path(m_dir);
}

TEST_F(ConfigTest, PipeInTheFilesPlaceGivesTheDefaultsAndStaysAPipe) {
    const std::string path = (m_dir / "config.ini").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::unique_ptr<Config> config;
    EXPECT_TRUE(
        testing_support::ReturnsInTime([&] { config = std::make_unique<Config>(); },
                                       [&] { testing_support::ReleasePipeReader(path.c_str()); }));
    // Taken as a file that is not there; the defaults are not written over it.
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kNotFound, kNotWritten}));
    ASSERT_NE(config, nullptr);
    EXPECT_STREQ(config->m_record.title, "Lumiflex");
    EXPECT_EQ(config->m_record.headCount, 0);
    EXPECT_TRUE(fs::is_fifo(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 1);
}

TEST_F(ConfigTest, ShortFileCountsAsFoundAndStaysAsItIs) {
    std::vector<uint8_t> bytes(100, 0);
    std::memcpy(bytes.data(), "MX12 DSC Photo Module", 21);
    bytes[64] = 2;
    bytes[68] = 1;                                    // heads[0].channel
    std::memcpy(&bytes[72], "12345678", 8);           // heads[0].boardSerial, no terminator
    bytes[80] = 200;                                  // heads[0].x
    bytes[84] = 120;                                  // heads[0].y
    std::fill(bytes.begin() + 88, bytes.end(), 0xEE); // heads[1] cut off at byte 100
    Put(bytes);

    Config config;
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_STREQ(config.m_record.title, "MX12 DSC Photo Module");
    EXPECT_EQ(config.m_record.headCount, 2);
    EXPECT_EQ(BoardSerialText(config.m_record.heads[0]), "12345678");
    EXPECT_EQ(config.m_record.heads[0].x, 200);
    EXPECT_EQ(config.m_record.heads[0].y, 120);
    EXPECT_EQ(config.m_record.heads[1].x, 0);
    EXPECT_EQ(config.m_record.heads[1].y, 0);
    EXPECT_EQ(config.m_record.passwordProtect, 0);
    EXPECT_EQ(File().size(), 100u);
}

TEST_F(ConfigTest, WriteKeepsReservedBytesAndCutsALongFile) {
    std::vector<uint8_t> bytes(1500);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    bytes[63] = 0;
    Put(bytes);

    Config config;
    EXPECT_TRUE(BoxTexts().empty());
    std::strcpy(config.m_record.title, "Talon DSC Photo Module");
    config.WriteConfigFile();
    EXPECT_TRUE(BoxTexts().empty());

    const auto written = File();
    ASSERT_EQ(written.size(), 1432u);
    EXPECT_STREQ(reinterpret_cast<const char*>(written.data()), "Talon DSC Photo Module");
    EXPECT_TRUE(std::equal(written.begin() + 64, written.end(), bytes.begin() + 64));
}

} // namespace
