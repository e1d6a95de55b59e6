#pragma once
// The sums of stats, gathered layer by layer: volumes from pixel counts, the
// largest layer by its printed pixels (model or support, counted once).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/slice_view/BitPlane.h"
#include "tools/slice_view/JobDir.h"

namespace Voxmill {

struct LayerCounts {
    int64_t model = 0, support = 0, printed = 0; // pixels
};

// The counts of one layer's images; printed is scratch for their union.
LayerCounts countPixels(const BitPlane& model, const BitPlane& support, BitPlane& printed);

class JobStats {
public:
    // Layer n's counts; layers come in order from 0.
    void add(int32_t n, const LayerCounts& c);
    int32_t largestLayer() const { return largestLayer_; }
    // The "name value" pairs stats prints, in its order and notation:
    // layers, height_mm, model_volume_mm3, support_volume_mm3,
    // largest_layer_area_mm2, largest_layer.
    std::vector<std::pair<std::string, std::string>> lines(const JobGeometry& g) const;

private:
    int32_t layers_ = 0, largestLayer_ = 0;
    int64_t model_ = 0, support_ = 0, largest_ = -1;
};

} // namespace Voxmill
