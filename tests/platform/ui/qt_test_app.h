#pragma once
// One QApplication for a whole Qt test program (tests run offscreen). It is
// made before the first test and destroyed after the last, inside main():
// Qt does not survive being torn down by the exit handlers.

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "lumi-qt-test";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

inline const bool kQtAppEnvironmentAdded =
    (::testing::AddGlobalTestEnvironment(new QtAppEnvironment), true);

inline QApplication& QtTestApp() {
    return *static_cast<QApplication*>(QCoreApplication::instance());
}
