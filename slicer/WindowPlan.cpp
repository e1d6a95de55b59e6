#include "slicer/WindowPlan.h"

#include <algorithm>

#include "config/LatticeLayers.h"

namespace Voxmill {

namespace {

// Layers kept beyond what the stages read, below and above: room for the IO
// thread to load ahead while the stage works.
constexpr int32_t slackBelow = 10;
constexpr int32_t slackAbove = 11;
// Layers cut at a time within a batch.
constexpr int32_t maxSliceChunk = 50;

// A roof cache rebuilt at L reaches up to T = L - 1 + roofPreCalcCnt +
// roofLayers + zStep; the fill area of an island at T walks the top skin
// from the next step layer above it. Below, the bottom skin walk starts at
// the step layer under L.
GeneratorReach latticeReach(const LatticeLayers& g) {
    const int32_t roofTop = g.roofPreCalcCnt + g.roofLayers + g.zStep - 1;
    return {true, g.zStep + g.bottomLayers, roofTop + g.zStep + g.topLayers};
}

GeneratorReach supportReach(const SliceConfig& s) {
    if (s.postSupport.enable) return latticeReach(postLattice(s));
    if (s.gridSupport.enable) return latticeReach(gridLattice(s));
    if (s.solidSupport.enable) return {true, 0, 0}; // its own layer only
    return {false, 0, 0};
}

LayerRange hull(LayerRange a, LayerRange b) { return {std::min(a.first, b.first), std::max(a.end, b.end)}; }

LayerRange readsAt(const GeneratorReach& g, int32_t l) {
    return g.active ? LayerRange{l - g.below, l + g.above + 1} : LayerRange{l, l + 1};
}

StageWindow sliceWindow(const WindowPlan& p, int32_t i) {
    const bool first = i == p.firstSliced;
    // The first chunk also fills the raft layers below it.
    const LayerRange reads{first ? 0 : i, std::min(i + p.sliceChunk, p.layerCount)};
    return {{first ? 0 : i - slackBelow, i + p.sliceChunk + slackAbove}, reads};
}

StageWindow preInfillWindow(const WindowPlan& p) {
    const int32_t n = p.infillLookAhead;
    LayerRange reads{0, n};
    for (int32_t l = 0; l < n; ++l) reads = hull(reads, readsAt(p.infill, l));
    return {hull({0, 2 * n + slackAbove}, reads), reads};
}

StageWindow outputWindow(const WindowPlan& p, int32_t i) {
    const int32_t n = p.infillLookAhead;
    const int32_t below = p.imageLead + p.lookBack;
    // The image thread may still be imaging layers i - imageLead + 1 to
    // i - 1 and drops the parts of each releaseLag layers lower.
    LayerRange reads{i - p.imageLead + 1 - p.releaseLag, i + 1};
    if (p.support.active) reads = hull(reads, readsAt(p.support, i));
    if (p.infill.active) reads = hull(reads, readsAt(p.infill, p.infillAhead ? i + n : i));
    LayerRange resident{i - below, i + p.lookAhead + slackAbove};
    if (p.infillAhead)
        resident = {std::min(i + n - below, i - p.imageLead - p.releaseLag),
                    std::max(i + p.lookAhead, i + 2 * n) + slackAbove};
    return {hull(resident, reads), reads};
}

} // namespace

WindowPlan planWindows(const SliceConfig& s, int32_t layerCount, int32_t imageWorkers) {
    WindowPlan p;
    p.layerCount = layerCount;
    p.firstSliced = storeRaftLayers(s);
    p.batch = std::min(layerCount / 4 + 1, 200);
    p.sliceChunk = std::min(p.batch, maxSliceChunk);
    p.lookAhead = lookAhead(s);
    p.lookBack = lookBack(s);
    p.infillLookAhead = infillLookAhead(s);
    // Three layers per worker in flight: the layers are written in order, so
    // with one per worker a slow layer idles every worker that finished its
    // own, and the main thread with them.
    p.imageLead = 3 * std::max(imageWorkers, 1) + 1;
    p.releaseLag = releaseLag(s);
    p.infillAhead = s.supportCleanSolid.enable;
    p.infill = s.infill.enable ? latticeReach(infillLattice(s)) : GeneratorReach{false, 0, 0};
    p.support = supportReach(s);
    return p;
}

StageWindow stageWindow(const WindowPlan& p, job_stage_t stage, int32_t i) {
    switch (stage) {
    case job_stage_t::slice:
        return sliceWindow(p, i);
    case job_stage_t::preProc:
        return {{i - slackBelow, i + p.lookAhead + slackAbove}, {i, i + 1}};
    case job_stage_t::preInfill:
        return preInfillWindow(p);
    case job_stage_t::output:
        break;
    }
    return outputWindow(p, i);
}

} // namespace Voxmill
