#include <gtest/gtest.h>

#include <random>

#include <QFile>
#include <QTemporaryDir>
#include <zlib.h>

#include "OutputTestUtil.h"
#include "output/LayerFile.h"

using namespace Voxmill;
using namespace Voxmill::test;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

QByteArray zlibOf(const QByteArray& data) {
    uLongf len = compressBound(uLong(data.size()));
    QByteArray out(int(len), 0);
    compress2(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(data.constData()),
              uLong(data.size()), 6);
    out.resize(int(len));
    return out;
}

void putU32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i));
}

// A file built by hand from a bitmap, so the reader is checked against the
// format rather than against the writer.
QByteArray handMadeFile(uint32_t width, uint32_t height, const QByteArray& bitmap) {
    const QByteArray inner = zlibOf(bitmap);
    const QByteArray outer = zlibOf(inner);
    QByteArray file("slic", 4);
    file.append(QByteArray(16, 0));
    putU32(file, 4, width);
    putU32(file, 8, height);
    putU32(file, 12, uint32_t(outer.size()));
    putU32(file, 16, uint32_t(inner.size()));
    return file + outer;
}

} // namespace

TEST(PackBits, ThresholdIs128AndBitsAreLeastSignificantFirst) {
    QImage gray = grayImage(40, 2), bits;
    gray.scanLine(0)[0] = 127; // not material
    gray.scanLine(0)[1] = 128; // material
    gray.scanLine(0)[9] = 255;
    gray.scanLine(1)[39] = 200;
    packBits(gray, bits);
    ASSERT_EQ(bits.format(), QImage::Format_MonoLSB);
    ASSERT_EQ(bits.bytesPerLine(), 8);
    const uchar* r0 = bits.constScanLine(0);
    const uchar* r1 = bits.constScanLine(1);
    EXPECT_EQ(r0[0], 0x02);
    EXPECT_EQ(r0[1], 0x02);
    EXPECT_EQ(r1[4], 0x80);
    EXPECT_EQ(r0[2] | r0[3] | r0[4] | r1[0] | r1[1] | r1[2] | r1[3], 0);
}

TEST(PackBits, RowSpanSkipsOnlyEmptyRows) {
    QImage gray = grayImage(77, 40), whole, part;
    for (int32_t y = 10; y < 20; ++y)
        gray.scanLine(y)[y * 3] = 255;
    packBits(gray, whole);
    part = QImage(77, 40, QImage::Format_MonoLSB);
    part.fill(1); // stale bits from an earlier layer are cleared too
    packBits(gray, part, {10, 20});
    EXPECT_EQ(part, whole);
}

TEST(PackBits, OddWidthHasStride764AndZeroPadding) {
    QImage gray = grayImage(6081, 3), bits;
    gray.fill(255);
    packBits(gray, bits);
    EXPECT_EQ(layerFileStride(6081), 764);
    ASSERT_EQ(bits.bytesPerLine(), 764);
    for (int32_t y = 0; y < 3; ++y) {
        const uchar* row = bits.constScanLine(y);
        for (int32_t i = 0; i < 760; ++i)
            ASSERT_EQ(row[i], 0xFF);
        EXPECT_EQ(row[760], 0x01); // pixel 6080 only
        EXPECT_EQ(row[761] | row[762] | row[763], 0);
    }
}

TEST(PackBits, AgreesWithAPixelByPixelPacking) {
    std::mt19937 rng(7);
    for (int32_t width : {1, 7, 8, 9, 63, 64, 65, 333}) {
        QImage gray = grayImage(width, 5), bits;
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < width; ++x)
                gray.scanLine(y)[x] = uchar(rng());
        bits = QImage(3, 3, QImage::Format_MonoLSB); // wrong size: replaced
        bits.fill(1);
        packBits(gray, bits);
        ASSERT_EQ(bits.size(), gray.size());
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < layerFileStride(width) * 8; ++x) {
                const bool set = (bits.constScanLine(y)[x / 8] >> (x % 8)) & 1;
                ASSERT_EQ(set, x < width && gray.constScanLine(y)[x] >= 128)
                    << width << ": " << x << "," << y;
            }
    }
}

TEST(LayerFile, WriterOutputIsHeaderAndDoubleZlibOfTheBitmap) {
    QTemporaryDir dir;
    QImage gray = grayImage(6081, 4), bits;
    for (int32_t x = 0; x < 6081; x += 3)
        gray.scanLine(x % 4)[x] = 255;
    packBits(gray, bits);
    const QString path = dir.filePath("slice_m0");
    LayerFileWriter writer;
    writer.write(path, bits);

    const QByteArray file = fileBytes(path);
    const QByteArray bitmap(reinterpret_cast<const char*>(bits.constBits()), int(bits.sizeInBytes()));
    ASSERT_EQ(bitmap.size(), 764 * 4);
    EXPECT_EQ(file, handMadeFile(6081, 4, bitmap));

    const LayerBitmap b = decodeLayerFile(file);
    EXPECT_EQ(b.width, 6081u);
    EXPECT_EQ(b.height, 4u);
    EXPECT_EQ(b.stride, 764);
    EXPECT_EQ(b.countSet(), 2027);
    EXPECT_TRUE(b.pixel(3, 3));
    EXPECT_FALSE(b.pixel(4, 3));
}

TEST(LayerFile, EmptyDefaultLayerIsAValidFileAndRewritingReplacesIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("slice_s7");
    QImage gray = grayImage(6080, 5280), bits;
    gray.fill(255);
    packBits(gray, bits);
    LayerFileWriter writer;
    writer.write(path, bits);
    const qint64 fullSize = QFileInfo(path).size();
    gray.fill(0);
    packBits(gray, bits);
    writer.write(path, bits);
    const LayerBitmap b = readLayerFile(path);
    EXPECT_EQ(b.stride, 760);
    EXPECT_EQ(b.bits.size(), 4012800u);
    EXPECT_EQ(b.countSet(), 0);
    EXPECT_EQ(QFileInfo(path).size(), 20 + qint64(b.outerSize));
    EXPECT_NE(QFileInfo(path).size(), fullSize);
}

TEST(LayerFile, ReaderRejectsEveryMalformedFile) {
    QByteArray bitmap(8 * 2, 0); // width 40: stride 8, 2 rows
    bitmap[0] = 1;
    const QByteArray good = handMadeFile(40, 2, bitmap);
    ASSERT_EQ(decodeLayerFile(good).countSet(), 1);

    QByteArray padded = bitmap;
    padded[5] = char(0x01); // pixel 40: beyond the width
    QByteArray badMagic = good;
    badMagic[0] = 'S';
    QByteArray wrongInner = good;
    putU32(wrongInner, 16, uint32_t(zlibOf(bitmap).size()) + 1);
    QByteArray wrongHeight = good;
    putU32(wrongHeight, 8, 3);
    struct Case {
        const char* what;
        QByteArray file;
    } cases[] = {
        {"shorter than the header", good.left(19)},
        {"magic", badMagic},
        {"cut short", good.left(good.size() - 1)},
        {"a byte too many", good + QByteArray(1, 0)},
        {"inner size off by one", wrongInner},
        {"bitmap of the wrong length for the header", wrongHeight},
        {"padding bit set", handMadeFile(40, 2, padded)},
        {"zero width", handMadeFile(0, 2, QByteArray())},
    };
    for (const Case& c : cases)
        EXPECT_THROW(decodeLayerFile(c.file), std::runtime_error) << c.what;
}

TEST(LayerFile, FullDiskIsAnErrorNotASilentShortFile) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    QTemporaryDir dir;
    const QString path = dir.filePath("slice_m4");
    ASSERT_TRUE(QFile::link("/dev/full", path));
    QImage gray = grayImage(64, 2), bits;
    packBits(gray, bits);
    LayerFileWriter writer;
    EXPECT_THROW(writer.write(path, bits), std::runtime_error);
}

// The writer skips compressing a bitmap equal to the previous one; what it
// writes must still be exactly what a fresh writer writes.
TEST(LayerFile, RepeatedBitmapsWriteTheSameBytesAsAFreshWriter) {
    QTemporaryDir dir;
    QImage a = grayImage(100, 9), b = grayImage(100, 9), bitsA, bitsB;
    a.scanLine(3)[50] = 255;
    b.scanLine(3)[51] = 255;
    packBits(a, bitsA);
    packBits(b, bitsB);
    const QImage* sequence[] = {&bitsA, &bitsA, &bitsB, &bitsA, &bitsB, &bitsB};
    LayerFileWriter reused;
    for (int i = 0; i < 6; ++i) {
        const QString path = dir.filePath(QString("slice_m%1").arg(i)), fresh = dir.filePath("fresh");
        reused.write(path, *sequence[i]);
        LayerFileWriter().write(fresh, *sequence[i]);
        ASSERT_EQ(fileBytes(path), fileBytes(fresh)) << "write " << i;
    }
}
