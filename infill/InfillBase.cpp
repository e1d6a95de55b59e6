#include "infill/InfillBase.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Voxmill {

namespace {

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

IntBox clipBox(const IntBox& b, const IntBox& limit) {
    return {std::max(b.minX, limit.minX), std::max(b.minY, limit.minY), std::min(b.maxX, limit.maxX),
            std::min(b.maxY, limit.maxY)};
}

int32_t clampUnits(int64_t v) {
    return int32_t(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

} // namespace

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
    : job_(job), window_(job.layers), roof_(roof), partType_(partType) {}

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

namespace {

int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// The cells n, in [first, last], whose copy [lo + n p + origin, hi + n p +
// origin] of a shape spanning [lo, hi] meets [qLo - margin, qHi + margin].
void cellsMeeting(int64_t qLo, int64_t qHi, int64_t lo, int64_t hi, int64_t origin, int64_t p, int64_t margin,
                  int64_t& first, int64_t& last) {
    first = std::max(first, -floorDiv(hi + origin - qLo + margin, p));
    last = std::min(last, floorDiv(qHi + margin - origin - lo, p));
}

} // namespace

Paths InfillBase::tile(const Paths& shape, const Paths& region, int64_t margin) const {
    const IntBox area = pathsBox(region);
    if (shape.empty() || area.empty() || period_ <= 0) return {};
    const IntBox b = clipBox(area, tileLimit_);
    if (b.empty()) return {};
    const int64_t p = period_, half = p / 2;
    const int64_t i0 = (b.minX - originX_ - half) / p, i1 = (b.maxX - originX_ + half) / p;
    const int64_t j0 = (b.minY - originY_ - half) / p, j1 = (b.maxY - originY_ + half) / p;
    if (i1 < i0 || j1 < j0) return {};
    // A cell whose copy lies clear of every contour's box (by margin) cannot
    // touch the region: Clipper is spared its edges. Marked per contour, so a
    // region of scattered islands costs its islands, not its whole box.
    const int64_t ni = i1 - i0 + 1, nj = j1 - j0 + 1;
    std::vector<uint8_t> near(size_t(ni * nj), 0);
    const IntBox s = pathsBox(shape);
    for (const Path& path : region) {
        const IntBox q = pathBox(path);
        if (q.empty()) continue;
        int64_t a0 = i0, a1 = i1, c0 = j0, c1 = j1;
        cellsMeeting(q.minX, q.maxX, s.minX, s.maxX, originX_, p, margin, a0, a1);
        cellsMeeting(q.minY, q.maxY, s.minY, s.maxY, originY_, p, margin, c0, c1);
        for (int64_t i = a0; i <= a1 && c0 <= c1; ++i)
            std::fill_n(near.begin() + (i - i0) * nj + (c0 - j0), c1 - c0 + 1, 1);
    }
    Paths tiles;
    for (int64_t i = i0; i <= i1; ++i)
        for (int64_t j = j0; j <= j1; ++j) {
            if (!near[size_t((i - i0) * nj + (j - j0))]) continue;
            const int64_t dx = i * p + originX_, dy = j * p + originY_;
            for (const Path& path : shape) {
                tiles.emplace_back(path);
                for (IntPoint& pt : tiles.back()) {
                    pt.X += dx;
                    pt.Y += dy;
                }
            }
        }
    return tiles;
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
            Region h = hollowArea(s, i, *previous, u + zStep_);
            items.push_back({i, std::move(h.paths), h.box});
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

Region InfillBase::hollowArea(const SliceConfig& s, const IslandRef& i, const std::vector<HollowItem>& upper,
                              int32_t upperLayer) {
    if (auto it = window_.island(i).slots.find(slotHollow); it != window_.island(i).slots.end())
        return it->second;
    // The layer's own roof cache entry already holds its hollow.
    if (upperLayer == i.layer)
        for (const HollowItem& item : upper)
            if (item.island == i) return storeHollow(i, Region(item.paths));

    const Region cells = patternSlot(i, slotCells, s);
    if (cells.paths.empty() || roofLayers_ == 0) return storeHollow(i, cells);
    Paths widened = inheritedHollow(i, upper, upperLayer, cells.box);
    const Paths& cores = patternSlot(i, slotCores, s).paths;
    Region work(intersectPaths(cells.paths, unionPaths(widened, cores)));
    if (i.layer + roofLayers_ <= roof_.marker) storeHollow(i, work);
    return work;
}

// Slot 8 is final. A support island's cells are drawn nowhere, and a large
// support holds megabytes of them per layer: they go once the hollow is kept.
Region InfillBase::storeHollow(const IslandRef& i, Region hollow) {
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
        Paths grown = offsetPathsSharp(item.paths, d);
        cleanPaths(grown, precision_, minArea_);
        out.insert(out.end(), grown.begin(), grown.end());
    }
    return out;
}

} // namespace Voxmill
