#include "output/AreaWalls.h"

#include <algorithm>
#include <cstring>

namespace Voxmill {

std::vector<RowSpan> areaBands(const SliceConfig& s, int32_t height) {
    std::vector<RowSpan> bands;
    int32_t row = 0;
    for (auto it = s.wall.areaPixels.rbegin(); it != s.wall.areaPixels.rend() && row < height; ++it) {
        const int32_t end = int32_t(std::min<int64_t>(int64_t(row) + *it, height));
        bands.push_back({row, end});
        row = end;
    }
    return bands;
}

namespace {

bool rowsEmpty(const QImage& image, const RowSpan& span) {
    const size_t bytes = size_t(image.bytesPerLine());
    for (int32_t y = span.first; y < span.end; ++y) {
        const uchar* row = image.constScanLine(y);
        if (row[0] != 0 || std::memcmp(row, row + 1, bytes - 1) != 0) return false;
    }
    return true;
}

bool bandFinished(const RowSpan& band, const QImage& model, const QImage& support) {
    return rowsEmpty(model, band) && rowsEmpty(support, band);
}

bool usesSupportImage(const SliceConfig& s, const LayerPart& part, int32_t k) {
    if (part.type == part_type_t::supportWall) return true;
    return !s.raft.drawModelWall && k < storeRaftLayers(s);
}

} // namespace

std::vector<RowSpan> unfinishedRuns(const std::vector<RowSpan>& bands, const QImage& model,
                                    const QImage& support, bool clipOverHeight) {
    std::vector<RowSpan> runs;
    bool extend = false; // the previous band was unfinished
    for (const RowSpan& band : bands) {
        const bool finished = clipOverHeight && bandFinished(band, model, support);
        if (!finished && extend)
            runs.back().end = band.end;
        else if (!finished)
            runs.push_back(band);
        extend = !finished;
    }
    return runs;
}

void drawAreaWalls(const SliceConfig& s, const Layer& layer, int32_t k, QImage& model, QImage& support,
                   RowSpan& modelRows, RowSpan& supportRows) {
    const bool anyWall = std::any_of(layer.parts.begin(), layer.parts.end(), [](const LayerPart& p) {
        return p.type == part_type_t::modelWall || p.type == part_type_t::supportWall;
    });
    if (!anyWall) return;
    Poly2Img painter;
    painter.configure(s);
    for (const RowSpan& run :
         unfinishedRuns(areaBands(s, painter.height()), model, support, s.wall.clipOverHeight)) {
        painter.setClip(QRect(0, run.first, s.poly2img.pixelX, run.end - run.first), Qt::IntersectClip);
        for (const LayerPart& part : layer.parts) {
            if (part.type != part_type_t::modelWall && part.type != part_type_t::supportWall) continue;
            if (usesSupportImage(s, part, k))
                supportRows |= painter.drawPart(part, k, support);
            else
                modelRows |= painter.drawPart(part, k, model);
        }
    }
}

} // namespace Voxmill
