#pragma once
// What the infill and support generators keep from one layer to the next for
// the whole job. It lives in the job, never in the process, so that two jobs
// (one after the other in one process, as in the tests) cannot see each
// other's state.

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "slicer/ClipMemo.h"
#include "slicer/Layer.h"

namespace Voxmill {

// The hollow area of one island of a roof cache layer.
struct HollowItem {
    IslandRef island;
    Paths paths;
    IntBox box;
};

// The contours a lattice cell can hold on its own, about the cell's centre,
// and what the roof gradient makes of a cell from the contours it and the
// cell above hold (see InfillBase::hollowArea). Filled as the job meets them;
// a job's lattice never changes, so neither do they.
struct CellHollow {
    bool fits = false;          // false: it reaches out of its zone, clip it with the outline
    std::vector<int32_t> kinds; // the contours of the cell's hollow
};
struct CellKinds {
    std::vector<Path> contours;
    // (operation, roof offset, upper kind, covered above, full kind, core kind)
    std::map<std::array<int64_t, 6>, CellHollow> hollows;
};

// The hollows of the step layers under the next roofs, computed ahead from
// the top down so that every layer can inherit the hollow of the layer above.
struct RoofCache {
    int32_t marker = -1; // the top layer of the last rebuild
    std::map<int32_t, std::vector<HollowItem>> entries;
    CellKinds cellKinds;
    ClipMemo clips; // the clipping along the lattice's outline, layer to layer
};

// The model area printed so far, layer by layer, and the layers at which a
// band of clean-solid support starts because that area reached the threshold.
struct CleanSolidRecord {
    std::vector<double> areas;   // entry n: area accumulated up to layer n (square units)
    std::vector<int32_t> starts; // first layers of the bands, ascending
};

struct GeneratorState {
    // Clip every lattice in one operation with the polygon library, cell by
    // cell nothing: the reference the tests and benchmarks hold the cell by
    // cell hollow to (the same contours, slower by the lattice's width).
    bool wholeLattice = false;
    RoofCache infillRoof;  // the model infill's
    RoofCache supportRoof; // shared by the post and grid supports
    CleanSolidRecord cleanSolid;
};

} // namespace Voxmill
