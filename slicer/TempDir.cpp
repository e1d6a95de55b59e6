#include "slicer/TempDir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <stdexcept>

#include <QDir>
#include <QFileInfo>

#include "base/VirtualFile.h"
#include "slicer/LayerStore.h"

namespace Voxmill {

TempDirClaim::TempDirClaim(const QString& base) {
    for (int32_t i = 0; i < maxCandidates; ++i) {
        if (tryClaim(base, i)) return;
    }
    throw std::runtime_error("no free layer directory under " + toLocal8(base) + ".");
}

TempDirClaim::~TempDirClaim() { ::close(lockFd_); }

bool TempDirClaim::tryClaim(const QString& base, int32_t i) {
    const QString path = QStringLiteral("%1/.Voxmill%2").arg(base).arg(i);
    const QByteArray lockPath = QFile::encodeName(path + QStringLiteral(".lock"));
    // Read-only is enough for flock, and opens a lock file another user left.
    int fd = ::open(lockPath.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    // flock, not fcntl: its lock belongs to the open file, so even two claims
    // inside one process exclude each other.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !QDir().mkpath(path) || !QFileInfo(path).isWritable()) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    number_ = i;
    path_ = path;
    return true;
}

const QString& layerTempDir() {
    // Held until the process ends; never destroyed, as the IO thread of a
    // store may still be writing while static objects are torn down.
    static const TempDirClaim* claim = new TempDirClaim(QDir::tempPath());
    return claim->path();
}

} // namespace Voxmill
