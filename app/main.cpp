#include <exception>

#include <QCoreApplication>

#include "app/CommandLine.h"
#include "app/CrashHandler.h"
#include "app/Driver.h"
#include "base/Log.h"

// Exit statuses: 0 done, 1 options the parser rejects, -1 (255) any other
// fault of the command line or of the job.
int main(int argc, char** argv) {
    Voxmill::installCrashHandlers();
    try {
        QCoreApplication app(argc, argv);
        Voxmill::ParsedCommandLine commandLine = Voxmill::parseCommandLine(QCoreApplication::arguments());
        if (!commandLine.run) return commandLine.exitStatus;
        // Without a log file the job still runs, printing to the console only.
        Voxmill::openLog(QString::fromLocal8Bit(commandLine.args.outputDir.c_str()));
        Voxmill::installMessageHandler();
        Voxmill::runJob(commandLine.args);
    } catch (const std::exception& e) {
        Voxmill::logPrint("%s\n", e.what());
        return -1;
    } catch (...) {
        Voxmill::logPrint("unknown exception\n");
        return -1;
    }
    return 0;
}
