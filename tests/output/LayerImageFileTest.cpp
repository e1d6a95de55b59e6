#include <gtest/gtest.h>

#include <random>

#include <QFile>
#include <QTemporaryDir>

#include "OutputTestUtil.h"
#include "output/LayerImageFile.h"
#include "output/OutputFile.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// A file built by hand from a bitmap, so the reader is checked against the format rather than the writer.
QByteArray handMadeFile(uint32_t width, uint32_t height, const QByteArray& bitmap) {
    return layerFileOfInner(width, height, zlibOf(bitmap));
}

} // namespace

// Material from 128 up, least significant bit first, rows padded to 32 bits with zero bits
// (width 6081: stride 764).
TEST(PackBits, AgreesWithAPixelByPixelPacking) {
    EXPECT_EQ(layerImageStride(6081), 764);
    std::mt19937 rng(7);
    for (int32_t width : {1, 7, 8, 9, 63, 64, 65, 333, 6081}) {
        QImage gray = grayImage(width, 5), bits(3, 3, QImage::Format_MonoLSB); // wrong size: replaced
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < width; ++x)
                gray.scanLine(y)[x] = x == 0 ? uchar(127 + y % 2) : uchar(rng()); // 127 vs 128
        bits.fill(1);
        packBits(gray, bits);
        ASSERT_EQ(bits.format(), QImage::Format_MonoLSB);
        ASSERT_EQ(bits.size(), gray.size());
        ASSERT_EQ(bits.bytesPerLine(), layerImageStride(width));
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < layerImageStride(width) * 8; ++x)
                ASSERT_EQ((bits.constScanLine(y)[x / 8] >> (x % 8)) & 1,
                          x < width && gray.constScanLine(y)[x] >= 128)
                    << width << ": " << x << "," << y;
    }
}

// A worker packs each layer into the bits of the one before, clearing only the rows that layer
// set: a shorter layer after a taller one must keep none of the taller one's bits.
TEST(PackBits, RepackingClearsTheRowsTheLastLayerSet) {
    QImage tall = grayImage(333, 6), short_ = grayImage(333, 6), bits, fresh;
    tall.fill(255);
    short_.scanLine(3)[100] = 255;
    packBits(tall, bits, {0, 6}, {0, 0});
    packBits(short_, bits, {3, 4}, {0, 6});
    packBits(short_, fresh);
    EXPECT_EQ(bits, fresh);
    EXPECT_EQ(bits.constScanLine(3)[100 / 8], 1 << (100 % 8));
}

// Each write replaces the file, whether the earlier one was larger or smaller; the writer skips
// compressing a bitmap equal to the previous one but must still write exactly the same bytes.
TEST(LayerImageFile, WriterOutputIsHeaderAndDoubleZlibOfTheBitmap) {
    QTemporaryDir dir;
    const QString path = dir.filePath("slice_m0");
    QImage full = grayImage(6081, 4), sparse = grayImage(6081, 4), fullBits, sparseBits;
    full.fill(255);
    for (int32_t x = 0; x < 6081; x += 3) sparse.scanLine(x % 4)[x] = 255;
    packBits(full, fullBits);
    packBits(sparse, sparseBits);
    LayerImageWriter writer;
    for (const QImage* bits : {&fullBits, &sparseBits, &sparseBits, &fullBits, &fullBits, &sparseBits}) {
        writer.write(path, *bits);
        const QByteArray bitmap(reinterpret_cast<const char*>(bits->constBits()), int(bits->sizeInBytes()));
        ASSERT_EQ(bitmap.size(), 764 * 4);
        ASSERT_EQ(fileBytes(path), handMadeFile(6081, 4, bitmap));
    }
    const LayerBitmap b = decodeLayerImage(fileBytes(path));
    EXPECT_EQ(b.width, 6081u);
    EXPECT_EQ(b.height, 4u);
    EXPECT_EQ(b.stride, 764);
    EXPECT_EQ(b.countSet(), 2027);
    EXPECT_TRUE(b.pixel(3, 3));
    EXPECT_FALSE(b.pixel(4, 3));
}

// Lattice layers come back a period later; the writer reuses what it compressed then, and only
// for a bitmap equal in every row: one bit changed, a band moved, or rows of noise between
// (too many distinct rows to keep) each get their own bytes.
TEST(LayerImageFile, WriterReusesEarlierBitmapsOnlyWhenEqual) {
    QTemporaryDir dir;
    const QString path = dir.filePath("slice_s0");
    std::mt19937 rng(3);
    auto lattice = [](int32_t phase, int32_t firstRow) {
        QImage gray = grayImage(200, 1500);
        for (int32_t y = firstRow; y < 1400; ++y)
            for (int32_t x = 0; x < 200; ++x)
                if ((x + phase) % 12 < 5 && (y + phase) % 12 < 5) gray.scanLine(y)[x] = 255;
        return gray;
    };
    QImage flipped = lattice(0, 20), noise = grayImage(200, 1500);
    flipped.scanLine(700)[101] ^= 255;
    for (int32_t y = 0; y < 1500; ++y)
        for (int32_t x = 0; x < 200; ++x) noise.scanLine(y)[x] = uchar(rng());
    const QImage grays[] = {lattice(0, 20), lattice(4, 20), lattice(8, 20), flipped, lattice(0, 21), noise};
    LayerImageWriter writer;
    for (int32_t k : {0, 1, 2, 0, 1, 2, 3, 0, 4, 0, 5, 1, 5, 0}) {
        QImage bits;
        packBits(grays[k], bits);
        writer.write(path, bits);
        const QByteArray bitmap(reinterpret_cast<const char*>(bits.constBits()), int(bits.sizeInBytes()));
        ASSERT_EQ(fileBytes(path), handMadeFile(200, 1500, bitmap)) << "bitmap " << k;
    }
}

// Faults of the file itself; those inside the inner stream (check values, lengths, the padding at
// a row's end) are compared with slice_view's decoder.
TEST(LayerImageFile, ReaderRejectsEveryMalformedFile) {
    QByteArray bitmap(8 * 2, 0); // width 40: stride 8, 2 rows
    bitmap[0] = 1;
    const QByteArray good = handMadeFile(40, 2, bitmap);
    ASSERT_EQ(decodeLayerImage(good).countSet(), 1);

    QByteArray padded = bitmap, badMagic = good, wrongInner = good;
    padded[5] = char(0x01); // pixel 40: beyond the width
    badMagic[0] = 'S';
    putU32(wrongInner, 16, uint32_t(zlibOf(bitmap).size()) + 1);
    const std::pair<const char*, QByteArray> cases[] = {
        {"shorter than the header", good.left(19)},
        {"magic", badMagic},
        {"cut short", good.left(good.size() - 1)},
        {"a byte too many", good + QByteArray(1, 0)},
        {"inner size off by one", wrongInner},
        {"padding bit set", handMadeFile(40, 2, padded)},
        {"zero width", handMadeFile(0, 2, QByteArray())},
    };
    for (const auto& [what, file] : cases) EXPECT_THROW(decodeLayerImage(file), std::runtime_error) << what;
}

// A full disk: a short text fails when flushed, a long one on its write; either way the message
// names the file. A layer file fails too rather than leaving a short file.
TEST(OutputFile, FullDiskNamesTheFile) {
    const QString full = QStringLiteral("/dev/full");
    if (!QFile::exists(full)) GTEST_SKIP() << "no /dev/full on this system";
    for (int size : {16, 1 << 22})
        EXPECT_EQ(errorOf([&] { writeTextFile(full, openWrite, QByteArray(size, 'x')); }),
                  "/dev/full: No space left on device")
            << size << " bytes";
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link(full, dir.filePath("slice_m4")));
    QImage bits;
    packBits(grayImage(64, 2), bits);
    EXPECT_THROW(LayerImageWriter().write(dir.filePath("slice_m4"), bits), std::runtime_error);
}
