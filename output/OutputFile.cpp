#include "output/OutputFile.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace Voxmill {

OutputFile::OutputFile(const QString& path, OpenMode mode) : file_(path) { file_.open(mode); }

void OutputFile::fail() { throw std::runtime_error(file_.errorText()); }

void OutputFile::write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const int32_t piece = int32_t(std::min<size_t>(size, INT32_MAX));
        const int64_t done = file_.write(p, piece);
        if (done <= 0) fail();
        p += done;
        size -= size_t(done);
    }
}

void OutputFile::finish() {
    if (!file_.flush()) fail();
}

void writeTextFile(const QString& path, OpenMode mode, const QByteArray& text) {
    OutputFile file(path, mode);
    file.write(text.constData(), size_t(text.size()));
    file.finish();
}

} // namespace Voxmill
