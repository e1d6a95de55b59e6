#include "output/AreaScan.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "config/SliceConfig.h"
#include "output/OutputFile.h"

namespace Voxmill {

std::vector<int64_t> areaBounds(const SliceConfig& s) {
    const float sizeY = s.poly2img.sizeY;
    const float unitsPerPixel = sizeY * float(unitsPerMm) / float(s.poly2img.pixelY);
    std::vector<int64_t> bounds{-int64_t(int32_t(std::round(sizeY * 0.5f * float(unitsPerMm))))};
    for (int32_t pixels : s.wall.areaPixels)
        bounds.push_back(bounds.back() + int64_t(std::round(double(pixels) * double(unitsPerPixel))));
    return bounds;
}

namespace {

bool holdsModelIn(const Layer& layer, int64_t lo, int64_t hi) {
    for (const LayerPart& part : layer.parts) {
        if (part.type != part_type_t::model) continue;
        for (const Island& island : part.islands) {
            const IntBox& box = island.slots.at(slotArea).box;
            if (box.maxY >= lo && box.minY < hi) return true;
        }
    }
    return false;
}

} // namespace

AreaScan::AreaScan(const SliceConfig& s, const QString& outputDir)
    : extraRaft_(extraRaftLayers(s)), outputDir_(outputDir), bounds_(areaBounds(s)),
      tops_(bounds_.size() - 1, 0) {}

void AreaScan::scanLayer(const Layer& layer, int32_t k) {
    for (size_t j = 0; j < tops_.size(); ++j)
        if (tops_[j] == 0 && holdsModelIn(layer, bounds_[j], bounds_[j + 1])) tops_[j] = k + 1;
}

std::vector<int32_t> layersPerAreaCount(std::vector<int32_t> tops, int32_t baseCount) {
    // Sorted high to low, s(d) layers use at least d areas; the difference to
    // s(d + 1) is the number using exactly d. The raft is printed wherever
    // the most areas are in use.
    std::sort(tops.begin(), tops.end(), std::greater<int32_t>());
    const size_t n = tops.size();
    std::vector<int32_t> counts(n, 0);
    for (size_t d = 0; d < n; ++d) counts[d] = tops[d] - (d + 1 < n ? tops[d + 1] : 0);
    for (size_t d = n; d-- > 0;) {
        if (counts[d] != 0) {
            counts[d] += baseCount;
            break;
        }
    }
    return counts;
}

void AreaScan::write() const {
    const std::vector<int32_t> counts = layersPerAreaCount(tops_, extraRaft_);
    QByteArray text("[general]\n");
    for (size_t d = 0; d < counts.size(); ++d)
        text += QStringLiteral("layerCntArea%1 = %2\n").arg(d + 1).arg(counts[d]).toLatin1();
    writeTextFile(outputDir_ + QStringLiteral("/areaInfo"), openWrite, text);
}

} // namespace Voxmill
