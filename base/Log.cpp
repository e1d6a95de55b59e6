#include "base/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include <QFile>

namespace Voxmill {

namespace {

// The log file receives at most this many bytes of one call's text; the
// buffer has one more byte for the terminating zero.
constexpr int logTextLimit = 4096;

struct LogState {
    std::mutex printLock; // taken first
    std::mutex fileLock;  // taken second, also alone by the message handler
    QFile file;
    char buffer[logTextLimit + 1];
};

LogState& state() {
    static LogState* s = new LogState; // never destroyed: threads may log during exit
    return *s;
}

void messageHandler(QtMsgType, const QMessageLogContext&, const QString& msg) {
    QByteArray text = (QStringLiteral("Qt Message: ") + msg + QStringLiteral("\n")).toLocal8Bit();
    writeLogFile(text.constData());
}

} // namespace

void logPrint(const char* format, ...) {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.printLock);
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    std::vfprintf(stdout, format, args);
    std::fflush(stdout);
    if (std::vsnprintf(s.buffer, sizeof s.buffer, format, again) < 0) s.buffer[0] = '\0';
    va_end(again);
    va_end(args);
    writeLogFile(s.buffer);
}

bool openLog(const QString& outputDir) {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.fileLock);
    if (s.file.isOpen()) return true;
    s.file.setFileName(outputDir + QStringLiteral("/output.log"));
    return s.file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void writeLogFile(const char* text) {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.fileLock);
    if (!s.file.isOpen()) return;
    s.file.write(text);
    s.file.flush();
}

void installMessageHandler() { qInstallMessageHandler(messageHandler); }

void closeLog() {
    LogState& s = state();
    std::lock_guard<std::mutex> lock(s.fileLock);
    s.file.close();
}

} // namespace Voxmill
