// The one QApplication of a Qt benchmark program, offscreen unless the
// environment names a platform.
#pragma once

#include <QApplication>

#include <cstdlib>

namespace bench {

inline QApplication& App(const char* programName) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(programName), nullptr};
    static QApplication app(argc, argv);
    return app;
}

} // namespace bench
