#pragma once
// The output directory, checked before a job loads anything: a job that could
// not write its reports fails at once instead of after minutes of slicing.

#include <QString>

namespace Voxmill {

// Throws "<dir>/areaInfo: <reason>", the text the first report written into
// dir would fail with ("No such file or directory", "Not a directory",
// "Permission denied", ...), when dir is not a directory the job can create
// files in. Nothing is created.
void checkOutputDirectory(const QString& dir);

} // namespace Voxmill
