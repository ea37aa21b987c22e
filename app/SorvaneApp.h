#pragma once
// CSorvaneApp: the application object. InitInstance runs the main window
// modally as the program's only top-level window and keeps the reference
// radiometer's port name in the per-user settings around that run.

#include "platform/ui/Afx.h"

#include <functional>
#include <memory>
#include <string>

class CSorvaneDlg;

class CSorvaneApp {
public:
    CSorvaneApp() = default;
    virtual ~CSorvaneApp() = default;
    CSorvaneApp(const CSorvaneApp&) = delete;
    CSorvaneApp& operator=(const CSorvaneApp&) = delete;

    // Names the application after the executable's base name (argv0, or the running
    // executable when argv0 is empty). Called by main() before InitInstance.
    void SetExecutable(const std::string& argv0);

    // Runs the main window; always returns FALSE (there is no message loop of ours after it).
    virtual BOOL InitInstance();

    std::string m_pszAppName;          // the executable's base name, e.g. "sorvane"
    CSorvaneDlg* m_pMainWnd = nullptr; // the main window while it runs

    // Where the main window is made: tests put a scripted window here. Default: CSorvaneDlg.
    std::function<std::unique_ptr<CSorvaneDlg>()> m_makeMainWindow;
};

extern CSorvaneApp theApp;

// The settings key, and the entry holding the radiometer's port.
inline constexpr const char* kRegistryKey = "Lumiflex";
inline constexpr const char* kComPortEntry = "COMPort";
inline constexpr const char* kDefaultComPort = "COM3";
