#pragma once
// One QApplication for a whole Qt test program (tests run offscreen).

#include <QApplication>

inline QApplication& QtTestApp() {
    static int argc = 1;
    static char name[] = "lumi-qt-test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}
