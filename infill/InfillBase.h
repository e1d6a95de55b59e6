#pragma once
// The hollow pipeline shared by the model infill and the post and grid
// supports. For every island of the generator's part type on a layer it
// computes slot 8, the hollow left unprinted inside the island:
//
//   slot 5  the fill area (LayerWindow: inside the shell and the skins)
//   slot 6  the generator's full pattern cut to slot 5
//   slot 7  its core pattern (cells shrunk, posts grown) cut to slot 5
//   slot 8  slot 6 where the roof gradient is off; else the cores widened
//           by the hollow of the layer above, grown by roofStep per layer
//           down from a roof, cut to slot 6
//
// So the cavities close upwards at the roof gradient. The hollows of the
// step layers under the next roofs are computed ahead, top down, into the
// job's roof cache; a generator object lives for one layer, and all that
// lasts is in the islands' slots and in the job.
//
// A generator supplies its set-up from the settings and its pattern.

#include <cstdint>
#include <vector>

#include "config/LatticeLayers.h"
#include "infill/LatticeCells.h"
#include "infill/LayerWindow.h"
#include "slicer/SliceJob.h"

namespace Voxmill {

// What a generator's pattern does with its lattice on one layer: nothing
// hollow, the whole region, the region cut to copies of the shape (cells),
// the region with copies cut out (holes), or with the copies united first
// (tied holes, which overlap their neighbours). unknown: the generator cannot
// tell without changing the job's state.
struct LatticeCut {
    enum class Op { unknown, solid, open, cells, holes, tiedHoles };
    Op op = Op::unknown;
    const Paths* shape = nullptr;
};

class InfillBase {
public:
    InfillBase(SliceJob& job, RoofCache& roof, part_type_t partType);
    virtual ~InfillBase() = default;
    InfillBase(const InfillBase&) = delete;
    InfillBase& operator=(const InfillBase&) = delete;

protected:
    // Fills the parameters below from the settings.
    virtual void setup(const SliceConfig& s) = 0;
    // The cut of the full pattern at the layer, or of the core pattern when
    // core is set. With peek it must leave the job as it is.
    virtual LatticeCut cut(const SliceConfig& s, int32_t layer, bool core, bool peek) = 0;
    // The part of region that is hollow at the layer.
    Paths pattern(const Paths& region, const SliceConfig& s, int32_t layer, bool core);

    // Slot 8 of every island of the part type on the layer; set-up first.
    void runPipeline(const SliceConfig& s, int32_t layer);
    // The same once set up.
    void hollowLayer(const SliceConfig& s, int32_t layer);

    // The parameters every lattice shares (precision from precision.general,
    // counts from g, period from periodMm, origin the centre of the job's
    // model box), and the window's; the roof step and the inside-solid
    // layers from the lattice settings.
    void setupLattice(const SliceConfig& s, const LatticeSettings& l, const LatticeLayers& g, float periodMm,
                      const LayerWindowParams& window);
    // Copies of shape over the cells of the lattice that cover the region's
    // box: cell (i, j) at (i * period + originX, j * period + originY), rows
    // of i outside, j inside. Only cells near the printable image are made,
    // and only those whose copy comes within margin of a contour's box.
    Paths tile(const Paths& shape, const Paths& region, int64_t margin = 0) const;
    Lattice lattice() const { return {period_, originX_, originY_, tileLimit_}; }
    // The islands of the generator's part type on the layer, in order.
    std::vector<IslandRef> islandsOf(int32_t layer);
    // A support island is printed as its support area: slot 0 from slot 2.
    void ensureArea(const IslandRef& i);
    // The periodic solid layers: layer % interval >= interval - thickness
    // (none with an interval of 0).
    bool isInsideSolid(int32_t layer) const;

    int32_t precision_ = 0;
    double minArea_ = 0;
    int32_t insideSolidInterval_ = 0, insideSolidThickness_ = 0;
    int32_t zStep_ = 1;
    int32_t roofLayers_ = 0;
    int32_t roofStep_ = 1;
    int32_t roofPreCalcCnt_ = 0;
    int64_t period_ = 0, originX_ = 0, originY_ = 0;
    // Clip the whole lattice at once: the image stage unites this hollow with
    // contours it may touch, and the union's cut of touching contours follows
    // the order of its input (the lattice's order).
    bool clipWhole_ = false;
    // Clip the roof gradient of a cells lattice whole: the support image of
    // infill other than rectGrid unites the support hollow with the model's
    // in the order of its contours, which the cell by cell hollow changes.
    bool cellsRoofWhole_ = false;
    IntBox tileLimit_;
    SliceJob& job_;
    LayerWindow window_;

private:
    const std::vector<HollowItem>* roofEntry(const SliceConfig& s, int32_t layer, int32_t& upperLayer);
    void rebuildRoof(const SliceConfig& s, int32_t layer);
    // The island's hollow: its slot, or for a layer above the kept reach,
    // unstored_ (valid until the next call).
    const Region& hollowArea(const SliceConfig& s, const IslandRef& i, const std::vector<HollowItem>& upper,
                             int32_t upperLayer);
    const Region& storeHollow(const IslandRef& i, Region hollow);
    const Region& patternSlot(const IslandRef& i, slot_t slot, const SliceConfig& s);
    Paths inheritedHollow(const IslandRef& i, const std::vector<HollowItem>& upper, int32_t upperLayer,
                          const IntBox& cells);
    Paths cutCells(const Paths& region, const Paths& shape, bool holes);
    int32_t loneKind(const Paths& shape, bool holes);
    bool hollowByCells(const SliceConfig& s, const IslandRef& i, const std::vector<HollowItem>& upper,
                       int32_t upperLayer, const Region& cells, Region& out);
    const CellHollow& cellHollow(const std::array<int64_t, 6>& key);
    int32_t kindOf(const Path& contour);
    bool withinZone(const IntBox& b, int64_t grow) const;

    RoofCache& roof_;
    part_type_t partType_;
    Region unstored_;
};

// v held to the signed 32-bit range of boxes and offsets.
int32_t clampUnits(int64_t v);

// The box grown by d on every side; one shrunk past its middle is empty.
IntBox grownBox(const IntBox& b, int32_t d);

// The centre of the job's model box, where every lattice is anchored.
void latticeOrigin(const IntBox& modelBox, int64_t& x, int64_t& y);

// The square of side 2 * half about the origin, counter-clockwise.
Paths centredSquare(int64_t half);

// The core of a square cell of the given side: a square about roofStep wide
// at its centre, the cavity's last opening under a roof. A cell that closes
// within one layer (less than 100 units would be left) gets a seed two units
// wide instead: nothing a printer can resolve, so the cell is closed right
// under the roof, but the cavity below still widens from it.
Paths cellCore(const Paths& cell, int32_t sideUnits, int32_t roofStep);

} // namespace Voxmill
