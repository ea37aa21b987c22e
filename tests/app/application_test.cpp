// The application object: one modal run of the main window, the radiometer's
// port kept in the per-user settings around it, the application's name.
#include "MainWindowFixture.h"
#include "app/SorvaneApp.h"
#include "platform/Application.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace mainwindow_test;

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old)
            m_oldConfigHome = old;
        m_hadConfigHome = old != nullptr;
        setenv("XDG_CONFIG_HOME", (dir.Path() + "/home-config").c_str(), 1);
        WriteConfig(MakeConfig(0, {}));
        app.SetExecutable("/opt/lumiflex/bin/sorvane");
    }
    void TearDown() override {
        if (m_hadConfigHome)
            setenv("XDG_CONFIG_HOME", m_oldConfigHome.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }
    // One program run; `during` sees the main window while it is up.
    void Run(std::function<void(CSorvaneDlg&)> during) {
        ui.OnModal(kStartUpTemplate, IDCANCEL);
        ui.OnModal(102, [during](CDialog& d) {
            if (during)
                during(static_cast<CSorvaneDlg&>(d));
            d.UserPressEscape();
        });
        EXPECT_EQ(app.InitInstance(), FALSE);
    }
    std::string StoredText() const {
        std::ifstream f(platform::ProfilePath());
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    WorkDir dir;
    HeadlessBackend ui;
    CSorvaneApp app;
    std::string m_oldConfigHome;
    bool m_hadConfigHome = false;
};

TEST_F(ApplicationTest, NamedAfterTheExecutable) {
    EXPECT_EQ(app.m_pszAppName, "sorvane");
    EXPECT_EQ(platform::GetApplicationName(), "sorvane");
}

TEST_F(ApplicationTest, FirstRunStoresTheDefaultPort) {
    std::string seen;
    Run([&](CSorvaneDlg& d) { seen = d.m_strComPort; });
    EXPECT_EQ(seen, "COM3");
    EXPECT_EQ(platform::ProfilePath(), dir.Path() + "/home-config/Lumiflex/sorvane");
    EXPECT_NE(StoredText().find("COMPort=COM3"), std::string::npos) << StoredText();
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(ApplicationTest, APortChangedDuringARunIsTheNextRunsDefault) {
    Run([](CSorvaneDlg& d) { d.m_strComPort = "/dev/ttyUSB1"; });
    std::string seen;
    Run([&](CSorvaneDlg& d) { seen = d.m_strComPort; });
    EXPECT_EQ(seen, "/dev/ttyUSB1");
    EXPECT_EQ(platform::GetProfileString("", "COMPort", "none"), "/dev/ttyUSB1");
}

TEST_F(ApplicationTest, EveryWayOfClosingEndsTheProgramAfterOneWindow) {
    // Enter in the untouched manual box ends the window (there is no default button).
    ui.OnModal(kStartUpTemplate, IDCANCEL);
    ui.OnModal(102, [](CDialog& d) { d.UserPressEnter(); });
    EXPECT_EQ(app.InitInstance(), FALSE);
    ui.OnModal(kStartUpTemplate, IDCANCEL);
    ui.OnModal(102, [](CDialog& d) { d.UserClose(); });
    EXPECT_EQ(app.InitInstance(), FALSE);
    // "Exit Application" in the start-up dialog: the window closes by itself.
    ui.OnModal(kStartUpTemplate, CStartUp::kExitApplication);
    EXPECT_EQ(app.InitInstance(), FALSE);

    int mainRuns = 0;
    for (const auto& r : ui.Runs())
        mainRuns += r.templateId == 102;
    EXPECT_EQ(mainRuns, 2); // the exit choice ends the window before its loop starts
    EXPECT_EQ(ui.PendingScripts(), 0u);
    EXPECT_EQ(platform::GetProfileString("", "COMPort", "none"), "COM3");
}

} // namespace
