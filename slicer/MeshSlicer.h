#pragma once
// Cutting meshes into layers and importing ready-sliced contour stacks.

#include <cstdint>
#include <vector>

#include "base/Progress.h"
#include "model/LoadedModels.h"
#include "slicer/SliceJob.h"

namespace Voxmill {

struct LayerHeights {
    std::vector<int32_t> thickness; // units, one per layer
    std::vector<int32_t> heights;   // cutting height in units; 0 for raft layers
    int32_t count() const { return int32_t(heights.size()); }
};

// Scales models of type model when size.enable is set (each mesh once,
// every instance's offset); walls keep their size.
void scaleModels(LoadedModels& models, const SliceConfig& c);
// Top of the model stack in units (walls do not count), at least 0.
int32_t stackHeight(const LoadedModels& models);
// The stack height over the layer thickness, rounded to nearest: the model
// layers of a stack of that height.
int32_t modelLayerCount(const SliceConfig& c, int32_t stackHeight);
// modelLayerCount layers, each cut at its middle; storeRaftLayers uncut
// layers (height 0) come below them. Heights ascend from the first model
// layer on.
LayerHeights buildLayerHeights(const SliceConfig& c, int32_t stackHeight);
// Cuts every mesh model into layers [first, min(count, first + batch)) at
// their heights and stores one part per model per layer (possibly empty), so
// that part k of a cut layer belongs to mesh model k. A mesh shared by several
// models is cut once; later models get a copy moved by their offset
// difference, which does not widen the job's model box. Contours are
// simplified with precision.general; open chains that cannot be closed
// exactly are dropped. The batch's layers must be inside the store window.
// progress hears the fraction of all lh.count() layers done, model by model.
void sliceBatch(SliceJob& job, const LoadedModels& models, const LayerHeights& lh, int32_t first,
                int32_t batch, const FractionCallback& progress = nullptr);
// Stores the contours of every SLC model whose stack covers the height of
// layer l, placed by the model's transform; a model that does not reach the
// layer, as a stack without layers reaches none, adds no part.
void importSlcLayer(SliceJob& job, const LoadedModels& models, const LayerHeights& lh, int32_t l);
// The slice stage on a store sized to lh.count() layers: the mesh models cut
// in batches of up to 200 layers and the SLC models imported, each batch in
// its planned window, and the raft layers under the first model layer
// filled. progress hears the fraction of the layers done.
void sliceLayers(SliceJob& job, const LoadedModels& models, const LayerHeights& lh,
                 const FractionCallback& progress = nullptr);

} // namespace Voxmill
