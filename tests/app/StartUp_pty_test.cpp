// The start-up search against simulated controllers on pseudo-terminals, with
// a stand-in port lister written by each test, on the headless backend.

#include "app/StartUp.h"
#include "platform/ui/Headless.h"
#include "resources/dialogs/Dialog146Ids.h"
#include "tools/sim/Controller.h"
#include "tools/sim/PortLink.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include <csignal>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using platform::ui::HeadlessBackend;

using namespace ids146;

namespace {

std::vector<std::string> Lines(const CDialog& dlg) {
    return dlg.GetDlgItem(IDC_REPORT)->Items();
}

class StartUpTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (m_linker.joinable())
            m_linker.join();
    }

    // A port lister that leaves `text` as comlist.txt, whole. The list is
    // laid out beforehand as well: the search reads it 250 ms after starting
    // the lister, and a loaded machine may not have run the lister by then.
    void Lister(const std::string& text) {
        std::ofstream(m_dir / "ports.txt") << text;
        std::ofstream(m_dir / "comlist.txt") << text;
        Script("#!/bin/sh\ncp ports.txt comlist.tmp && mv comlist.tmp comlist.txt\n");
    }
    void Script(const std::string& body) {
        const fs::path exe = m_dir / "ComList.exe";
        std::ofstream(exe) << body;
        fs::permissions(exe, fs::perms::owner_all);
    }

    sim::Controller& AddController(const std::string& serial, int heads) {
        sim::ControllerOptions options;
        options.board.boardSerial = serial;
        options.board.headCount = static_cast<uint8_t>(heads);
        options.board.firmwareVersion = "3.02";
        m_sims.push_back(std::make_unique<sim::Controller>(options));
        return *m_sims.back();
    }

    // A port that the search's first open misses and its second, 500 ms
    // later, finds: a plain file (no terminal) stands in its place until the
    // search has opened it once, seen through inotify, not guessed from the
    // clock; then a link to `target` replaces it.
    std::string LateLink(const std::string& target) {
        const fs::path link = m_dir / "late-port";
        std::ofstream(link) << "not yet\n";
        const int watch = ::inotify_init1(IN_CLOEXEC);
        EXPECT_GE(watch, 0);
        EXPECT_GE(::inotify_add_watch(watch, link.c_str(), IN_OPEN), 0);
        m_linker = std::thread([link, target, watch] {
            pollfd opened{watch, POLLIN, 0};
            if (::poll(&opened, 1, 30000) > 0) {
                alignas(inotify_event) char events[4096];
                [[maybe_unused]] const ssize_t n = ::read(watch, events, sizeof events);
            }
            ::close(watch);
            const fs::path fresh = link.string() + ".new";
            fs::create_symlink(target, fresh);
            fs::rename(fresh, link);
        });
        return link.string();
    }

    // Runs the dialog modally; `script` sees it after the search.
    int Run(CStartUp& dlg, std::function<void(CStartUp&)> script) {
        m_ui.OnModal(CStartUp::IDD, [&](CDialog& d) { script(static_cast<CStartUp&>(d)); });
        return static_cast<int>(dlg.DoModal());
    }

    // Runs a search in a child process with a deadline, so that a list that
    // blocks or never ends fails the test instead of hanging it. 0 when the
    // search found no controller and said so, 1 when it did anything else,
    // -1 when it had not ended after 10 s (the child is then killed).
    int SearchFindingNothingInChild() {
        const pid_t child = ::fork();
        if (child < 0)
            return 2;
        if (child == 0) {
            CStartUp dlg;
            bool said = false;
            Run(dlg, [&](CStartUp& d) {
                said =
                    Lines(d) == std::vector<std::string>{"No Lumiflex Controllers found on USB."};
            });
            ::_exit(said && dlg.m_nBoards == 0 && dlg.m_pBoards == nullptr ? 0 : 1);
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > giveUp) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
    }

    HeadlessBackend m_ui;
    testing_support::WorkDir m_work{"lumi-startup"};
    fs::path m_dir = m_work.Path();
    std::vector<std::unique_ptr<sim::Controller>> m_sims;
    std::thread m_linker;
};

TEST_F(StartUpTest, OneControllerWithTwoHeadsClosesAfterTwoSeconds) {
    sim::Controller& box = AddController("01001001", 2);
    Lister(box.SlavePath() + "\r\n");
    CStartUp dlg;
    const int code = Run(dlg, [&](CStartUp& d) {
        EXPECT_EQ(Lines(d),
                  (std::vector<std::string>{"Found controller 01001001, version 3.02, RVXs 2.",
                                            "Opening Lumiflex 1", "1 Lumiflex Controller found."}));
        EXPECT_EQ(d.GetDlgItem(IDC_PROGRESS)->Pos(), 100);
        EXPECT_EQ(d.GetDlgItemText(IDC_RESULTS), "");
        EXPECT_NE(d.GetDlgItem(IDC_LOGO)->Bitmap(), nullptr);
        EXPECT_FALSE(d.GetDlgItem(IDC_RETRY)->IsEnabled());
        m_ui.Advance(1999);
        EXPECT_FALSE(d.IsEnded());
        m_ui.Advance(1);
        EXPECT_TRUE(d.IsEnded());
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(dlg.m_nBoards, 1);
    EXPECT_EQ(dlg.m_bNoHeads, 0);
    EXPECT_EQ(dlg.m_pBoards[0].m_strPort, "\\\\.\\" + box.SlavePath());
    EXPECT_TRUE(dlg.m_pBoards[0].m_bOpen); // handed over open
    EXPECT_EQ(dlg.m_pBoards[0].m_nHeadCount, 2);
}

// udev's stable names for USB serial ports are long: a by-id path of well
// over 64 bytes is a port name like any other.
TEST_F(StartUpTest, ALongByIdPathIsFoundLikeAShortName) {
    sim::Controller& box = AddController("01001001", 2);
    const fs::path byId = m_dir / "dev/serial/by-id";
    fs::create_directories(byId);
    const fs::path link =
        byId / "usb-Lumiflex_Corporation_Lumiflex_UV_LED_Controller_0123456789ABCDEF-if00";
    fs::create_symlink(box.SlavePath(), link);
    ASSERT_GT(link.string().size(), 100u);
    Lister(link.string() + "\n");
    CStartUp dlg;
    const int code = Run(dlg, [&](CStartUp& d) {
        EXPECT_EQ(Lines(d),
                  (std::vector<std::string>{"Found controller 01001001, version 3.02, RVXs 2.",
                                            "Opening Lumiflex 1", "1 Lumiflex Controller found."}));
        m_ui.Advance(2000);
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(dlg.m_nBoards, 1);
    EXPECT_EQ(dlg.m_pBoards[0].m_strPort, "\\\\.\\" + link.string());
}

TEST_F(StartUpTest, SeveralControllersReportInOrderNewestOnTop) {
    sim::Controller& a = AddController("0A000001", 2);
    sim::Controller& b = AddController("0B000002", 1);
    sim::Controller& c = AddController("0C000003", 2);
    Lister(a.SlavePath() + "\n" + b.SlavePath() + "\n" + c.SlavePath()); // last line unterminated
    CStartUp dlg;
    const int code = Run(dlg, [&](CStartUp& d) {
        EXPECT_EQ(Lines(d), (std::vector<std::string>{
                                "Found controller 0C000003, version 3.02, RVXs 2.",
                                "Opening Lumiflex 3",
                                "Found controller 0B000002, version 3.02, RVXs 1.",
                                "Opening Lumiflex 2",
                                "Found controller 0A000001, version 3.02, RVXs 2.",
                                "Opening Lumiflex 1",
                                "3 Lumiflex Controllers found.",
                            }));
        EXPECT_EQ(d.GetDlgItem(IDC_PROGRESS)->Pos(), 100);
        m_ui.Advance(2000);
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(dlg.m_nBoards, 3);
    EXPECT_EQ(dlg.m_pBoards[1].m_strBoardSerial, "0B000002");
}

TEST_F(StartUpTest, TwelveLinesMakeTenControllers) {
    std::string text;
    for (int i = 1; i <= 12; ++i)
        text += (m_dir / ("missing" + std::to_string(i))).string() + "\n";
    Lister(text);
    CStartUp dlg;
    Run(dlg, [&](CStartUp& d) {
        const auto lines = Lines(d);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[2], "10 Lumiflex Controllers found.");
        EXPECT_EQ(lines[1], "Opening Lumiflex 1");
        // The first cannot be opened: the search stops there and stays open.
        EXPECT_TRUE(std::regex_match(
            lines[0], std::regex("Lumiflex connection failed \\(\\\\\\\\\\.\\\\.*missing1, "
                                 "error 8:2\\)\\.")))
            << lines[0];
        m_ui.Advance(5000);
        EXPECT_FALSE(d.IsEnded());
    });
    ASSERT_EQ(dlg.m_nBoards, 10);
    EXPECT_EQ(dlg.m_pBoards[9].m_strPort, "\\\\.\\" + (m_dir / "missing10").string());
    EXPECT_FALSE(dlg.m_pBoards[1].m_bOpen);
}

TEST_F(StartUpTest, EmptyLineIsAControllerThatCannotBeOpened) {
    sim::Controller& a = AddController("0A000001", 2);
    sim::Controller& b = AddController("0B000002", 2);
    Lister(a.SlavePath() + "\n\n" + b.SlavePath() + "\n");
    CStartUp dlg;
    const int code = Run(dlg, [&](CStartUp& d) {
        const auto lines = Lines(d);
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_TRUE(std::regex_match(
            lines[0],
            std::regex("Lumiflex connection failed \\(\\\\\\\\\\.\\\\, error [0-9]+:[0-9]+\\)\\.")))
            << lines[0];
        EXPECT_EQ(lines[1], "Opening Lumiflex 2");
        EXPECT_EQ(d.GetDlgItemText(IDC_RESULTS), "");
        EXPECT_FALSE(d.HasTimer(CStartUp::IDT_CLOSE_STARTUP));
        d.UserPressEscape();
    });
    EXPECT_EQ(code, IDCANCEL);
    ASSERT_EQ(dlg.m_nBoards, 3);
    EXPECT_EQ(dlg.m_pBoards[1].m_strPort, "\\\\.\\");
    EXPECT_TRUE(dlg.m_pBoards[0].m_bOpen);
    EXPECT_FALSE(dlg.m_pBoards[2].m_bOpen); // never tried
    EXPECT_EQ(b.RequestCount(), 0u);
}

TEST_F(StartUpTest, NoListOrNoLister) {
    {
        Script("#!/bin/sh\nexit 0\n"); // starts, writes nothing
        CStartUp dlg;
        const int code = Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d), std::vector<std::string>{"No Lumiflex Controllers found on USB."});
            m_ui.Advance(5000);
            EXPECT_FALSE(d.IsEnded());
            d.UserPressEnter(); // "Exit Application" is the default button
        });
        EXPECT_EQ(code, CStartUp::kExitApplication);
        EXPECT_EQ(dlg.m_nBoards, 0);
        EXPECT_EQ(dlg.m_pBoards, nullptr);
    }
    {
        Lister(""); // an empty list
        CStartUp dlg;
        Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d), std::vector<std::string>{"No Lumiflex Controllers found on USB."});
        });
        EXPECT_EQ(dlg.m_nBoards, 0);
    }
    {
        fs::remove(m_dir / "ComList.exe");
        fs::remove(m_dir / "comlist.txt"); // a stale list must not be read
        std::ofstream(m_dir / "comlist.txt") << "stale\n";
        CStartUp dlg;
        Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d), (std::vector<std::string>{
                                    "No Lumiflex Controllers found on USB.",
                                    "No Lumiflex Controllers Found (ComList utility: 2)"}));
        });
        EXPECT_EQ(dlg.m_nBoards, 0);
    }
}

TEST_F(StartUpTest, ListThatIsNoPlainFileOrHasAnOverlongLineGivesNoController) {
    Script("#!/bin/sh\nexit 0\n"); // the list is laid out by the test
    const fs::path list = m_dir / "comlist.txt";
    // A pipe nobody writes.
    ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
    EXPECT_EQ(SearchFindingNothingInChild(), 0) << "a pipe";
    EXPECT_TRUE(fs::is_fifo(list));
    // A link to a device that never ends.
    fs::remove(list);
    fs::create_symlink("/dev/zero", list);
    EXPECT_EQ(SearchFindingNothingInChild(), 0) << "a link to /dev/zero";
    // A plain file whose first line is longer than any port name.
    fs::remove(list);
    std::ofstream(list) << std::string(5000, 'x') << "\n" << m_dir.string() << "/port\n";
    EXPECT_EQ(SearchFindingNothingInChild(), 0) << "an overlong line";
}

TEST_F(StartUpTest, LowerCaseOnlyWhenBothSecondTriesWereNeeded) {
    {
        sim::Controller& box = AddController("01001001", 2);
        box.DropReplies(1);
        Lister(LateLink(box.SlavePath()) + "\n");
        CStartUp dlg;
        Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d).front(), "Found controller 01001001, version 3.02, rvxs 2.");
            m_ui.Advance(2000);
        });
        EXPECT_EQ(dlg.m_pBoards[0].m_strPort, "\\\\.\\" + (m_dir / "late-port").string());
    }
    m_linker.join();
    fs::remove(m_dir / "late-port");
    fs::remove(m_dir / "comlist.txt");
    {
        sim::Controller& box = AddController("01001002", 2);
        Lister(LateLink(box.SlavePath()) + "\n"); // only the open needed its second try
        CStartUp dlg;
        Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d).front(), "Found controller 01001002, version 3.02, RVXs 2.");
        });
    }
    {
        sim::Controller& box = AddController("01001003", 2);
        box.DropReplies(1); // only the board information needed its second try
        Lister(box.SlavePath() + "\n");
        CStartUp dlg;
        Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d).front(), "Found controller 01001003, version 3.02, RVXs 2.");
        });
    }
}

TEST_F(StartUpTest, BoardInformationFailingTwiceStopsTheSearch) {
    sim::Controller& a = AddController("0A000001", 2);
    sim::Controller& b = AddController("0B000002", 2);
    a.DropReplies(2);
    Lister(a.SlavePath() + "\n" + b.SlavePath() + "\n");
    CStartUp dlg;
    Run(dlg, [&](CStartUp& d) {
        EXPECT_EQ(Lines(d), (std::vector<std::string>{"Failed to get controller configuration.",
                                                      "Opening Lumiflex 1",
                                                      "2 Lumiflex Controllers found."}));
        EXPECT_FALSE(d.HasTimer(CStartUp::IDT_CLOSE_STARTUP));
    });
    // 110, then its retry behind a DAC read (107). The dropped replies are the first
    // 110's and the DAC read's: the retry's answer cannot be told from a late one.
    EXPECT_EQ(a.RequestCount(), 3u);
    EXPECT_EQ(b.RequestCount(), 0u);
}

TEST_F(StartUpTest, ControllerWithoutHeads) {
    sim::Controller& a = AddController("0A000001", 0);
    sim::Controller& b = AddController("0B000002", 2);
    Lister(a.SlavePath() + "\n" + b.SlavePath() + "\n");
    {
        CStartUp dlg;
        const int code = Run(dlg, [&](CStartUp& d) {
            const auto lines = Lines(d);
            ASSERT_EQ(lines.size(), 6u);
            EXPECT_EQ(lines[0], "Found controller 0B000002, version 3.02, RVXs 2.");
            EXPECT_EQ(lines[2], "Controller 1 has no optical heads.");
            EXPECT_EQ(lines[3], "Found controller 0A000001, version 3.02, RVXs 0.");
            EXPECT_EQ(d.GetDlgItemText(IDC_RESULTS), "No RVXs are Attached.");
            EXPECT_EQ(d.GetDlgItem(IDC_PROGRESS)->Pos(), 100);
            m_ui.Advance(5000);
            EXPECT_FALSE(d.IsEnded());
            d.UserClick(IDCANCEL);
        });
        EXPECT_EQ(code, IDCANCEL);
        EXPECT_EQ(dlg.m_bNoHeads, 1);
        EXPECT_TRUE(dlg.m_pBoards[1].m_bOpen);
    }
    // Without heads, then one that cannot be opened: the failure decides.
    Lister(a.SlavePath() + "\n" + (m_dir / "missing").string() + "\n");
    {
        CStartUp dlg;
        Run(dlg, [&](CStartUp& d) {
            EXPECT_EQ(Lines(d)[2], "Controller 1 has no optical heads.");
            EXPECT_EQ(Lines(d)[0].rfind("Lumiflex connection failed (", 0), 0u);
            EXPECT_EQ(d.GetDlgItemText(IDC_RESULTS), "");
            EXPECT_EQ(d.GetDlgItem(IDC_PROGRESS)->Pos(), 50);
        });
        EXPECT_EQ(dlg.m_bNoHeads, 0);
    }
}

TEST_F(StartUpTest, ButtonDuringTheTwoSecondsWins) {
    sim::Controller& box = AddController("01001001", 2);
    Lister(box.SlavePath() + "\n");
    for (const int button : {IDCANCEL, platform::ui::IDABORT}) {
        CStartUp dlg;
        const int code = Run(dlg, [&](CStartUp& d) {
            m_ui.Advance(1500);
            d.UserClick(button);
            m_ui.Advance(1000); // the timer no longer counts
        });
        EXPECT_EQ(code, button == IDCANCEL ? IDCANCEL : CStartUp::kExitApplication);
        EXPECT_EQ(dlg.m_bNoHeads, 0);
        EXPECT_EQ(dlg.m_nBoards, 1);
    }
}

TEST_F(StartUpTest, RealListerFindsASimulatedController) {
    // The port lister of the program and the simulator's port link together.
    const fs::path runtime = m_dir / "runtime";
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string keep = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    fs::copy_file(COMLIST_EXE, m_dir / "ComList.exe");
    sim::Controller& box = AddController("01001001", 2);
    {
        sim::PortLink link(sim::PortsDirectory(), "sim-01001001", box.SlavePath());
        // Run once beforehand as well: the search reads the list 250 ms after
        // starting the lister, and a loaded machine may not have run it by then.
        ASSERT_EQ(std::system(("cd '" + m_dir.string() + "' && ./ComList.exe").c_str()), 0);
        CStartUp dlg;
        const int code = Run(dlg, [&](CStartUp& d) {
            const auto lines = Lines(d);
            ASSERT_GE(lines.size(), 3u);
            EXPECT_EQ(lines[lines.size() - 2], "Opening Lumiflex 1");
            EXPECT_EQ(lines[lines.size() - 3], "Found controller 01001001, version 3.02, RVXs 2.");
        });
        EXPECT_NE(code, -1);
        ASSERT_GE(dlg.m_nBoards, 1);
        EXPECT_EQ(dlg.m_pBoards[0].m_strPort, "\\\\.\\" + link.Path());
    }
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", keep.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

} // namespace
