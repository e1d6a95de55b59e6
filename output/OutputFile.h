#pragma once
// Writing a whole output file through the file layer, with every failure
// (open, short write, a flush the disk refuses) raised as an error carrying
// the file layer's text. Buffered bytes are flushed and checked before
// success is reported, so a full disk cannot pass as a written file.

#include <QString>

#include "base/VirtualFile.h"

namespace Voxmill {

class OutputFile {
public:
    // mode: openWrite replaces the file, openAppend appends to it.
    OutputFile(const QString& path, OpenMode mode);
    void write(const void* data, size_t size);
    // Flushes; the file is complete once this returns.
    void finish();

private:
    [[noreturn]] void fail();
    DiskFile file_;
};

// The whole text, in one open, write and flush.
void writeTextFile(const QString& path, OpenMode mode, const QByteArray& text);

} // namespace Voxmill
