// Ready-sliced contour stacks: for each layer the SLC layer that covers its
// cutting height is placed and stored in place of a cut.

#include <cmath>

#include "slicer/FloatUnits.h"
#include "slicer/LayerCompose.h"
#include "slicer/MeshSlicer.h"

namespace Voxmill {

namespace {

// The SLC layer at height zMm (millimetres) under the transform's z scale m10
// and shift m11. A stack turned upside down (zTop not above zBottom) counts
// its layers from the top. False when the height is outside the stack.
bool slcLayerIndex(const SlcData& slc, const ModelTransform& m, float zMm, int32_t& index) {
    const int32_t count = int32_t(slc.layers.size());
    const float n = float(count);
    const float zBottom = slc.minZ * m[10] + m[11];
    const float zTop = (n * slc.layerThickness + slc.minZ) * m[10] + m[11];
    const float step = std::fabs(slc.layerThickness * m[10]);
    const bool rising = zTop > zBottom;
    const float steps = rising ? (zMm - zBottom) / step : (zMm - zTop) / step;
    // Testing the range before converting keeps infinities and NaN (a zero
    // step) out of the conversion. The index is tested on its own: a stack
    // without layers has no index at all, though a height less than one step
    // below it truncates to 0 steps.
    if (!(steps > -1.0f && steps < n)) return false;
    index = rising ? int32_t(steps) : count - int32_t(steps) - 1;
    return index >= 0 && index < count;
}

// The first point of an SLC contour repeats at its end, so it is skipped.
Paths placeContours(const SlcLayer& layer, const ModelTransform& m) {
    Paths paths;
    paths.reserve(layer.size());
    for (const SlcContour& contour : layer) {
        Path path;
        if (contour.size() > 1) path.reserve(contour.size() - 1);
        for (size_t i = 1; i < contour.size(); ++i) {
            const float x = contour[i].x, y = contour[i].y;
            path.emplace_back(truncToUnits((m[0] * x + m[1] * y + m[3]) * 10000.0f),
                              truncToUnits((m[4] * x + m[5] * y + m[7]) * 10000.0f));
        }
        paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace

void importSlcLayer(SliceJob& job, const LoadedModels& models, const LayerHeights& lh, int32_t l) {
    job.layers.layer(l).thickness = lh.thickness.at(size_t(l));
    const int32_t tolerance = mmToUnits(job.settings.precision.general);
    const float zMm = float(lh.heights[size_t(l)]) / 10000.0f;
    for (size_t k = 0; k < models.slcs.size(); ++k) {
        const part_type_t type = validatePartType(int32_t(models.slcSpecs.at(k).type));
        const SlcInstance& instance = models.slcs[k];
        int32_t index = 0;
        if (!slcLayerIndex(*instance.slc, instance.transform, zMm, index)) continue;
        Paths paths = placeContours(instance.slc->layers[size_t(index)], instance.transform);
        simplifyPaths(paths, tolerance);
        addPart(job, l, paths, type, slotArea);
    }
}

} // namespace Voxmill
