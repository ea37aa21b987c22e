// Settings store, outside programs, clock and time formats.
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/Shell.h"
#include "platform/TimeFormat.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct TempDir : testing_support::TempDir {
    TempDir() : testing_support::TempDir("lumi-platform") {}
};

TEST(Settings, ProfileStringsPersistUnderTheConfigDirectory) {
    TempDir dir;
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    platform::SetApplicationName("Sorvane");
    platform::SetRegistryKey("");
    EXPECT_EQ(platform::GetProfileString("Settings", "COMPort", "COM3"), "COM3");
    EXPECT_FALSE(platform::WriteProfileString("Settings", "COMPort", "COM7")); // no key yet

    platform::SetRegistryKey("Lumiflex");
    EXPECT_EQ(platform::ProfilePath(), dir.Path() + "/Lumiflex/Sorvane");
    EXPECT_EQ(platform::GetProfileString("Settings", "COMPort", "COM3"), "COM3");
    EXPECT_TRUE(platform::WriteProfileString("Settings", "COMPort", "COM7"));
    EXPECT_TRUE(platform::WriteProfileString("Other", "x", "a=b"));
    EXPECT_TRUE(platform::WriteProfileString("settings", "comport", "/dev/ttyUSB1"));
    EXPECT_EQ(platform::GetProfileString("SETTINGS", "ComPort"), "/dev/ttyUSB1");
    EXPECT_EQ(platform::GetProfileString("Other", "x"), "a=b");
    EXPECT_EQ(platform::GetProfileString("Other", "missing", "d"), "d");
    // Line breaks cannot be stored and do not corrupt the file.
    EXPECT_FALSE(platform::WriteProfileString("Settings", "COMPort", "a\nb=c"));
    EXPECT_FALSE(platform::WriteProfileString("Set]tings", "k", "v"));
    // The empty section: values directly under the key.
    EXPECT_TRUE(platform::WriteProfileString("", "COMPort", "COM9"));
    EXPECT_EQ(platform::GetProfileString("", "COMPort", "COM3"), "COM9");
    EXPECT_EQ(platform::GetProfileString("Settings", "COMPort"), "/dev/ttyUSB1");
    std::ifstream in(platform::ProfilePath());
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, "COMPort=COM9\n[Settings]\nCOMPort=/dev/ttyUSB1\n[Other]\nx=a=b\n");
    // No temporary file is left behind.
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.Path() + "/Lumiflex"))
        ++files, (void)e;
    EXPECT_EQ(files, 1);
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST(Settings, FallsBackToHomeConfig) {
    TempDir dir;
    const char* oldHome = std::getenv("HOME");
    std::string saved = oldHome ? oldHome : "";
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", dir.Path().c_str(), 1);
    platform::SetApplicationName("Sorvane");
    platform::SetRegistryKey("Lumiflex");
    EXPECT_TRUE(platform::WriteProfileString("Settings", "COMPort", "COM4"));
    EXPECT_TRUE(fs::exists(dir.Path() + "/.config/Lumiflex/Sorvane"));
    ::setenv("HOME", saved.c_str(), 1);
}

// Polls for a file for up to ten seconds.
bool AppearsWithin10s(const std::string& path) {
    for (int i = 0; i < 1000 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path);
}

TEST(Shell, StartsAProgramInItsDirectoryWithoutWaiting) {
    TempDir dir;
    std::string script = dir.Path() + "/ComList.exe";
    {
        // It answers once told to go: a start that waited for it would see the answer.
        std::ofstream out(script);
        out << "#!/bin/sh\nfor i in $(seq 200); do [ -e go ] && break; sleep 0.1; done\n"
               "echo \"$1\" > answer.tmp && mv answer.tmp comlist.txt\n";
    }
    ::chmod(script.c_str(), 0755);
    intptr_t r =
        platform::ShellExecute("ComList.exe", "COM5", dir.Path().c_str(), platform::SW_HIDE_WINDOW);
    EXPECT_GT(r, 32);
    EXPECT_FALSE(fs::exists(dir.Path() + "/comlist.txt")); // did not wait for it
    std::ofstream(dir.Path() + "/go").put('\n');
    ASSERT_TRUE(AppearsWithin10s(dir.Path() + "/comlist.txt"));
    std::ifstream in(dir.Path() + "/comlist.txt");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "COM5");
}

TEST(Shell, StartsFromADirectoryGivenRelativeToTheCurrentOne) {
    TempDir dir;
    fs::create_directory(dir.Path() + "/tools");
    std::string script = dir.Path() + "/tools/ComList.exe";
    std::ofstream(script) << "#!/bin/sh\necho ok > comlist.txt\n";
    ::chmod(script.c_str(), 0755);
    const fs::path saved = fs::current_path();
    fs::current_path(dir.Path());
    intptr_t r = platform::ShellExecute("ComList.exe", nullptr, "tools", platform::SW_HIDE_WINDOW);
    fs::current_path(saved);
    EXPECT_GT(r, 32);
    EXPECT_TRUE(AppearsWithin10s(dir.Path() + "/tools/comlist.txt"));
}

TEST(Shell, ReportsTheShellsErrorNumbers) {
    TempDir dir;
    EXPECT_EQ(platform::ShellExecute("ComList.exe", nullptr, dir.Path().c_str(), 0),
              platform::SE_ERR_FNF);
    EXPECT_EQ(platform::ShellExecute("ComList.exe", nullptr, (dir.Path() + "/nope").c_str(), 0),
              platform::SE_ERR_PNF);
    EXPECT_EQ(platform::ShellExecute("nope/ComList.exe", nullptr, dir.Path().c_str(), 0),
              platform::SE_ERR_PNF);
    std::string plain = dir.Path() + "/ComList.exe";
    std::ofstream(plain) << "not executable";
    EXPECT_EQ(platform::ShellExecute("ComList.exe", nullptr, dir.Path().c_str(), 0),
              platform::SE_ERR_ACCESSDENIED);
    EXPECT_EQ(platform::ShellExecute("", nullptr, nullptr, 0), platform::SE_ERR_FNF);
}

TEST(Clock, CounterRunsAtItsFrequencyAndSleepWaits) {
    // The counter's interval, in its own frequency's milliseconds, lies
    // between the steady clock's readings just inside and just outside its
    // two reads: no bound on how long a loaded machine keeps this thread.
    using Steady = std::chrono::steady_clock;
    auto ms = [](Steady::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    };
    const int64_t f = platform::QueryPerformanceFrequency();
    const auto outerStart = Steady::now();
    const int64_t a = platform::QueryPerformanceCounter();
    const auto innerStart = Steady::now();
    platform::Sleep(30);
    const auto innerEnd = Steady::now();
    const int64_t b = platform::QueryPerformanceCounter();
    const auto outerEnd = Steady::now();
    const double counted = double(b - a) * 1000.0 / double(f);
    EXPECT_GE(ms(innerEnd - innerStart), 29.0);            // Sleep waited
    EXPECT_GE(counted, ms(innerEnd - innerStart) - 0.001); // a tick is 0.0001 ms
    EXPECT_LE(counted, ms(outerEnd - outerStart) + 0.001);
}

TEST(TimeFormat, WindowsFormatsInTheCLocale) {
    std::tm tm{};
    tm.tm_year = 95;
    tm.tm_mon = 2;
    tm.tm_mday = 14;
    tm.tm_wday = 2;
    tm.tm_yday = 72;
    tm.tm_hour = 14;
    tm.tm_min = 3;
    tm.tm_sec = 5;
    EXPECT_EQ(platform::FormatTime("%#x", tm), "Tuesday, March 14, 1995");
    EXPECT_EQ(platform::FormatTime("%#c", tm), "Tuesday, March 14, 1995, 14:03:05");
    EXPECT_EQ(platform::FormatTime("%X", tm), "14:03:05");
    EXPECT_EQ(platform::FormatTime("%x", tm), "03/14/95");
    EXPECT_EQ(platform::FormatTime("%c", tm), "03/14/95 14:03:05");
    EXPECT_EQ(platform::FormatTime("%#m/%#d %#H:%M %I%p %j %% %q", tm), "3/14 14:03 02PM 073 % %q");
    tm.tm_mday = 4;
    tm.tm_wday = 6;
    EXPECT_EQ(platform::FormatTime("%#x", tm), "Saturday, March 4, 1995");
    // A real local time formats without surprises.
    std::tm now = platform::LocalTimeNow();
    EXPECT_EQ(platform::FormatTime("%X", now).size(), 8u);
}

} // namespace
