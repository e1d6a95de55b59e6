#pragma once
// Small helpers shared by the output tests.

#include <algorithm>
#include <cstdint>

#include <QImage>
#include <QRect>

#include "app/VoxmillProcess.h"
#include "config/SliceConfig.h"
#include "slicer/SlicerTestUtil.h"

namespace Voxmill::Test {

// Millimetres to plate units.
inline int64_t mm(double v) { return int64_t(v * 10000); }

// An axis-aligned rectangle in plate units, counter-clockwise.
inline Path rectPath(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A model of the shared collection beside the project.
inline QString sharedModel(const char* name) { return QStringLiteral(VOXMILL_SHARED_MODELS "/") + name; }

// The program on one model with the settings text; its files in dir/name.
inline JobResult runOnModel(const QString& dir, const QString& name, const QString& model,
                            const QByteArray& settings) {
    const QString ini = dir + "/" + name + ".ini";
    QFile f(ini);
    f.open(QIODevice::WriteOnly);
    f.write(settings);
    f.close();
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
