#pragma once
// Which layers each stage of a job needs in memory around the layer it works
// on. The layer store keeps only a window of layers resident; every stage
// asks for its window through this plan, so that the arithmetic of what a
// stage reads (the generators' skins and roof caches, the image thread
// trailing behind the main thread and dropping parts behind itself) lives in
// one place.

#include <cstdint>

#include "config/SliceConfig.h"

namespace Voxmill {

// Layers [first, end); bounds may lie outside the job's layers.
struct LayerRange {
    int32_t first, end;
    bool contains(int32_t n) const { return first <= n && n < end; }
    bool operator==(const LayerRange& o) const { return first == o.first && end == o.end; }
};

enum class job_stage_t { slice, preProc, preInfill, output };

// Layers below and above its own layer L that a generator reads: its bottom
// skin walk, and above the roof cache it rebuilds (warm-up, roof and step
// layers) plus the top skin walk of the highest layer in that cache.
struct GeneratorReach {
    bool active;
    int32_t below, above;
};

struct WindowPlan {
    int32_t layerCount;
    int32_t firstSliced; // the first layer the slicer cuts (storeRaftLayers)
    int32_t batch;       // layers per slice batch (a progress step)
    int32_t sliceChunk;  // layers cut at a time within a batch
    int32_t lookAhead, lookBack, infillLookAhead;
    int32_t imageLead;  // the main thread starts layer i + 1 once layer i - imageLead is written
    int32_t releaseLag; // the image thread drops the parts of layer k - releaseLag after k
    bool infillAhead;   // clean-solid mode: infill runs infillLookAhead layers ahead of supports
    GeneratorReach infill, support;
};

// What a stage asks of the store at one step: the layers to keep resident,
// and within them the layers the stage (with the image thread) actually reads.
struct StageWindow {
    LayerRange resident, reads;
};

// imageWorkers: the layers the image thread images at once; up to three
// times as many may be posted and not yet written.
WindowPlan planWindows(const SliceConfig& s, int32_t layerCount, int32_t imageWorkers = 1);

// The window for stage at layer i: for slice, i is the first layer of a
// chunk; for preProc the layer being projected; for output the layer being
// generated; preInfill has one window for the whole pass (i is ignored).
StageWindow stageWindow(const WindowPlan& plan, job_stage_t stage, int32_t i);

} // namespace Voxmill
