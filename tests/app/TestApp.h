#pragma once
// A core application object for tests that need one (QProcess, help text), kept to the end.

#include <QCoreApplication>

namespace Voxmill::Test {

inline QCoreApplication& testApp() {
    static int argc = 1;
    static char name[] = "voxmill_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    return *QCoreApplication::instance();
}

} // namespace Voxmill::Test
