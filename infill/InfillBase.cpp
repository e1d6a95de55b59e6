#include "infill/InfillBase.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Voxmill {

IntBox grownBox(const IntBox& b, int32_t d) {
    // A box shrunk past its middle is empty.
    if (d < 0 && (int64_t(b.maxX) - b.minX < -2 * int64_t(d) || int64_t(b.maxY) - b.minY < -2 * int64_t(d)))
        return IntBox();
    auto clamp = [](int64_t v) {
        return int32_t(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
    };
    return {clamp(int64_t(b.minX) - d), clamp(int64_t(b.minY) - d), clamp(int64_t(b.maxX) + d),
            clamp(int64_t(b.maxY) + d)};
}

int32_t clampUnits(int64_t v) {
    return int32_t(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

void latticeOrigin(const IntBox& b, int64_t& x, int64_t& y) {
    // Summed in 64 bits: a far-out box must not wrap round.
    x = (int64_t(b.minX) + b.maxX) / 2;
    y = (int64_t(b.minY) + b.maxY) / 2;
}

Paths centredSquare(int64_t h) { return {{{-h, -h}, {h, -h}, {h, h}, {-h, h}}}; }

Paths cellCore(const Paths& cell, int32_t sideUnits, int32_t roofStep) {
    const int32_t c = (sideUnits - roofStep) / 2;
    return c < 100 ? centredSquare(1) : offsetPathsSharp(cell, -c);
}

InfillBase::InfillBase(SliceJob& job, RoofCache& roof, part_type_t partType)
    : job_(job), window_(job.layers), roof_(roof), partType_(partType) {
    // The reference mode clips every layer afresh.
    roof_.clips.setEnabled(!job.generators.wholeLattice);
}

void InfillBase::setupLattice(const SliceConfig& s, const LatticeSettings& l, const LatticeLayers& g,
                              float periodMm, const LayerWindowParams& window) {
    const float lh = s.precision.layerHeight;
    const float inverseTan = 1.0f / std::tan(l.roofGradient * 3.1415927f / 180.0f);
    precision_ = mmToUnits(s.precision.general);
    minArea_ = minAreaOf(precision_);
    insideSolidInterval_ = layersOf(l.insideSolidInterval, lh);
    insideSolidThickness_ = layersOf(l.insideSolidThickness, lh);
    zStep_ = g.zStep;
    roofLayers_ = g.roofLayers;
    roofStep_ = int32_t(std::max(1.0f, float(mmToUnits(lh)) * inverseTan));
    roofPreCalcCnt_ = g.roofPreCalcCnt;
    period_ = mmToUnits(periodMm);
    latticeOrigin(job_.modelBox, originX_, originY_);
    // Cells beyond the printable image (and a cell's width more) would never
    // be printed: a model far larger than the plate, or tiny cells, must not
    // make the tiling endless.
    const int64_t hx = int64_t(s.poly2img.sizeX * 0.5f * 10000.0f) + period_;
    const int64_t hy = int64_t(s.poly2img.sizeY * 0.5f * 10000.0f) + period_;
    tileLimit_ = {clampUnits(-hx), clampUnits(-hy), clampUnits(hx), clampUnits(hy)};
    window_.init(window);
}

bool InfillBase::isInsideSolid(int32_t layer) const {
    if (insideSolidInterval_ <= 0) return false;
    return layer % insideSolidInterval_ >= insideSolidInterval_ - insideSolidThickness_;
}

Paths InfillBase::tile(const Paths& shape, const Paths& region, int64_t margin) const {
    if (shape.empty()) return {};
    const Lattice l = lattice();
    const CellRange r = tilingRange(l, pathsBox(region));
    if (r.empty()) return {};
    // A cell whose copy lies clear of every contour's box (by margin) cannot
    // touch the region: Clipper is spared its edges.
    const std::vector<uint8_t> near = nearCells(l, r, region, pathsBox(shape), margin);
    Paths tiles;
    for (int64_t i = r.i0; i <= r.i1; ++i)
        for (int64_t j = r.j0; j <= r.j1; ++j)
            if (near[r.index(i, j)])
                for (const Path& path : shape) appendMoved(path, cellCentre(l, i, j), tiles);
    return tiles;
}

Paths InfillBase::pattern(const Paths& region, const SliceConfig& s, int32_t layer, bool core) {
    const LatticeCut c = cut(s, layer, core, false);
    switch (c.op) {
    case LatticeCut::Op::open:
        return region;
    case LatticeCut::Op::cells:
        return cutCells(region, *c.shape, false);
    case LatticeCut::Op::holes:
        return cutCells(region, *c.shape, true);
    case LatticeCut::Op::tiedHoles: {
        // Tied copies overlap their neighbours (their bars reach the next
        // copy, and grown cores overlap): one region, or the even-odd
        // difference would leave the overlaps hollow. The union is cut where
        // a left-out cell meets a kept one; two periods of margin keep those
        // cuts off every cell that comes near the region.
        const Paths tiles = tile(*c.shape, region, 2 * period_);
        return tiles.empty() ? region : differencePaths(region, unionPaths(tiles));
    }
    default:
        return {};
    }
}

// The region cut to the copies of shape (cells), or with them cut out
// (holes). A copy inside the region, clear of its outline, comes out of the
// polygon library as its lone form, whatever else is around: it is placed
// as that, and only the copies along the outline are clipped. A copy clear
// of the region (in the box of a curved outline, or in one of its holes)
// neither adds nor cuts anything and stays out of the clip.
Paths InfillBase::cutCells(const Paths& region, const Paths& shape, bool holes) {
    const Lattice l = lattice();
    const CellRange r = tilingRange(l, pathsBox(region));
    if (shape.empty() || r.empty()) return holes ? region : Paths();
    const std::vector<uint8_t> near = nearCells(l, r, region, pathsBox(shape), 0);
    const int32_t kind = clipWhole_ || job_.generators.wholeLattice ? -1 : loneKind(shape, holes);
    const std::vector<CellPlace> places =
        kind >= 0 ? placeCells(l, r, region, 0) : std::vector<CellPlace>(r.size(), CellPlace::touched);
    Paths edge, inside;
    for (int64_t i = r.i0; i <= r.i1; ++i)
        for (int64_t j = r.j0; j <= r.j1; ++j) {
            const size_t c = r.index(i, j);
            if (!near[c] || places[c] == CellPlace::outside) continue;
            if (places[c] == CellPlace::inside)
                appendMoved(roof_.cellKinds.contours[size_t(kind)], cellCentre(l, i, j), inside);
            else
                for (const Path& path : shape) appendMoved(path, cellCentre(l, i, j), edge);
        }
    if (edge.empty() && inside.empty()) return holes ? region : Paths();
    Paths out = holes          ? roof_.clips.difference(region, edge)
                : edge.empty() ? Paths()
                               : roof_.clips.intersection(region, edge);
    out.insert(out.end(), std::make_move_iterator(inside.begin()), std::make_move_iterator(inside.end()));
    return out;
}

void InfillBase::runPipeline(const SliceConfig& s, int32_t layer) {
    setup(s);
    hollowLayer(s, layer);
}

void InfillBase::hollowLayer(const SliceConfig& s, int32_t layer) {
    int32_t upperLayer = layer;
    const std::vector<HollowItem> none;
    const std::vector<HollowItem>* upper = roofEntry(s, layer, upperLayer);
    // No roof cache entry (the top of the job): nothing to inherit.
    if (!upper) upper = &none;
    for (const IslandRef& i : islandsOf(layer)) {
        ensureArea(i);
        hollowArea(s, i, *upper, upperLayer);
    }
}

std::vector<IslandRef> InfillBase::islandsOf(int32_t layer) {
    std::vector<IslandRef> refs;
    const Layer& l = job_.layers.layer(layer);
    for (int32_t p = 0; p < int32_t(l.parts.size()); ++p) {
        if (l.parts[size_t(p)].type != partType_) continue;
        for (int32_t k = 0; k < int32_t(l.parts[size_t(p)].islands.size()); ++k)
            refs.push_back({layer, p, k});
    }
    return refs;
}

void InfillBase::ensureArea(const IslandRef& i) {
    if (window_.island(i).slots.contains(slotArea)) return;
    Region area = window_.supportArea(i);
    window_.island(i).slots.set(slotArea, std::move(area));
}

// The cache entry at or above the layer; rebuilt when there is none.
const std::vector<HollowItem>* InfillBase::roofEntry(const SliceConfig& s, int32_t layer,
                                                     int32_t& upperLayer) {
    auto it = roof_.entries.lower_bound(layer);
    if (it == roof_.entries.end()) {
        rebuildRoof(s, layer);
        it = roof_.entries.begin();
        if (it == roof_.entries.end()) return nullptr;
    }
    upperLayer = it->first;
    return &it->second;
}

// From the top of the reach down to the step layer above the requested
// one, each step layer's hollows from those of the step above. The top
// warm-up layers start from nothing and are not kept.
void InfillBase::rebuildRoof(const SliceConfig& s, int32_t layer) {
    int32_t top = layer - 1 + roofPreCalcCnt_ + roofLayers_ + zStep_;
    top -= top % zStep_;
    roof_.marker = top;
    roof_.entries.clear();
    // Start on a step layer: only step layers are linked to from below.
    int32_t u = std::min(top, job_.layers.layerCount() - 1);
    u -= u % zStep_;
    std::vector<HollowItem> scratch;
    const std::vector<HollowItem>* previous = &scratch;
    while (u > layer) {
        std::vector<HollowItem> items;
        for (const IslandRef& i : islandsOf(u)) {
            const Region& h = hollowArea(s, i, *previous, u + zStep_);
            items.push_back({i, h.paths, h.box});
        }
        // Keep the warmed-up layers, and always the lowest one: the layer
        // that asked inherits from it, even with no warm-up at all.
        if (u <= top - roofLayers_ || u - zStep_ <= layer) {
            previous = &(roof_.entries[u] = std::move(items));
        } else {
            scratch = std::move(items);
            previous = &scratch;
        }
        u -= zStep_;
    }
}

const Region& InfillBase::patternSlot(const IslandRef& i, slot_t slot, const SliceConfig& s) {
    if (auto it = window_.island(i).slots.find(slot); it != window_.island(i).slots.end()) return it->second;
    const Paths& fill = window_.fillArea(i).paths; // used up before the slot below goes in
    Paths hollow = fill.empty() ? Paths() : pattern(fill, s, i.layer, slot == slotCores);
    return window_.island(i).slots.set(slot, Region(std::move(hollow)));
}

const Region& InfillBase::hollowArea(const SliceConfig& s, const IslandRef& i,
                                     const std::vector<HollowItem>& upper, int32_t upperLayer) {
    if (auto it = window_.island(i).slots.find(slotHollow); it != window_.island(i).slots.end())
        return it->second;
    // The layer's own roof cache entry already holds its hollow.
    if (upperLayer == i.layer)
        for (const HollowItem& item : upper)
            if (item.island == i) return storeHollow(i, Region(item.paths));

    if (patternSlot(i, slotCells, s).paths.empty() || roofLayers_ == 0)
        return storeHollow(i, patternSlot(i, slotCells, s));
    // An island's slots share one vector: every slot read below (the cores,
    // and those the links and the fill area keep) is made before any is held
    // by reference.
    patternSlot(i, slotCores, s);
    window_.links(i);
    window_.fillArea(i);
    const Region& cells = window_.island(i).slots.at(slotCells);
    const bool keep = i.layer + roofLayers_ <= roof_.marker;
    Region work;
    if (!hollowByCells(s, i, upper, upperLayer, cells, work)) {
        const Paths widened = inheritedHollow(i, upper, upperLayer, cells.box);
        const Paths& cores = window_.island(i).slots.at(slotCores).paths;
        work = Region(roof_.clips.intersection(cells.paths, roof_.clips.unite(widened, cores)));
    }
    if (keep) return storeHollow(i, std::move(work));
    unstored_ = std::move(work);
    return unstored_;
}

// Slot 8 is final. A support island's cells are drawn nowhere, and a large
// support holds megabytes of them per layer: they go once the hollow is kept.
const Region& InfillBase::storeHollow(const IslandRef& i, Region hollow) {
    Island& island = window_.island(i);
    if (partType_ == part_type_t::support) {
        island.slots.erase(slotCells);
        island.slots.erase(slotCores);
    }
    return island.slots.set(slotHollow, std::move(hollow));
}

// The hollows of the linked islands above, grown by roofStep for every layer
// between: under a roof the cavity widens layer by layer going down.
Paths InfillBase::inheritedHollow(const IslandRef& i, const std::vector<HollowItem>& upper,
                                  int32_t upperLayer, const IntBox& cells) {
    const int32_t d = clampUnits(int64_t(upperLayer - i.layer) * roofStep_);
    const std::vector<IslandRef> links = window_.links(i);
    Paths out;
    for (const HollowItem& item : upper) {
        if (!std::binary_search(links.begin(), links.end(), item.island)) continue;
        if (d == 0) {
            if (boxesOverlap(item.box, cells)) out.insert(out.end(), item.paths.begin(), item.paths.end());
            continue;
        }
        if (!boxesOverlap(grownBox(item.box, d), cells)) continue;
        const Paths grown = roof_.clips.offsetSharpClean(item.paths, d, precision_, minArea_);
        out.insert(out.end(), grown.begin(), grown.end());
    }
    return out;
}

} // namespace Voxmill
