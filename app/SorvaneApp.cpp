#include "app/SorvaneApp.h"

#include "app/SorvaneDlg.h"
#include "platform/Application.h"
#include "platform/Settings.h"

#include <climits>
#include <unistd.h>

CSorvaneApp theApp;

namespace {

std::string BaseName(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    // The program may be started as a copy with the Windows suffix.
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    return name;
}

std::string RunningExecutable() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string("sorvane");
}

} // namespace

void CSorvaneApp::SetExecutable(const std::string& argv0) {
    m_pszAppName = BaseName(argv0.empty() ? RunningExecutable() : argv0);
    platform::SetApplicationName(m_pszAppName);
}

BOOL CSorvaneApp::InitInstance() {
    if (m_pszAppName.empty())
        SetExecutable("");
    // Common controls and control containers need no set-up here.
    platform::SetRegistryKey(kRegistryKey);

    std::unique_ptr<CSorvaneDlg> dlg =
        m_makeMainWindow ? m_makeMainWindow() : std::make_unique<CSorvaneDlg>();
    dlg->m_strComPort = platform::GetProfileString("", kComPortEntry, kDefaultComPort);
    m_pMainWnd = dlg.get();
    dlg->DoModal();
    platform::WriteProfileString("", kComPortEntry, dlg->m_strComPort);
    m_pMainWnd = nullptr;
    dlg.reset();
    return FALSE;
}
