#include "tools/slice_view/JobStats.h"

#include <cstdio>

namespace Voxmill {

LayerCounts countPixels(const BitPlane& model, const BitPlane& support, BitPlane& printed) {
    orOf(model, support, printed);
    return {model.count(), support.count(), printed.count()};
}

void JobStats::add(int32_t n, const LayerCounts& c) {
    layers_ = n + 1;
    model_ += c.model;
    support_ += c.support;
    if (c.printed > largest_) {
        largest_ = c.printed;
        largestLayer_ = n;
    }
}

std::vector<std::pair<std::string, std::string>> JobStats::lines(const JobGeometry& g) const {
    auto number = [](const char* fmt, double v) {
        char text[64];
        std::snprintf(text, sizeof text, fmt, v);
        return std::string(text);
    };
    const double voxelMm3 = g.pixelAreaMm2() * g.layerHeightMm;
    return {{"layers", std::to_string(layers_)},
            {"height_mm", number("%.4g", layers_ * g.layerHeightMm)},
            {"model_volume_mm3", number("%.6g", double(model_) * voxelMm3)},
            {"support_volume_mm3", number("%.6g", double(support_) * voxelMm3)},
            {"largest_layer_area_mm2", number("%.6g", double(largest_) * g.pixelAreaMm2())},
            {"largest_layer", std::to_string(largestLayer_)}};
}

} // namespace Voxmill
