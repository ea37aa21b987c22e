// Set-up the benchmarks share: a scratch working directory (the program reads
// config.ini and comlist.txt from the current one) and simulated controllers.
#pragma once

#include "app/config/ConfigFile.h"
#include "tests/app/WorkFiles.h"
#include "tools/sim/Controller.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bench {

// A fresh /tmp/<prefix>-XXXXXX made the current directory while it lives,
// then left and removed. Valid() is false when it could not be made.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix) {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        if (!::mkdtemp(name.data()))
            return;
        m_path = name;
        m_old = std::filesystem::current_path();
        std::filesystem::current_path(m_path);
    }
    ~ScratchDir() {
        if (m_path.empty())
            return;
        std::filesystem::current_path(m_old);
        std::filesystem::remove_all(m_path);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool Valid() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    // Qt's runtime and settings files go here too, not to the user's own.
    void HoldQtFiles() const {
        ::setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_path + "/config").c_str(), 1);
    }

private:
    std::string m_path;
    std::filesystem::path m_old;
};

// Four simulated controllers "01001001" .. "04004004" with both heads of each
// in config.ini (8 positions) and their ports in comlist.txt.
inline std::vector<std::unique_ptr<sim::Controller>> FourControllersEightHeads() {
    std::vector<std::unique_ptr<sim::Controller>> sims;
    std::vector<std::string> ports;
    std::vector<mainwindow_test::HeadPlace> places;
    for (int j = 0; j < 4; ++j) {
        sim::ControllerOptions o;
        char serial[16];
        std::snprintf(serial, sizeof serial, "0%d00100%d", j + 1, j + 1);
        o.board.boardSerial = serial;
        sims.push_back(std::make_unique<sim::Controller>(o));
        ports.push_back(sims.back()->SlavePath());
        places.push_back({0, o.board.boardSerial, 10 + 50 * j, 10});
        places.push_back({1, o.board.boardSerial, 10 + 50 * j, 60});
    }
    WriteConfigFileAtomically("config.ini", mainwindow_test::MakeConfig(8, places));
    mainwindow_test::WriteComList(ports);
    return sims;
}

// Two head positions on controller "01001001", as the Qt benchmarks show them.
inline void WriteTwoHeadConfig() {
    WriteConfigFileAtomically(
        "config.ini",
        mainwindow_test::MakeConfig(2, {{0, "01001001", 279, 273}, {1, "01001001", 351, 273}}));
}

} // namespace bench
