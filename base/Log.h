#pragma once
// Every line the program prints goes through logPrint: to standard output
// and, once the log is open, appended to "output.log" in the output directory.

#include <QString>
#include <QtGlobal>

namespace Voxmill {

// printf-style; safe to call from any thread. The log file receives at most
// the first 4096 bytes of one call's text; the console gets all of it.
void logPrint(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Opens outputDir/output.log for writing (emptied) unless a log is already open.
// Returns false when the file cannot be opened; printing then goes to the console only.
bool openLog(const QString& outputDir);

// Appends text to the log file only (nothing happens while it is closed).
void writeLogFile(const char* text);

// Routes the platform library's diagnostics into the log file, prefixed "Qt Message: ".
void installMessageHandler();

// Closes the log (tests that open several logs in one process).
void closeLog();

} // namespace Voxmill
