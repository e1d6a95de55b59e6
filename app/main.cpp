#include <cstdio>
#include <exception>

#include <QCoreApplication>

#include "app/Driver.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Voxmill::CommandLineArgs args;
    try {
        Voxmill::runJob(args);
    } catch (const std::exception& e) {
        std::printf("%s\n", e.what());
        return -1;
    }
    return 0;
}
