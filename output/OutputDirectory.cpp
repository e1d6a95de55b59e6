#include "output/OutputDirectory.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <QFile>

#include "base/VirtualFile.h"

namespace Voxmill {

void checkOutputDirectory(const QString& dir) {
    // "<dir>/." resolves like a file inside dir, so a missing directory, a
    // file in its place or a path through a file give the errno that opening
    // "<dir>/areaInfo" would give.
    const QByteArray inside = QFile::encodeName(dir) + "/.";
    if (::access(inside.constData(), W_OK | X_OK) == 0) return;
    throw std::runtime_error(toLocal8(dir) + "/areaInfo: " + std::strerror(errno));
}

} // namespace Voxmill
