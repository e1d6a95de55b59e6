#pragma once
// Cutting meshes into layers and importing ready-sliced contour stacks.

#include <cstdint>
#include <vector>

#include "model/LoadedModels.h"
#include "slicer/SliceJob.h"

namespace Voxmill {

struct LayerHeights {
    std::vector<int32_t> thickness; // units, one per layer
    std::vector<int32_t> heights;   // cutting height in units; 0 for raft layers
    int32_t count() const { return int32_t(heights.size()); }
};

// Scales models of type model when size.enable is set (each mesh once).
void scaleModels(LoadedModels& models, const SliceConfig& c);
// Top of the model stack in units (walls do not count), at least 0.
int32_t stackHeight(const LoadedModels& models);
LayerHeights buildLayerHeights(const SliceConfig& c, int32_t stackHeight);
// Cuts every mesh model into layers [first, min(count, first + batch)) and
// stores one part per model per layer.
void sliceBatch(SliceJob& job, const LoadedModels& models, const LayerHeights& lh, int32_t first,
                int32_t batch);
// Stores the contours of every SLC model that covers layer l.
void importSlcLayer(SliceJob& job, const LoadedModels& models, const LayerHeights& lh, int32_t l);

} // namespace Voxmill
