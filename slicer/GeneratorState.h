#pragma once
// What the infill and support generators keep from one layer to the next for
// the whole job. It lives in the job, never in the process, so that two jobs
// (one after the other in one process, as in the tests) cannot see each
// other's state.

#include <cstdint>
#include <map>
#include <vector>

#include "slicer/Layer.h"

namespace Voxmill {

// The hollow area of one island of a roof cache layer.
struct HollowItem {
    IslandRef island;
    Paths paths;
    IntBox box;
};

// The hollows of the step layers under the next roofs, computed ahead from
// the top down so that every layer can inherit the hollow of the layer above.
struct RoofCache {
    int32_t marker = -1; // the top layer of the last rebuild
    std::map<int32_t, std::vector<HollowItem>> entries;
};

// The model area printed so far, layer by layer, and the layers at which a
// band of clean-solid support starts because that area reached the threshold.
struct CleanSolidRecord {
    std::vector<double> areas;   // entry n: area accumulated up to layer n (square units)
    std::vector<int32_t> starts; // first layers of the bands, ascending
};

struct GeneratorState {
    RoofCache infillRoof;  // the model infill's
    RoofCache supportRoof; // shared by the post and grid supports
    CleanSolidRecord cleanSolid;
};

} // namespace Voxmill
