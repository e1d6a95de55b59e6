#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include "slicer/LayerFileFormat.h"
#include "slicer/SlicerTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(LayerFile, DigestLeadsTheBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("3");
    LayerFileBuffer buf;
    buf.appendU32(1);
    buf.appendU32(0x04030201);
    buf.saveChecked(path);
    QByteArray bytes = readAll(path);
    ASSERT_EQ(bytes.size(), 24);
    EXPECT_EQ(bytes.mid(16), QByteArray::fromHex("0100000001020304"));
    EXPECT_EQ(bytes.left(16), QCryptographicHash::hash(bytes.mid(16), QCryptographicHash::Md5));
    buf.clear();
    buf.loadChecked(path);
    EXPECT_EQ(buf.remaining(), 8u);
    EXPECT_EQ(buf.readU32(), 1u);
    EXPECT_EQ(buf.readI32(), 0x04030201);

    // Nothing to store: an empty file without digest, read back as nothing.
    buf.clear();
    buf.saveChecked(path);
    EXPECT_TRUE(readAll(path).isEmpty());
    buf.loadChecked(path);
    EXPECT_EQ(buf.remaining(), 0u);
    // A file no longer than a digest is not checked and gives no bytes (a
    // bad digest is the store's damaged-file test).
    writeAll(path, QByteArray(16, 'x'));
    buf.loadChecked(path);
    EXPECT_EQ(buf.remaining(), 0u);
    EXPECT_THROW(buf.loadChecked(dir.filePath("missing")), std::runtime_error);
}

TEST(LayerFile, CountsAreCheckedBeforeAllocating) {
    const struct {
        const char* what;
        std::vector<uint32_t> words;
        bool valid;
    } cases[] = {
        // an island count far beyond the bytes left
        {"islands", {0xFFFFFFFFu, 0, 0}, false},
        // a path count that would allocate a billion paths
        {"paths", {1, 0x40000000u, 0, 0, 0, 0}, false},
        // a point count beyond the bytes left
        {"points", {1, 1, 0, 0, 0, 0, 0x7FFFFFFFu, 0, 0}, false},
        // the second island missing entirely
        {"short", {2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
        // one island with slots 0 to 7 empty and one point in slot 8
        {"one point", {1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 5, 6, 7, 8, 1, 0xFFFFFFFEu, 3}, true},
    };
    for (const auto& c : cases) {
        LayerFileBuffer buf;
        for (uint32_t w : c.words) buf.appendU32(w);
        Layer layer;
        layer.parts.resize(1);
        const std::string error = errorOf([&] { loadLayerIslands(layer, buf); });
        EXPECT_EQ(error, c.valid ? "" : "load buffer out of range.") << c.what;
        if (!c.valid) continue;
        EXPECT_EQ(layer.parts[0].islands.size(), 1u) << c.what;
        EXPECT_EQ(buf.remaining(), 0u) << c.what;
    }
}

TEST(LayerFile, IslandsRoundTripAndAreFreed) {
    Layer layer;
    layer.parts.resize(2);
    layer.parts[0].islands.resize(2);
    layer.parts[0].islands[1].slots.set(2, Region(Paths{{{-1, -2}, {3, 4}, {5, -6}}}));
    LayerFileBuffer buf;
    storeLayerIslands(layer, buf);
    EXPECT_TRUE(layer.parts[0].islands.empty());
    // part 0: count, 9 empty slots, then slot 2 of the second island holds
    // one path of three points; part 1: no islands.
    EXPECT_EQ(buf.remaining(), size_t(4 + 9 * 4 + (8 * 4 + 4 + 16 + 4 + 24) + 4));
    loadLayerIslands(layer, buf);
    ASSERT_EQ(layer.parts[0].islands.size(), 2u);
    EXPECT_TRUE(layer.parts[0].islands[0].slots.empty());
    EXPECT_EQ(layer.parts[0].islands[1].slots.at(2).paths, (Paths{{{-1, -2}, {3, 4}, {5, -6}}}));
    EXPECT_EQ(layer.parts[0].islands[1].slots.at(2).box, (IntBox{-1, -6, 5, 4}));
    EXPECT_TRUE(layer.parts[1].islands.empty());
}

// A full disk: a small layer file reaches the disk only when it is closed,
// a large one on its write; both fail naming the file and the reason, where
// a file left short would only show later as a layer that does not load.
TEST(LayerFile, FullDiskFailsTheSaveNamingTheFile) {
    const QString full = QStringLiteral("/dev/full");
    if (!QFile::exists(full)) GTEST_SKIP() << "no /dev/full on this system";
    for (size_t words : {size_t(8), size_t(1) << 20}) {
        LayerFileBuffer buf;
        for (size_t i = 0; i < words; ++i) buf.appendU32(uint32_t(i));
        EXPECT_EQ(errorOf([&] { buf.saveChecked(full); }), "/dev/full: No space left on device") << words;
    }
}
