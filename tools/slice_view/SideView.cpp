// slice_view side: the job seen from the front.

#include "tools/slice_view/SideView.h"

#include <algorithm>
#include <stdexcept>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/PictureScale.h"

namespace Voxmill {

namespace {

void orColumns(const BitPlane& plane, uint64_t* columns) {
    for (int32_t y = 0; y < plane.height; ++y) {
        if (!plane.rowUsed[size_t(y)]) continue;
        const uint64_t* row = plane.row(y);
        for (int32_t k = 0; k < plane.words; ++k) columns[k] |= row[k];
    }
}

} // namespace

SideColumns::SideColumns(int32_t width, int32_t layers)
    : words_((width + 63) / 64), columns_(size_t(layers) * 2 * size_t(words_), 0) {}

void SideColumns::add(int32_t n, const BitPlane* model, const BitPlane* support) {
    uint64_t* mine = columns_.data() + size_t(n) * 2 * size_t(words_);
    if (model) {
        orColumns(*model, mine);
        orColumns(*support, mine + words_);
    } else {
        std::copy(mine - 2 * words_, mine, mine);
    }
    added_ = n + 1;
}

// The columns [first, end) holding a set bit in any layer, grown by the crop
// margin; all columns when there is none.
std::pair<int32_t, int32_t> SideColumns::printedColumns(int32_t width) const {
    int32_t lo = width, hi = -1;
    for (int32_t r = 0; r < 2 * added_; ++r)
        forEachRun(columns_.data() + size_t(r) * size_t(words_), words_, [&](int32_t x0, int32_t x1) {
            lo = std::min(lo, x0);
            hi = std::max(hi, x1);
        });
    if (hi < 0) return {0, width};
    return {std::max(0, lo - cropMarginPixels), std::min(width, hi + 1 + cropMarginPixels)};
}

QImage SideColumns::draw(const JobGeometry& g, bool crop, int32_t maxPixels) const {
    const int32_t n = std::max(1, added_);
    const auto [first, end] = crop ? printedColumns(g.width) : std::make_pair(0, g.width);
    const double widthMm = (end - first) * g.pixelWidthMm, heightMm = n * g.layerHeightMm;
    const double pixelMm =
        std::max({g.pixelWidthMm, g.layerHeightMm, widthMm / maxPixels, heightMm / maxPixels});
    const double columnsPer = pixelMm / g.pixelWidthMm, layersPer = pixelMm / g.layerHeightMm;
    const int32_t w = pixelsFor(end - first, columnsPer, maxPixels), h = pixelsFor(n, layersPer, maxPixels);
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(0);
    for (int32_t l = 0; l < added_; ++l) {
        uchar* line = img.scanLine(h - 1 - pixelOf(l, layersPer, h));
        for (const auto& [kind, value] :
             {std::pair<int32_t, uchar>{1, 128}, {0, 255}}) { // model over support
            forEachRun(row(l, kind), words_, [&, value = value](int32_t x0, int32_t x1) {
                for (int32_t x = std::max(x0, first); x <= std::min(x1, end - 1); ++x) {
                    uchar& p = line[pixelOf(x - first, columnsPer, w)];
                    p = std::max(p, value);
                }
            });
        }
    }
    return img;
}

int sideCommand(const QString& dir, const QString& pngPath, bool crop) {
    const JobGeometry g = readJobGeometry(dir);
    LayerSource layers(dir, g.width, g.height);
    if (layers.count() == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    SideColumns side(g.width, layers.count());
    ProgressMeter progress("side", layers.count());
    walkLayers(layers, progress, [&](int32_t n, const BitPlane* model, const BitPlane* support) {
        side.add(n, model, support);
    });
    if (!side.draw(g, crop, sideMaxPixels).save(pngPath, "PNG"))
        throw std::runtime_error("cannot write " + toLocal8(pngPath));
    return exitClean;
}

} // namespace Voxmill
