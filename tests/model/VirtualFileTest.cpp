#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "model/MemoryFile.h"
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

QString writeFile(const QTemporaryDir& dir, const char* name, const std::string& data) {
    QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data.data(), qint64(data.size()));
    return path;
}

// The value get() returns for a byte of the file.
int byteAt(const std::string& data, size_t i) { return static_cast<unsigned char>(data[i]); }

std::string fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll().toStdString();
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
    FStream in(writeFile(dir, "seek.bin", data), openRead);
    char head[10];
    in.read(head, 10); // a block is buffered from here on
    EXPECT_EQ(in.tellg(), 10);
    // Relative seeks count from the next unread byte, not from the file position.
    in.seekg(5, std::ios_base::cur);
    EXPECT_EQ(in.get(), byteAt(data, 15));
    in.seekg(-2, std::ios_base::cur);
    EXPECT_EQ(in.tellg(), 14);

    // The layer store learns a file's size so: end, position, back to 0.
    in.seekg(0, std::ios_base::end);
    EXPECT_EQ(in.tellg(), 10000);
    in.seekg(0);
    EXPECT_EQ(in.get(), byteAt(data, 0));

    in.seekg(-1, std::ios_base::end);
    EXPECT_EQ(in.get(), byteAt(data, 9999));
    in.seekg(5000);
    EXPECT_EQ(in.get(), byteAt(data, 5000));

    // A seek before the start fails and leaves the stream where it was,
    // buffered bytes included.
    in.seekg(-6000, std::ios_base::cur);
    EXPECT_TRUE(in.fail());
    in.clear();
    EXPECT_EQ(in.tellg(), 5001);
    EXPECT_EQ(in.get(), byteAt(data, 5001));
}

TEST(DiskFile, SeekRejectsUnknownWhenceAndNegativeTargets) {
    QTemporaryDir dir;
    DiskFile file(writeFile(dir, "f.bin", patternBytes(100)));
    file.open(openRead);
    ASSERT_EQ(file.seek(40, 0), 0);
    EXPECT_EQ(file.seek(0, 3), -1);
    EXPECT_EQ(file.seek(-41, 1), -1);
    EXPECT_EQ(file.seek(-101, 2), -1);
    EXPECT_EQ(file.tell(), 40);
    EXPECT_EQ(file.seek(-10, 1), 0);
    EXPECT_EQ(file.tell(), 30);
    EXPECT_EQ(file.seek(-10, 2), 0);
    EXPECT_EQ(file.tell(), 90);
}

TEST(DiskFile, OpenModes) {
    QTemporaryDir dir;
    // Write only creates a missing file empty...
    QString created = dir.filePath("created.bin");
    { FStream out(created, openWrite); }
    EXPECT_TRUE(QFile::exists(created));
    EXPECT_EQ(fileBytes(created), "");
    // ...and truncates an existing one.
    QString existing = writeFile(dir, "existing.bin", "old contents");
    {
        FStream out(existing, openWrite);
        out << "new";
    }
    EXPECT_EQ(fileBytes(existing), "new");
    // Any other mode appends.
    {
        FStream out(existing, 7);
        out << "er";
    }
    EXPECT_EQ(fileBytes(existing), "newer");
}

TEST(DiskFile, OpenFailuresNameTheFileAndTheReason) {
    QTemporaryDir dir;
    struct Row {
        QString path;
        OpenMode mode;
        std::string reason;
    } rows[] = {
        {dir.filePath("missing.ini"), openRead, "No such file or directory"},
        {dir.filePath("no/such/dir/out"), openWrite, "No such file or directory"},
        {dir.path(), openRead, "is a directory, not a file"},
        {dir.path(), openWrite, "is a directory, not a file"},
        // No path at all names nothing but the reason.
        {QString(), openRead, "No file name specified"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(toLocal8(row.path));
        FStream stream;
        try {
            stream.open(row.path, row.mode);
            ADD_FAILURE() << "opened";
        } catch (const std::runtime_error& e) {
            std::string expected = row.path.isEmpty() ? row.reason : toLocal8(row.path) + ": " + row.reason;
            EXPECT_EQ(e.what(), expected);
        }
        EXPECT_FALSE(stream.is_open());
    }
}

TEST(VirtualFileStreamBuf, WriteFailuresSetTheBadState) {
    FStream out;
    MemoryFile* file = attachMemory(out, "");
    out << "ok";
    EXPECT_TRUE(out.good());
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
}

TEST(VirtualFileStreamBuf, ReadErrorIsNotTheEndOfTheFile) {
    // Unarmed: the stream goes bad, not merely to its end.
    FStream in;
    MemoryFile* file = attachMemory(in, patternBytes(10000));
    file->failReadsFrom = 4096;
    std::string got(10000, '\0');
    in.read(&got[0], 10000);
    EXPECT_TRUE(in.bad());

    // Armed: the file's own message comes through.
    FStream armed;
    attachMemory(armed, patternBytes(10000))->failReadsFrom = 4096;
    armed.exceptions(std::ios_base::badbit);
    try {
        armed.read(&got[0], 10000);
        ADD_FAILURE() << "read past the failure";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "memory: failed");
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
