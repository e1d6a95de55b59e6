#include "output/PolygonStamps.h"

#include <cmath>
#include <cstring>

#include <QPainter>

namespace Voxmill {

namespace {

// Bytes of keys and runs kept per image worker (about 8 MB); a job with
// more distinct shapes starts over.
constexpr size_t maxBytes = size_t(8) << 20;
// What the scratch image holds where the polygon draws nothing: the painter
// only ever writes 0 (outline, black fill) or 255 (white fill) here.
constexpr uint8_t untouched = 77;
// Pixels left free around the points for the outline and rounding.
constexpr int32_t border = 2;

} // namespace

bool PolygonStamps::draw(const std::vector<QPointF>& points, bool white, QImage& image, const QRect& clip) {
    if (points.empty()) return true;
    double minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
    for (const QPointF& p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    // Far-flung or huge polygons are not worth a stamp.
    if (!(maxX - minX < 256 && maxY - minY < 256) || !std::isfinite(minX) || !std::isfinite(minY))
        return false;
    const int32_t ox = int32_t(std::floor(minX)) - border, oy = int32_t(std::floor(minY)) - border;
    const int32_t width = int32_t(std::ceil(maxX)) + border + 1 - ox,
                  height = int32_t(std::ceil(maxY)) + border + 1 - oy;
    if (!clip.contains(QRect(ox, oy, width, height)) || !image.rect().contains(QRect(ox, oy, width, height)))
        return false;
    // Whole pixels moved off doubles of this size leave them exact.
    relative_.resize(points.size());
    for (size_t k = 0; k < points.size(); ++k) relative_[k] = QPointF(points[k].x() - ox, points[k].y() - oy);
    const Stamp* stamp = stampOf(relative_, white, width, height);
    if (!stamp || !stamp->usable) return false;
    uchar* corner = image.bits() + qsizetype(oy) * image.bytesPerLine() + ox;
    for (const Run& r : stamp->runs)
        std::memset(corner + qsizetype(r.dy) * image.bytesPerLine() + r.dx, r.value, size_t(r.length));
    return true;
}

// A shape seen for the first time is only noted: the painter draws it. Its
// stamp is made when it comes again. Points are single-precision products,
// so far from the image centre equal shapes often differ in their last bits
// and never come again; they cost no more than the painter would.
const PolygonStamps::Stamp* PolygonStamps::stampOf(const std::vector<QPointF>& relative, bool white,
                                                   int32_t width, int32_t height) {
    key_.assign(1, white ? 'w' : 'b');
    key_.append(reinterpret_cast<const char*>(relative.data()), relative.size() * sizeof(QPointF));
    auto found = stamps_.find(key_);
    if (found == stamps_.end()) {
        if (bytes_ + key_.size() > maxBytes) {
            stamps_.clear();
            bytes_ = 0;
        }
        stamps_.emplace(key_, Stamp());
        bytes_ += key_.size();
        return nullptr;
    }
    Stamp& stamp = found->second;
    if (stamp.made) return &stamp;

    if (scratch_.width() < width || scratch_.height() < height)
        scratch_ = QImage(std::max(width, scratch_.width()), std::max(height, scratch_.height()),
                          QImage::Format_Grayscale8);
    for (int32_t y = 0; y < height; ++y) std::memset(scratch_.scanLine(y), untouched, size_t(width));
    QPainter painter(&scratch_);
    painter.setBrush(white ? Qt::white : Qt::black);
    painter.drawPolygon(relative.data(), int(relative.size()), Qt::OddEvenFill);
    painter.end();

    stamp.made = true;
    for (int32_t y = 0; y < height; ++y) {
        const uchar* row = scratch_.constScanLine(y);
        for (int32_t x = 0; x < width;) {
            if (row[x] == untouched) {
                ++x;
                continue;
            }
            int32_t end = x + 1;
            while (end < width && row[end] == row[x]) ++end;
            stamp.runs.push_back({y, x, end - x, row[x]});
            // The border is there to stay untouched: a drawing that reaches
            // it may reach further, so the shape is drawn by the painter.
            if (y == 0 || y == height - 1 || x == 0 || end == width) stamp.usable = false;
            x = end;
        }
    }
    stamp.runs.shrink_to_fit();
    bytes_ += stamp.runs.size() * sizeof(Run);
    return &stamp;
}

} // namespace Voxmill
