#pragma once
// The command line: six one-letter options, -M repeatable with sub-options
// "file:", "type:" and "format:" separated by "*".

#include <QStringList>

#include "app/CommandLineArgs.h"

namespace Voxmill {

// Either the job to run (run true, args filled) or the status the program
// ends with (run false); every message is printed before returning.
struct ParsedCommandLine {
    bool run = false;
    int exitStatus = 0;
    CommandLineArgs args;
};

// arguments[0] is the program path, as in QCoreApplication::arguments().
// Help (-H) needs the core application object for the usage line.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// Fills spec from one -M value; returns false after printing why it is not
// valid. The file field is kept unless a "file:" piece replaces it.
bool parseModelValue(const QString& value, ModelSpec& spec);

} // namespace Voxmill
