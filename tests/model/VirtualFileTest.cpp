#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "model/MemoryFile.h"
#include "model/ModelFiles.h"
#include "model/VirtualFile.h"

using namespace Voxmill;

namespace {

// Attaches a memory file to a stream and hands back a pointer to watch it.
MemoryFile* attachMemory(FStream& stream, std::string data) {
    auto file = std::make_unique<MemoryFile>(std::move(data));
    MemoryFile* raw = file.get();
    stream.attach(std::move(file));
    return raw;
}

std::string fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
}

} // namespace

TEST(VirtualFileStreamBuf, ReadsWholeBlocksThenTheRestThenZero) {
    FStream in;
    const std::string data = patternBytes(10000);
    MemoryFile* file = attachMemory(in, data);
    std::string got(10000, '\0');
    in.read(&got[0], 10000);
    EXPECT_EQ(in.gcount(), 10000);
    EXPECT_EQ(got, data);
    EXPECT_EQ(file->reads, (std::vector<int64_t>{4096, 4096, 1808}));
    EXPECT_EQ(in.get(), EOF);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(file->reads, (std::vector<int64_t>{4096, 4096, 1808, 0}));
}

TEST(VirtualFileStreamBuf, SeeksOnADiskFile) {
    QTemporaryDir dir;
    const std::string data = patternBytes(10000);
    VoxmillTest::writeFile(dir.filePath("seek.bin"), data);
    FStream in(dir.filePath("seek.bin"), openRead);
    auto byteAt = [&](size_t i) { return int(static_cast<unsigned char>(data[i])); };
    struct Row {
        const char* what;
        std::streamoff offset;
        std::ios_base::seekdir from;
        std::streamoff tell; // after the seek
    } rows[] = {
        {"relative seeks count from the next unread byte, not the file position", 5, std::ios_base::cur, 15},
        {"backwards over the buffered bytes", -3, std::ios_base::cur, 13},
        {"the layer store learns a file's size so", 0, std::ios_base::end, 10000},
        {"and goes back to the first byte", 0, std::ios_base::beg, 0},
        {"from the end", -1, std::ios_base::end, 9999},
        {"absolute", 5000, std::ios_base::beg, 5000},
    };
    char head[10];
    in.read(head, 10); // a block is buffered from here on
    for (const Row& r : rows) {
        in.seekg(r.offset, r.from);
        EXPECT_EQ(in.tellg(), r.tell) << r.what;
        if (r.tell < 10000) EXPECT_EQ(in.get(), byteAt(size_t(r.tell))) << r.what;
    }
    // A seek before the start fails and leaves the stream where it was,
    // buffered bytes included.
    in.seekg(-6000, std::ios_base::cur);
    EXPECT_TRUE(in.fail());
    in.clear();
    EXPECT_EQ(in.tellg(), 5001);
    EXPECT_EQ(in.get(), byteAt(5001));
}

TEST(DiskFile, OpenModesAndFailures) {
    QTemporaryDir dir;
    const QString file = dir.filePath("f.bin");
    { FStream out(file, openWrite); } // creates a missing file empty
    EXPECT_EQ(fileBytes(file), "");
    VoxmillTest::writeFile(file, "old contents");
    { FStream(file, openWrite) << "new"; } // truncates an existing one
    { FStream(file, 7) << "er"; }         // any other mode appends
    EXPECT_EQ(fileBytes(file), "newer");

    struct Row {
        QString path;
        OpenMode mode;
        std::string error;
    } rows[] = {
        {dir.filePath("missing.ini"), openRead, toLocal8(dir.filePath("missing.ini")) + ": No such file or directory"},
        {dir.filePath("no/dir/out"), openWrite, toLocal8(dir.filePath("no/dir/out")) + ": No such file or directory"},
        {dir.path(), openRead, toLocal8(dir.path()) + ": is a directory, not a file"},
        {dir.path(), openWrite, toLocal8(dir.path()) + ": is a directory, not a file"},
        {QString(), openRead, "No file name specified"}, // no path names nothing but the reason
    };
    for (const Row& r : rows) {
        FStream stream;
        EXPECT_EQ(VoxmillTest::errorOf([&] { stream.open(r.path, r.mode); }), r.error);
        EXPECT_FALSE(stream.is_open()) << r.error;
    }
}

TEST(VirtualFileStreamBuf, WriteAndReadFailuresSetTheBadState) {
    FStream out;
    MemoryFile* file = attachMemory(out, "");
    out << "ok";
    file->failWrites = true;
    out.put('x');
    EXPECT_TRUE(out.bad());
    out.clear();
    out.write("block", 5);
    EXPECT_TRUE(out.bad());
    out.clear();
    out.exceptions(std::ios_base::badbit);
    EXPECT_THROW(out << "armed", std::ios_base::failure);
    EXPECT_EQ(file->data(), "ok");

    // A read error is not the end of the file: unarmed the stream goes bad,
    // armed the file's own message comes through.
    for (bool armed : {false, true}) {
        FStream in;
        attachMemory(in, patternBytes(10000))->failReadsFrom = 4096;
        if (armed) in.exceptions(std::ios_base::badbit);
        std::string got(10000, '\0');
        EXPECT_EQ(VoxmillTest::errorOf([&] { in.read(&got[0], 10000); }), armed ? "memory: failed" : "");
        EXPECT_TRUE(in.bad());
    }
}

TEST(FStream, CloseReportsDataThatNeverReachedTheDisk) {
    // The platform file buffers small writes, so a full disk shows only when
    // the buffer is flushed on closing.
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    FStream out("/dev/full", openWrite);
    out << "lost";
    EXPECT_TRUE(out.good());
    out.close();
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(out.errorText(), "/dev/full: No space left on device");
    EXPECT_FALSE(out.is_open());
}
