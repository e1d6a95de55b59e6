#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/VirtualFile.h"
#include "model/MemoryFile.h"
#include "model/ModelFiles.h"

using namespace Voxmill;

namespace {

// Attaches a memory file to a stream and hands back a pointer to watch it.
MemoryFile* attachMemory(FStream& stream, std::string data) {
    auto file = std::make_unique<MemoryFile>(std::move(data));
    MemoryFile* raw = file.get();
    stream.attach(std::move(file));
    return raw;
}

} // namespace

TEST(VirtualFileStreamBuf, ReadsWholeBlocksThenTheRestThenZero) {
    FStream in;
    const std::string data = patternBytes(10000);
    MemoryFile* file = attachMemory(in, data);
    std::string got(10000, '\0');
    in.read(&got[0], 10000);
    EXPECT_EQ(got, data);
    EXPECT_EQ(in.get(), EOF);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(file->reads, (std::vector<int64_t>{4096, 4096, 1808, 0}));
}

TEST(VirtualFileStreamBuf, SeeksOnADiskFile) {
    QTemporaryDir dir;
    const std::string data = patternBytes(10000);
    VoxmillTest::writeFile(dir.filePath("seek.bin"), data);
    FStream in(dir.filePath("seek.bin"), openRead);
    auto byteAt = [&](std::streamoff i) { return int(static_cast<unsigned char>(data[size_t(i)])); };
    struct Row {
        const char* what;
        std::streamoff offset;
        std::ios_base::seekdir from;
        std::streamoff tell; // after the seek
    } rows[] = {
        {"relative seeks count from the next unread byte, not the file position", 5, std::ios_base::cur, 15},
        {"backwards over the buffered bytes", -3, std::ios_base::cur, 13},
        {"the end gives the size", 0, std::ios_base::end, 10000},
        {"back to the first byte", 0, std::ios_base::beg, 0},
        {"absolute", 5000, std::ios_base::beg, 5000},
    };
    char head[10];
    in.read(head, 10); // a block is buffered from here on
    for (const Row& r : rows) {
        in.seekg(r.offset, r.from);
        EXPECT_EQ(in.tellg(), r.tell) << r.what;
        if (r.tell < 10000) {
            EXPECT_EQ(in.get(), byteAt(r.tell)) << r.what;
        }
    }
    // A seek before the start fails and leaves the stream, buffer included, where it was.
    in.seekg(-6000, std::ios_base::cur);
    EXPECT_TRUE(in.fail());
    in.clear();
    EXPECT_EQ(in.tellg(), 5001);
    EXPECT_EQ(in.get(), byteAt(5001));
}

// Open errors naming the path are pinned by the settings tests.
TEST(DiskFile, OpenModes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f.bin");
    VoxmillTest::writeFile(path, "old contents");
    { FStream(path, openWrite) << "new"; } // truncates an existing one
    { FStream(path, 7) << "er"; }          // any other mode appends
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), "newer");
    FStream stream;
    EXPECT_EQ(VoxmillTest::errorOf([&] { stream.open(QString(), openRead); }), "No file name specified");
}

TEST(VirtualFileStreamBuf, WriteAndReadFailuresSetTheBadState) {
    FStream out;
    MemoryFile* file = attachMemory(out, "");
    out << "ok";
    file->failWrites = true;
    out.put('x'); // one character and a block take different paths
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
