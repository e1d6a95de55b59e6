#pragma once
// A core application object for tests that need one (QProcess, help text).
// Created on first use and kept for the rest of the test process.

#include <QCoreApplication>

namespace Voxmill::Test {

inline QCoreApplication& testApp() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "voxmill_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication* app = new QCoreApplication(argc, argv);
        (void)app;
    }
    return *QCoreApplication::instance();
}

} // namespace Voxmill::Test
