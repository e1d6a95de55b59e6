#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include "slicer/SlicerTestUtil.h"
#include "slicer/TempLayerFile.h"

using namespace Voxmill;
using namespace Voxmill::Test;

// The MD5 digest of the little-endian words leads the file (reading back is the store tests').
TEST(TempLayerFile, DigestLeadsTheBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("3");
    LayerFileBuffer buf;
    buf.appendU32(1);
    buf.appendU32(0x04030201);
    buf.saveChecked(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 24);
    EXPECT_EQ(bytes.mid(16), QByteArray::fromHex("0100000001020304"));
    EXPECT_EQ(bytes.left(16), QCryptographicHash::hash(bytes.mid(16), QCryptographicHash::Md5));
}

TEST(TempLayerFile, CountsAreCheckedBeforeAllocating) {
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

// Regressions with a device in a layer file's place: a save fails on the flush at close for a small
// file and on its write for a large one, rather than leaving a short file; a load, which cannot seek,
// failed with the stream's bare "basic_ios::clear" text. Each names the file and the reason.
TEST(TempLayerFile, FullDiskFailsSaveAndLoadNamingTheFile) {
    const QString full = QStringLiteral("/dev/full");
    if (!QFile::exists(full)) GTEST_SKIP() << "no /dev/full on this system";
    for (size_t words : {size_t(8), size_t(1) << 20}) {
        LayerFileBuffer buf;
        for (size_t i = 0; i < words; ++i) buf.appendU32(uint32_t(i));
        EXPECT_EQ(errorOf([&] { buf.saveChecked(full); }), "/dev/full: No space left on device") << words;
    }
    LayerFileBuffer buf;
    buf.appendU32(7);
    EXPECT_EQ(errorOf([&] { buf.loadChecked(full); }), "/dev/full: cannot read the layer file");
    EXPECT_EQ(buf.remaining(), 0u);
}
