#include "model/SlcData.h"

#include <algorithm>

#include "model/TriMesh.h"

namespace Voxmill {

int32_t topZ(const SlcData& slc, const ModelTransform& m) {
    const float layers = float(slc.layers.size());
    const float scaleZ = m[10], shiftZ = m[11];
    const int32_t bottom = truncToUnits((slc.minZ * scaleZ + shiftZ) * 10000.0f);
    const int32_t top = truncToUnits(((layers * slc.layerThickness + slc.minZ) * scaleZ + shiftZ) * 10000.0f);
    return std::max(bottom, top);
}

} // namespace Voxmill
