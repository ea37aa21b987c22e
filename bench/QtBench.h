// The QApplication of a Qt benchmark program, offscreen unless the environment
// names a platform, so that the figures do not depend on a display.
#pragma once

#include "bench/BenchMain.h"
#include "platform/MessageBox.h"
#include "platform/ui/qt/QtBackend.h"

#include <QApplication>

#include <cstdlib>
#include <string>
#include <vector>

namespace bench {

inline void PreferOffscreen() {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// The application made on first use, for programs on benchmark_main.
inline QApplication& App(const char* programName) {
    PreferOffscreen();
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(programName), nullptr};
    static QApplication app(argc, argv);
    return app;
}

// The real Qt windows, but a message box is answered at once and kept in
// `boxes`: nobody is there to press its button, and a box left waiting would
// hang the run instead of failing its check. The answer is OK, or Cancel
// where the box offers it (as Esc would).
class UnattendedQtBackend : public platform::ui::qt::QtBackend {
public:
    std::vector<std::string> boxes;
    int MessageBox(platform::ui::CDialog*, const std::string& text, const std::string&,
                   unsigned flags) override {
        boxes.push_back(text);
        return platform::EscapeAnswer(flags);
    }
};

// A program's own main: the application lives in it, as Qt is not torn down
// by exit handlers.
inline int QtBenchmarkMain(int argc, char** argv) {
    PreferOffscreen();
    if (!Initialize(argc, argv))
        return 1;
    QApplication app(argc, argv);
    return RunAll();
}

} // namespace bench
