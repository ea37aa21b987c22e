#include "platform/ProfileStore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/profile_store_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        m_hadOld = old != nullptr;
        if (old)
            m_old = old;
        setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    }
    void TearDown() override {
        if (m_hadOld)
            setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(m_dir);
    }
    std::string m_dir, m_old;
    bool m_hadOld = false;
};

TEST_F(ProfileStoreTest, MissingValueGivesDefaultAndWriteCreatesKeyFolder) {
    platform::ProfileStore store("Lumiflex", "sorvane");
    EXPECT_EQ(store.Path(), m_dir + "/Lumiflex/sorvane.ini");
    EXPECT_EQ(store.GetString("", "COMPort", "COM3"), "COM3");
    ASSERT_TRUE(store.WriteString("", "COMPort", "COM3"));
    EXPECT_EQ(store.GetString("", "COMPort", "x"), "COM3");

    std::ifstream f(store.Path());
    std::string line;
    std::getline(f, line);
    EXPECT_EQ(line, "COMPort=COM3");
    EXPECT_FALSE(fs::exists(store.Path() + ".tmp"));
}

TEST_F(ProfileStoreTest, OtherEntriesAndSectionsSurviveARewrite) {
    platform::ProfileStore store("Lumiflex", "sorvane");
    ASSERT_TRUE(store.WriteString("Window", "x", "12"));
    ASSERT_TRUE(store.WriteString("", "COMPort", "/dev/ttyUSB0"));
    ASSERT_TRUE(store.WriteString("", "COMPort", "COM7"));
    EXPECT_EQ(store.GetString("Window", "x", ""), "12");
    EXPECT_EQ(store.GetString("", "COMPort", ""), "COM7");
    EXPECT_EQ(store.GetString("Window", "COMPort", "none"), "none");
}

TEST_F(ProfileStoreTest, AwkwardBytesRoundTrip) {
    platform::ProfileStore::Sections s;
    s[""]["a=b"] = "line1\nline2\r\\end=\xB2";
    s[""]["[a"] = "b]";
    s["[odd]"]["k"] = "";
    auto back = platform::ProfileStore::Parse(platform::ProfileStore::Format(s));
    EXPECT_EQ(back, s);
}

TEST_F(ProfileStoreTest, UnwritableLocationReportsFailure) {
    // A plain file where the key folder should be: no folder can be made, even as root.
    std::ofstream(m_dir + "/Lumiflex") << "x";
    platform::ProfileStore store("Lumiflex", "sorvane");
    EXPECT_FALSE(store.WriteString("", "COMPort", "COM9"));
    EXPECT_EQ(store.GetString("", "COMPort", "COM3"), "COM3");
}

} // namespace
