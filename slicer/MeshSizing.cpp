// The size stage: scaling, stack height and the layer list.

#include <algorithm>
#include <unordered_set>

#include "slicer/FloatUnits.h"
#include "slicer/MeshSlicer.h"

namespace Voxmill {

namespace {

part_type_t partType(const ModelSpec& spec) { return validatePartType(int32_t(spec.type)); }

void scaleSlcTransform(ModelTransform& m, float sx, float sy, float sz) {
    for (int i : {0, 1, 3}) m[size_t(i)] *= sx;
    for (int i : {4, 5, 7}) m[size_t(i)] *= sy;
    for (int i : {10, 11}) m[size_t(i)] *= sz;
}

} // namespace

// Walls keep their size: they stand for the printer's own fixtures.
void scaleModels(LoadedModels& models, const SliceConfig& c) {
    if (!c.size.enable) return;
    const float sx = c.size.scaleX, sy = c.size.scaleY, sz = c.size.scaleZ;
    std::unordered_set<const TriMesh*> scaled;
    for (size_t k = 0; k < models.meshes.size(); ++k) {
        if (partType(models.meshSpecs.at(k)) != part_type_t::model) continue;
        MeshInstance& m = models.meshes[k];
        // A mesh shared by several instances is scaled once; every instance
        // still moves its own placement.
        if (scaled.insert(m.mesh.get()).second) m.mesh->scale(sx, sy, sz);
        m.offsetX = truncToUnits(float(m.offsetX) * sx);
        m.offsetY = truncToUnits(float(m.offsetY) * sy);
    }
    for (size_t k = 0; k < models.slcs.size(); ++k)
        if (partType(models.slcSpecs.at(k)) == part_type_t::model)
            scaleSlcTransform(models.slcs[k].transform, sx, sy, sz);
}

int32_t stackHeight(const LoadedModels& models) {
    int32_t top = 0;
    for (size_t k = 0; k < models.meshes.size(); ++k)
        if (partType(models.meshSpecs.at(k)) == part_type_t::model)
            top = std::max(top, models.meshes[k].mesh->max[2]);
    for (size_t k = 0; k < models.slcs.size(); ++k)
        if (partType(models.slcSpecs.at(k)) == part_type_t::model)
            top = std::max(top, topZ(*models.slcs[k].slc, models.slcs[k].transform));
    return top;
}

int32_t modelLayerCount(const SliceConfig& c, int32_t stackHeight) {
    const int32_t t = layerUnits(c);
    const float layers = (float(t / 2) + float(stackHeight)) / float(t);
    return layers > 0 ? truncToUnits(layers) : 0;
}

// The raft layers kept in the store come below the model layers. Every model
// layer is cut at its middle height.
LayerHeights buildLayerHeights(const SliceConfig& c, int32_t stackHeight) {
    const int32_t t = layerUnits(c);
    const int32_t n = modelLayerCount(c, stackHeight);
    const int32_t raft = storeRaftLayers(c);
    LayerHeights lh;
    lh.thickness.assign(size_t(n) + size_t(raft), t);
    lh.heights.assign(size_t(n) + size_t(raft), 0);
    for (int32_t k = 0; k < n; ++k) lh.heights[size_t(raft + k)] = int32_t(int64_t(t / 2) + int64_t(k) * t);
    return lh;
}

} // namespace Voxmill
