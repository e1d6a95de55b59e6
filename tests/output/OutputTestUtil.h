#pragma once
// Small helpers shared by the output tests.

#include <algorithm>
#include <cstdint>

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <zlib.h>

#include "app/VoxmillProcess.h"
#include "config/SliceConfig.h"
#include "slicer/SlicerTestUtil.h"

namespace Voxmill::Test {

// One zlib stream of data, at level 6.
inline QByteArray zlibOf(const QByteArray& data) {
    uLongf len = compressBound(uLong(data.size()));
    QByteArray out(int(len), 0);
    compress2(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(data.constData()),
              uLong(data.size()), 6);
    out.resize(int(len));
    return out;
}

inline void putU32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
}

// A layer file built by hand around an inner stream given as it is, right or wrong, so readers
// are checked against the format rather than the writer.
inline QByteArray layerFileOfInner(uint32_t width, uint32_t height, const QByteArray& inner) {
    const QByteArray outer = zlibOf(inner);
    QByteArray file = QByteArray("slic", 4) + QByteArray(16, 0);
    putU32(file, 4, width);
    putU32(file, 8, height);
    putU32(file, 12, uint32_t(outer.size()));
    putU32(file, 16, uint32_t(inner.size()));
    return file + outer;
}

// Millimetres to plate units.
inline int64_t mm(double v) { return int64_t(v * 10000); }

// An axis-aligned rectangle in plate units, counter-clockwise.
inline Path rectPath(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// The program on one model with the settings text; its files in dir/name.
inline JobResult runOnModel(const QString& dir, const QString& name, const QString& model,
                            const QByteArray& settings) {
    const QString ini = dir + "/" + name + ".ini";
    VoxmillTest::writeFile(ini, settings.toStdString());
    QDir().mkpath(dir + "/" + name);
    return runVoxmill({"-C", ini, "-M", "file:" + model, "-O", dir + "/" + name}, dir);
}

inline QImage grayImage(int32_t w, int32_t h) {
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(0);
    return img;
}

inline int64_t countAtLeast(const QImage& img, int32_t value) {
    int64_t n = 0;
    for (int32_t y = 0; y < img.height(); ++y)
        n += std::count_if(img.constScanLine(y), img.constScanLine(y) + img.width(),
                           [&](uchar v) { return v >= value; });
    return n;
}

} // namespace Voxmill::Test
