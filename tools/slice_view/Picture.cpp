#include "tools/slice_view/Picture.h"

#include <algorithm>
#include <stdexcept>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/PictureScale.h"

namespace Voxmill {

PixelBox printedBox(const BitPlane& a, const BitPlane& b) {
    PixelBox box{a.width, a.height, -1, -1};
    for (const BitPlane* p : {&a, &b})
        for (int32_t y = 0; y < p->height; ++y) {
            if (!p->rowUsed[size_t(y)]) continue;
            const uint64_t* row = p->row(y);
            int32_t k0 = 0, k1 = p->words - 1;
            while (row[k0] == 0) ++k0;
            while (row[k1] == 0) --k1;
            box.x0 = std::min(box.x0, k0 * 64 + __builtin_ctzll(row[k0]));
            box.x1 = std::max(box.x1, k1 * 64 + 63 - __builtin_clzll(row[k1]));
            box.y0 = std::min(box.y0, y);
            box.y1 = std::max(box.y1, y);
        }
    return box;
}

PixelBox cropBox(const PixelBox& printed, int32_t width, int32_t height) {
    if (printed.empty()) return {0, 0, width - 1, height - 1};
    return {std::max(0, printed.x0 - cropMarginPixels), std::max(0, printed.y0 - cropMarginPixels),
            std::min(width - 1, printed.x1 + cropMarginPixels),
            std::min(height - 1, printed.y1 + cropMarginPixels)};
}

PictureFrame pictureFrame(const JobGeometry& g, const PixelBox& box, int32_t maxPixels) {
    PictureFrame f;
    f.box = box;
    const int32_t columns = box.x1 - box.x0 + 1, rows = box.y1 - box.y0 + 1;
    const double pixelMm = std::max({g.pixelWidthMm, g.pixelHeightMm, columns * g.pixelWidthMm / maxPixels,
                                     rows * g.pixelHeightMm / maxPixels});
    f.columnsPer = pixelMm / g.pixelWidthMm;
    f.rowsPer = pixelMm / g.pixelHeightMm;
    f.width = pixelsFor(columns, f.columnsPer, maxPixels);
    f.height = pixelsFor(rows, f.rowsPer, maxPixels);
    return f;
}

namespace {

// Every picture pixel a run of image pixels falls into: the run covers whole
// picture columns from its first to its last, as a picture pixel is at least
// an image pixel wide.
void paint(const BitPlane& plane, const PictureFrame& f, uchar value, QImage& img) {
    const PixelBox& b = f.box;
    for (int32_t y = b.y0; y <= b.y1; ++y) {
        if (!plane.rowUsed[size_t(y)]) continue;
        uchar* line = img.scanLine(pixelOf(y - b.y0, f.rowsPer, f.height));
        forEachRun(plane.row(y), plane.words, [&](int32_t x0, int32_t x1) {
            x0 = std::max(x0, b.x0);
            x1 = std::min(x1, b.x1);
            if (x0 > x1) return;
            uchar* p = line + pixelOf(x0 - b.x0, f.columnsPer, f.width);
            uchar* end = line + pixelOf(x1 - b.x0, f.columnsPer, f.width) + 1;
            for (; p < end; ++p) *p = std::max(*p, value);
        });
    }
}

} // namespace

QImage drawLayer(const BitPlane& model, const BitPlane& support, const PictureFrame& f) {
    QImage img(f.width, f.height, QImage::Format_Grayscale8);
    img.fill(0);
    paint(support, f, 128, img);
    paint(model, f, 255, img);
    return img;
}

void savePng(const QImage& img, const QString& path) {
    if (!img.save(path, "PNG")) throw std::runtime_error("cannot write " + toLocal8(path));
}

} // namespace Voxmill
