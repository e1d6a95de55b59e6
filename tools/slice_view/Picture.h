#pragma once
// Layer images drawn as small pictures: model white over support grey on
// black, cut to a box of image pixels and scaled down to square picture
// pixels.

#include <cstdint>

#include <QImage>
#include <QString>

#include "tools/slice_view/BitPlane.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

struct PixelBox {
    int32_t x0, y0, x1, y1; // inclusive; empty when x1 < x0
    bool empty() const { return x1 < x0; }
};

// The box of the set pixels of both planes.
PixelBox printedBox(const BitPlane& a, const BitPlane& b);
// The box grown by cropMarginPixels on every side, within the image; the
// whole image when the box is empty.
PixelBox cropBox(const PixelBox& printed, int32_t width, int32_t height);

// A box of the image as a picture: picture pixels square in millimetres, never
// finer than an image pixel, at most maxPixels each way.
struct PictureFrame {
    PixelBox box{0, 0, -1, -1};
    double columnsPer = 1, rowsPer = 1; // image columns and rows per picture pixel
    int32_t width = 1, height = 1;      // picture pixels
};
PictureFrame pictureFrame(const JobGeometry& g, const PixelBox& box, int32_t maxPixels);

// A picture pixel is white where any model pixel falls into it, else grey
// where any support pixel does, so thin walls and posts stay visible.
QImage drawLayer(const BitPlane& model, const BitPlane& support, const PictureFrame& f);

// Writes img as PNG; throws "cannot write <path>".
void savePng(const QImage& img, const QString& path);

} // namespace Voxmill
