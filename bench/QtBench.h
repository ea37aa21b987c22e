// The QApplication of a Qt benchmark program, offscreen unless the environment
// names a platform, so that the figures do not depend on a display.
#pragma once

#include "bench/BenchMain.h"

#include <QApplication>

#include <cstdlib>

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
