#pragma once
// Ready-sliced contour stacks (SLC models).

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Voxmill {

struct SlcPoint {
    float x, y;
};
using SlcContour = std::vector<SlcPoint>;
using SlcLayer = std::vector<SlcContour>;

struct SlcData {
    float minZ = 0;           // height of layer 0, mm
    float layerThickness = 0; // mm
    std::vector<SlcLayer> layers;
};

// Row-major 4 x 4: x' = m0 x + m1 y + m2 z + m3, and so on.
using ModelTransform = std::array<float, 16>;
constexpr ModelTransform identityTransform{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

struct SlcInstance {
    std::shared_ptr<const SlcData> slc;
    ModelTransform transform = identityTransform;
};

// Top of the stacked layers in units under the transform's z scale and shift.
int32_t topZ(const SlcData& slc, const ModelTransform& m);

} // namespace Voxmill
