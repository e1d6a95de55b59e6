#pragma once
// The rasteriser: layer polygons (units of 0.0001 mm) onto the printer's pixel
// grid as 8-bit grey images, 255 where material goes and 0 elsewhere.
//
// The plate origin maps to the image centre, y grows upwards on the plate and
// downwards in the image. The extraBlankPixel columns left and right of the
// printable area are never painted. Polygons are filled odd-even and outlined
// with the painter's default black pen, without antialiasing; nesting levels
// alternate white (outer contours) and black (holes).

#include <algorithm>
#include <cstdint>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>

#include "config/SliceConfig.h"
#include "output/PolygonStamps.h"
#include "slicer/Layer.h"
#include "slicer/LocalLevels.h"

namespace Voxmill {

// Rows [first, end) of an image; empty when first >= end.
struct RowSpan {
    int32_t first = 0, end = 0;
    bool empty() const { return first >= end; }
    // The smallest span holding both.
    RowSpan& operator|=(const RowSpan& o) {
        if (o.empty()) return *this;
        if (empty()) return *this = o;
        first = std::min(first, o.first);
        end = std::max(end, o.end);
        return *this;
    }
    bool operator==(const RowSpan& o) const { return first == o.first && end == o.end; }
};

struct PixelOffset {
    int32_t dx, dy;
    bool operator==(const PixelOffset& o) const { return dx == o.dx && dy == o.dy; }
};

class Poly2Img {
public:
    void configure(const SliceConfig& s);

    // Creates a width x height Grayscale8 image when it is null, then zeroes
    // every byte of it, row padding included.
    void prepareImage(QImage& image) const;

    // rect is in printable-area pixels (column 0 = first printable column).
    void setClip(const QRect& rect, Qt::ClipOperation op);

    // The drawing operations return the rows they may have changed: every
    // row they leave out is untouched.
    // Islands of every part of the given type: slot 0 as it is, slot 8 reversed (a hole).
    RowSpan drawParts(const Layer& layer, int32_t layerNumber, QImage& image, part_type_t type);
    RowSpan drawPart(const LayerPart& part, int32_t layerNumber, QImage& image);
    // levels[i] holds the contours of nesting depth i + 1.
    RowSpan drawLevels(const std::vector<Paths>& levels, int32_t layerNumber, QImage& image);

    // Image position of a plate point, shift in pixels added to x.
    QPointF toImage(const IntPoint& p, float shift) const;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t extraPixels() const { return extraPixels_; }
    // Staggered rows: odd layers move half a pixel to the right.
    float rowShift(int32_t layerNumber) const { return staggered_ && layerNumber % 2 != 0 ? 0.5f : 0.0f; }

private:
    RowSpan paintedRows(float minY, float maxY) const;
    RowSpan drawSplit(SplitLevels&& split, int32_t layerNumber, QImage& image);
    // points_ = the path on the image, and the lowest and highest y so far.
    void imagePoints(const Path& path, float shift, float& minY, float& maxY);

    int32_t extraPixels_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    float scaleX_ = 0, scaleY_ = 0; // pixels per unit
    // Three pixels in units: farther apart, two contours' drawings (fill and
    // outline) share no pixel, so their order cannot matter.
    int64_t clearanceUnits() const {
        return scaleX_ > 0 && scaleY_ > 0 ? int64_t(3.0f / std::min(scaleX_, scaleY_)) + 1 : INT32_MAX;
    }
    float centreX_ = 0, centreY_ = 0;
    bool staggered_ = false;
    QRect clipRect_;
    Qt::ClipOperation clipOp_ = Qt::IntersectClip;
    QPainter painter_;
    std::vector<QPointF> points_; // reused polygon buffer
    PolygonStamps stamps_;
};

// The slot 0 paths of every island of the part, then slot 8 reversed.
void collectDrawPaths(const LayerPart& part, Paths& out);

// Pixel offsets of a disc of radius r (mm) on pixels px x py (mm), centre
// excluded, ordered by dx then dy.
std::vector<PixelOffset> discOffsets(float r, float px, float py);

// Grows the white (>= 128) areas of an 8-bit image by the disc: every white
// pixel with a dark edge neighbour stamps the disc in 255. copy is a scratch
// image that ends up holding the input.
void dilateWhite(QImage& image, QImage& copy, float r, float px, float py);

} // namespace Voxmill
