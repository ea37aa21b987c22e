#include "tools/comlist/PortList.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

class ComListTest : public ::testing::Test {
protected:
    fs::path Make(const std::string& relative) {
        fs::path p = m_root / relative;
        fs::create_directories(p);
        return p;
    }
    static void Touch(const fs::path& p) { std::ofstream(p).put('x'); }

    testing_support::TempDir m_temp{"lumi-comlist"};
    fs::path m_root = m_temp.Path();
};

TEST_F(ComListTest, SimulatedPortsAreLiveLinksSortedByName) {
    const fs::path ports = Make("xdg/lumiflex/ports");
    const fs::path target = m_root / "pty";
    Touch(target);
    fs::create_symlink(target, ports / "lumiflex-2");
    fs::create_symlink(target, ports / "lumiflex-10");
    fs::create_symlink(target, ports / "lumiflex-1");
    fs::create_symlink(m_root / "gone", ports / "lumiflex-0"); // dangling
    fs::create_symlink(target, ports / ".hidden");
    Touch(ports / "notes.txt");
    fs::create_directory(ports / "folder");

    const std::string dir = ports.string();
    EXPECT_EQ(
        comlist::SimulatedPorts(dir),
        (std::vector<std::string>{dir + "/lumiflex-1", dir + "/lumiflex-10", dir + "/lumiflex-2"}));
    EXPECT_EQ(comlist::SimulatedPorts(dir + "/"), comlist::SimulatedPorts(dir));
    EXPECT_TRUE(comlist::SimulatedPorts((m_root / "absent").string()).empty());
}

TEST_F(ComListTest, OnlyAcmPortsInNumericOrder) {
    const fs::path dev = Make("dev");
    for (const char* name : {"ttyACM10", "ttyACM2", "ttyACM0", "ttyUSB0", "ttyS0", "ttyACM",
                             "ttyACMx", "ttyACM1a", "xttyACM3"})
        Touch(dev / name);
    EXPECT_EQ(comlist::AcmPorts(dev.string()),
              (std::vector<std::string>{"ttyACM0", "ttyACM2", "ttyACM10"}));
    EXPECT_TRUE(comlist::AcmPorts((m_root / "absent").string()).empty());
}

// Sets an environment variable for one scope, then puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        m_old = old ? old : "";
        Set(value);
    }
    ~ScopedEnv() { Set(m_had ? m_old.c_str() : nullptr); }
    void Set(const char* value) {
        if (value)
            ::setenv(m_name.c_str(), value, 1);
        else
            ::unsetenv(m_name.c_str());
    }

private:
    std::string m_name, m_old;
    bool m_had = false;
};

TEST_F(ComListTest, PortsDirectoryFollowsTheRuntimeDirectoryUnlessOneIsChosen) {
    ScopedEnv chosen("LUMI_PORTS_DIR", nullptr);
    ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ(comlist::PortsDirectory(), "/run/user/1000/lumiflex/ports");
    runtime.Set("");
    EXPECT_EQ(comlist::PortsDirectory(), "/tmp/lumiflex/ports");
    runtime.Set(nullptr);
    EXPECT_EQ(comlist::PortsDirectory(), "/tmp/lumiflex/ports");

    // A run of its own (scripts/run) names the folder, whatever the runtime directory.
    chosen.Set("/home/tech/run/ports");
    EXPECT_EQ(comlist::PortsDirectory(), "/home/tech/run/ports");
    runtime.Set("/run/user/1000");
    EXPECT_EQ(comlist::PortsDirectory(), "/home/tech/run/ports");
    chosen.Set(""); // empty counts as not chosen
    EXPECT_EQ(comlist::PortsDirectory(), "/run/user/1000/lumiflex/ports");
}

TEST_F(ComListTest, ProgramListsNoSimulatedPortWhenItsChosenFolderIsEmpty) {
    // A simulator of another session is live in the runtime directory; a run
    // against real controllers points the lister at a folder with no links.
    const fs::path ports = Make("xdg/lumiflex/ports");
    const fs::path none = Make("run/ports");
    const fs::path work = Make("work");
    Touch(m_root / "pty");
    fs::create_symlink(m_root / "pty", ports / "sim-01001001");

    const std::string command = "cd '" + work.string() + "' && XDG_RUNTIME_DIR='" +
                                (m_root / "xdg").string() + "' LUMI_PORTS_DIR='" + none.string() +
                                "' '" COMLIST_EXE "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(work / "comlist.txt");
    ASSERT_TRUE(in.good());
    for (std::string line; std::getline(in, line);)
        EXPECT_TRUE(std::regex_match(line, std::regex("ttyACM[0-9]+"))) << line;
}

TEST_F(ComListTest, ProgramReplacesTheOldListWithTheWholeNewOne) {
    const fs::path ports = Make("xdg/lumiflex/ports");
    const fs::path work = Make("work");
    Touch(m_root / "pty");
    fs::create_symlink(m_root / "pty", ports / "b");
    fs::create_symlink(m_root / "pty", ports / "a");
    {
        std::ofstream old(work / "comlist.txt");
        old << "COM99\nCOM98\nCOM97\nCOM96\n"; // a longer list from an earlier run
    }

    const std::string command = "cd '" + work.string() + "' && LUMI_PORTS_DIR= XDG_RUNTIME_DIR='" +
                                (m_root / "xdg").string() + "' '" COMLIST_EXE "'";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream in(work / "comlist.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], (ports / "a").string());
    EXPECT_EQ(lines[1], (ports / "b").string());
    // Whatever this machine has on USB follows; nothing but ACM ports.
    for (std::size_t i = 2; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex("ttyACM[0-9]+"))) << lines[i];
    EXPECT_EQ(std::distance(fs::directory_iterator(work), {}), 1); // no temporary left
}

TEST_F(ComListTest, WriteFailsCleanlyWhereNothingCanBeCreated) {
    const fs::path gone = Make("gone");
    fs::remove(gone);
    EXPECT_FALSE(comlist::WriteFileAtomically((gone / "comlist.txt").string(), "x\n"));

    const fs::path work = Make("work");
    ASSERT_TRUE(comlist::WriteFileAtomically((work / "comlist.txt").string(), "a\nb\n"));
    std::ifstream in(work / "comlist.txt");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "a\nb\n");
    EXPECT_EQ(comlist::FormatList({}), "");
}

} // namespace
