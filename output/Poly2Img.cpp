#include "output/Poly2Img.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "output/ZeroedImage.h"
#include "slicer/LocalLevels.h"

namespace Voxmill {

void Poly2Img::configure(const SliceConfig& s) {
    const auto& p = s.poly2img;
    extraPixels_ = p.extraBlankPixel;
    width_ = p.pixelX + 2 * p.extraBlankPixel;
    height_ = p.pixelY;
    scaleX_ = float(p.pixelX) / (p.sizeX * float(unitsPerMm));
    scaleY_ = float(p.pixelY) / (p.sizeY * float(unitsPerMm));
    centreX_ = float(width_ / 2);
    centreY_ = float(height_ / 2);
    staggered_ = p.staggered;
    clipRect_ = QRect(QPoint(extraPixels_, 0), QPoint(extraPixels_ + p.pixelX - 1, p.pixelY - 1));
}

void Poly2Img::prepareImage(QImage& image) const {
    if (!image.isNull()) {
        std::memset(image.bits(), 0, size_t(image.sizeInBytes()));
        return;
    }
    image = zeroedImage(width_, height_, QImage::Format_Grayscale8);
}

void Poly2Img::setClip(const QRect& rect, Qt::ClipOperation op) {
    clipRect_ = rect.translated(extraPixels_, 0);
    clipOp_ = op;
}

QPointF Poly2Img::toImage(const IntPoint& p, float shift) const {
    const float x = float(p.X) * scaleX_ + centreX_ + shift;
    const float y = centreY_ - float(p.Y) * scaleY_;
    return QPointF(double(x), double(y));
}

void collectDrawPaths(const LayerPart& part, Paths& out) {
    for (const Island& island : part.islands) {
        collectSlot(island, slotArea, false, out);
        collectSlot(island, slotHollow, true, out);
    }
}

RowSpan Poly2Img::drawParts(const Layer& layer, int32_t layerNumber, QImage& image, part_type_t type) {
    Paths paths;
    for (const LayerPart& part : layer.parts)
        if (part.type == type) collectDrawPaths(part, paths);
    return paths.empty() ? RowSpan() : drawSplit(splitLevels(paths, clearanceUnits()), layerNumber, image);
}

RowSpan Poly2Img::drawPart(const LayerPart& part, int32_t layerNumber, QImage& image) {
    Paths paths;
    collectDrawPaths(part, paths);
    return paths.empty() ? RowSpan() : drawSplit(splitLevels(paths, clearanceUnits()), layerNumber, image);
}

void Poly2Img::imagePoints(const Path& path, float shift, float& minY, float& maxY) {
    points_.clear();
    for (const IntPoint& p : path) {
        points_.push_back(toImage(p, shift));
        minY = std::min(minY, float(points_.back().y()));
        maxY = std::max(maxY, float(points_.back().y()));
    }
}

// The alone contours go last, by stamp where they can: no other drawing
// meets theirs, so the order cannot show.
RowSpan Poly2Img::drawSplit(SplitLevels&& split, int32_t layerNumber, QImage& image) {
    RowSpan rows = drawLevels(split.levels, layerNumber, image);
    const float shift = rowShift(layerNumber);
    const QRect clip = clipOp_ == Qt::NoClip ? image.rect() : clipRect_;
    std::vector<Paths> rest(split.alone.size());
    float minY = std::numeric_limits<float>::max(), maxY = std::numeric_limits<float>::lowest();
    constexpr size_t stampTrial = 512;
    size_t tried = 0, stamped = 0;
    bool stamping = true;
    for (size_t i = 0; i < split.alone.size(); ++i)
        for (Path& path : split.alone[i]) {
            imagePoints(path, shift, minY, maxY);
            if (!stamping || !stamps_.draw(points_, i % 2 == 0, image, clip))
                rest[i].push_back(std::move(path));
            else
                ++stamped;
            // Few repeats among the first: the shapes do not come again
            // (single-precision points far from the centre), and keying
            // them would only add to the painter's work.
            if (stamping && ++tried == stampTrial && stamped < stampTrial / 2) stamping = false;
        }
    rows |= paintedRows(minY, maxY);
    rows |= drawLevels(rest, layerNumber, image);
    return rows;
}

RowSpan Poly2Img::drawLevels(const std::vector<Paths>& levels, int32_t layerNumber, QImage& image) {
    if (levels.empty()) return {};
    float minY = std::numeric_limits<float>::max(), maxY = std::numeric_limits<float>::lowest();
    const float shift = rowShift(layerNumber);
    // The pen stays the painter's default (solid black, width 1) and no render
    // hints are set: every polygon gets the aliased black outline the printer's
    // images have always had.
    painter_.begin(&image);
    painter_.setClipRect(clipRect_, clipOp_);
    for (size_t i = 0; i < levels.size(); ++i) {
        painter_.setBrush(i % 2 == 0 ? Qt::white : Qt::black);
        for (const Path& path : levels[i]) {
            imagePoints(path, shift, minY, maxY);
            painter_.drawPolygon(points_.data(), int(points_.size()), Qt::OddEvenFill);
        }
    }
    painter_.end();
    return paintedRows(minY, maxY);
}

// The rows between the lowest and highest point, widened by the outline pen
// and a row for rounding, within the clip and the image.
RowSpan Poly2Img::paintedRows(float minY, float maxY) const {
    if (minY > maxY) return {};
    const float top = std::max(std::floor(minY) - 2.0f, float(std::max(clipRect_.top(), 0)));
    const float end = std::min(std::floor(maxY) + 3.0f, float(std::min(clipRect_.bottom() + 1, height_)));
    return top < end ? RowSpan{int32_t(top), int32_t(end)} : RowSpan();
}

std::vector<PixelOffset> discOffsets(float r, float px, float py) {
    const int32_t rx = int32_t(std::round(r / px));
    const int32_t ry = int32_t(std::round(r / py));
    std::vector<PixelOffset> out;
    for (int32_t dx = -rx; dx <= rx; ++dx) {
        for (int32_t dy = -ry; dy <= ry; ++dy) {
            if (dx == 0 && dy == 0) continue;
            const float h = float(dy) * py;
            const float w = float(dx) * px;
            if (r >= std::sqrt(h * h + w * w)) out.push_back({dx, dy});
        }
    }
    return out;
}

namespace {

inline bool isWhite(uint8_t v) { return v >= 128; }

// A white pixel with a dark pixel above, below, left or right of it.
inline bool onEdge(const uchar* row, const uchar* above, const uchar* below, int32_t x) {
    return !isWhite(above[x]) || !isWhite(below[x]) || !isWhite(row[x - 1]) || !isWhite(row[x + 1]);
}

void stampDisc(QImage& image, int32_t x, int32_t y, const std::vector<PixelOffset>& offsets) {
    const int32_t w = image.width(), h = image.height();
    for (const PixelOffset& o : offsets) {
        const int32_t tx = x + o.dx, ty = y + o.dy;
        if (tx >= 0 && tx < w && ty >= 0 && ty < h) image.scanLine(ty)[tx] = 255;
    }
}

} // namespace

void dilateWhite(QImage& image, QImage& copy, float r, float px, float py) {
    const std::vector<PixelOffset> offsets = discOffsets(r, px, py);
    if (offsets.empty()) return;
    if (copy.size() != image.size() || copy.format() != image.format())
        copy = QImage(image.size(), image.format());
    std::memcpy(copy.bits(), image.constBits(), size_t(image.sizeInBytes()));
    const int32_t w = image.width(), h = image.height();
    const qsizetype stride = copy.bytesPerLine();
    for (int32_t y = 1; y < h - 1; ++y) {
        const uchar* row = copy.constScanLine(y);
        for (int32_t x = 1; x < w - 1; ++x) {
            if (isWhite(row[x]) && onEdge(row, row - stride, row + stride, x))
                stampDisc(image, x, y, offsets);
        }
    }
}

} // namespace Voxmill
