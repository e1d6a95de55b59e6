// slice_view side: the job seen from the front. Each layer is reduced to the
// columns it prints in (any row), so memory holds one layer and a column
// row per layer; the picture is drawn once the extent is known.

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <QImage>

#include "base/VirtualFile.h"
#include "tools/slice_view/Commands.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

namespace {

void orColumns(const BitPlane& plane, uint64_t* columns) {
    for (int32_t y = 0; y < plane.height; ++y) {
        if (!plane.rowUsed[size_t(y)]) continue;
        const uint64_t* row = plane.row(y);
        for (int32_t k = 0; k < plane.words; ++k) columns[k] |= row[k];
    }
}

// The columns [first, end) holding a set bit in any of the rows, grown by the
// crop margin; all columns when there is none.
std::pair<int32_t, int32_t> printedColumns(const std::vector<uint64_t>& rows, int32_t words, int32_t width) {
    int32_t lo = width, hi = -1;
    for (size_t r = 0; r < rows.size() / size_t(words); ++r)
        forEachRun(rows.data() + r * size_t(words), words, [&](int32_t x0, int32_t x1) {
            lo = std::min(lo, x0);
            hi = std::max(hi, x1);
        });
    if (hi < 0) return {0, width};
    return {std::max(0, lo - cropMarginPixels), std::min(width, hi + 1 + cropMarginPixels)};
}

// How many picture pixels count columns (or layers) take at per of them a pixel.
int32_t pixelsFor(int32_t count, double per) {
    return std::clamp(int32_t(std::ceil(count / per - 1e-9)), 1, sideMaxPixels);
}

// The picture pixel of column (or layer) i; the small term keeps i / 1 from falling short.
int32_t pixelOf(int32_t i, double per, int32_t pixels) {
    return std::min(pixels - 1, int32_t(i / per + 1e-9));
}

} // namespace

int sideCommand(const QString& dir, const QString& pngPath, bool crop) {
    const JobGeometry g = readJobGeometry(dir);
    LayerSource layers(dir, g.width, g.height);
    const int32_t n = layers.count();
    if (n == 0) throw std::runtime_error(toLocal8(dir) + ": no layer files.");
    const int32_t words = (g.width + 63) / 64;
    // per layer: the model columns, then the support columns
    std::vector<uint64_t> columns(size_t(n) * 2 * size_t(words), 0);
    ProgressMeter progress("side", n);
    for (int32_t l = 0; l < n; ++l) {
        uint64_t* mine = columns.data() + size_t(l) * 2 * size_t(words);
        const bool sameModel = layers.load(l, LayerKind::model);
        const bool sameSupport = layers.load(l, LayerKind::support);
        if (l > 0 && sameModel && sameSupport) {
            std::copy(mine - 2 * words, mine, mine);
        } else {
            orColumns(layers.plane(LayerKind::model), mine);
            orColumns(layers.plane(LayerKind::support), mine + words);
        }
        progress.step(l + 1);
    }

    const std::pair<int32_t, int32_t> span =
        crop ? printedColumns(columns, words, g.width) : std::make_pair(0, g.width);
    const int32_t first = span.first, end = span.second;
    // Square picture pixels in millimetres, no finer than a pixel or a layer.
    const double widthMm = (end - first) * g.pixelWidthMm, heightMm = n * g.layerHeightMm;
    const double pixelMm =
        std::max({g.pixelWidthMm, g.layerHeightMm, widthMm / sideMaxPixels, heightMm / sideMaxPixels});
    const double columnsPer = pixelMm / g.pixelWidthMm, layersPer = pixelMm / g.layerHeightMm;
    const int32_t w = pixelsFor(end - first, columnsPer), h = pixelsFor(n, layersPer);
    QImage img(w, h, QImage::Format_Grayscale8);
    img.fill(0);
    for (int32_t l = 0; l < n; ++l) {
        uchar* line = img.scanLine(h - 1 - pixelOf(l, layersPer, h));
        const uint64_t* mine = columns.data() + size_t(l) * 2 * size_t(words);
        for (const std::pair<int32_t, uchar>& kind : {std::pair<int32_t, uchar>{1, 128}, {0, 255}}) {
            const uchar value = kind.second; // model over support
            forEachRun(mine + kind.first * words, words, [&](int32_t x0, int32_t x1) {
                for (int32_t x = std::max(x0, first); x <= std::min(x1, end - 1); ++x) {
                    uchar& p = line[pixelOf(x - first, columnsPer, w)];
                    p = std::max(p, value);
                }
            });
        }
    }
    if (!img.save(pngPath, "PNG")) throw std::runtime_error("cannot write " + toLocal8(pngPath));
    return exitClean;
}

} // namespace Voxmill
