#pragma once
// Small helpers shared by the output tests.

#include <algorithm>
#include <cstdint>

#include <QFile>
#include <QImage>
#include <QRect>

#include "config/SliceConfig.h"
#include "slicer/Geometry.h"

namespace Voxmill::test {

// The settings of the rasteriser example: 5120 x 5280 printable pixels over
// 128 x 132 mm (40 pixels per mm) with 8 blank columns on each side.
inline SliceConfig exampleGrid() {
    SliceConfig s;
    s.poly2img.pixelX = 5120;
    s.poly2img.pixelY = 5280;
    s.poly2img.sizeX = 128;
    s.poly2img.sizeY = 132;
    s.poly2img.extraBlankPixel = 8;
    return s;
}

// An axis-aligned rectangle in plate units, counter-clockwise.
inline Path rectPath(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

// A file's bytes, empty when it cannot be read.
inline QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QImage grayImage(int32_t w, int32_t h) {
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(0);
    return img;
}

inline int64_t countAtLeast(const QImage& img, int32_t value) {
    int64_t n = 0;
    for (int32_t y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int32_t x = 0; x < img.width(); ++x)
            n += row[x] >= value;
    }
    return n;
}

// Bounding rectangle of the pixels >= 128 (null when there are none).
inline QRect whiteBounds(const QImage& img) {
    int32_t x0 = img.width(), y0 = img.height(), x1 = -1, y1 = -1;
    for (int32_t y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int32_t x = 0; x < img.width(); ++x)
            if (row[x] >= 128) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

} // namespace Voxmill::test
