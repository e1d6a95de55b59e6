#include "config/LatticeLayers.h"

#include <algorithm>

namespace Voxmill {

namespace {

LatticeLayers latticeOf(const LatticeSettings& l, float roofSize, float zMm, float lh) {
    return {stepLayers(zMm, lh), layersOf(l.topSolidThickness, lh), layersOf(l.bottomSolidThickness, lh),
            roofLayerCount(roofSize, l.roofGradient, lh), l.roofPreCalcCnt};
}

} // namespace

int32_t stepLayers(float zMm, float layerHeight) { return int32_t(std::max(1.0f, zMm / layerHeight)); }

LatticeLayers infillLattice(const SliceConfig& c) {
    const float lh = c.precision.layerHeight;
    LatticeLayers g = latticeOf(c.infill, c.infill.rectSize, c.precision.infillZ, lh);
    // Support material fills the whole interior: nothing to close under a roof.
    if (c.infill.fillType == FillType::support) g.roofLayers = 0;
    return g;
}

LatticeLayers postLattice(const SliceConfig& c) {
    return latticeOf(c.postSupport, c.postSupport.postSpace, c.precision.supportZ, c.precision.layerHeight);
}

LatticeLayers gridLattice(const SliceConfig& c) {
    return latticeOf(c.gridSupport, c.gridSupport.rectSize, c.precision.supportZ, c.precision.layerHeight);
}

} // namespace Voxmill
