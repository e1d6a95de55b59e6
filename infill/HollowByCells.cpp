// The hollow of an island cell by cell: the roof gradient's offsets, union
// and intersection clip only the outline and the cells near it, and every
// other cell takes the hollow that the same steps give a lone cell in the
// same state.

#include <algorithm>

#include "infill/InfillBase.h"

namespace Voxmill {

namespace {

constexpr int32_t noKind = -1;

// Per cell of the range, the index of the path that is a copy of kind there
// (or none), for the cells whose place is inside.
std::vector<int64_t> findCopies(const Lattice& l, const CellRange& r, const std::vector<CellPlace>& places,
                                const Paths& paths, const Path& kind) {
    std::vector<int64_t> at(r.size(), -1);
    int64_t i = 0, j = 0;
    for (size_t n = 0; n < paths.size(); ++n)
        if (isCellCopy(l, paths[n], kind, i, j) && r.contains(i, j) &&
            places[r.index(i, j)] == CellPlace::inside && at[r.index(i, j)] < 0)
            at[r.index(i, j)] = int64_t(n);
    return at;
}

// The path an offset takes its orientation from: the polygon library turns
// every path round when the one with the lowest point (the largest y, then
// the smallest x) runs clockwise.
size_t lowestPath(const Paths& paths) {
    size_t low = paths.size();
    IntPoint best;
    for (size_t n = 0; n < paths.size(); ++n)
        for (const IntPoint& p : paths[n])
            if (low == paths.size() || p.Y > best.Y || (p.Y == best.Y && p.X < best.X)) {
                low = n;
                best = p;
            }
    return low;
}

Paths without(const Paths& paths, const std::vector<uint8_t>& taken) {
    Paths out;
    out.reserve(paths.size());
    for (size_t n = 0; n < paths.size(); ++n)
        if (!taken[n]) out.push_back(paths[n]);
    return out;
}

} // namespace

bool InfillBase::withinZone(const IntBox& b, int64_t grow) const {
    const int64_t half = period_ / 2 - 1 - grow;
    return !b.empty() && b.minX >= -half && b.minY >= -half && b.maxX <= half && b.maxY <= half;
}

int32_t InfillBase::kindOf(const Path& contour) {
    std::vector<Path>& kinds = roof_.cellKinds.contours;
    for (size_t k = 0; k < kinds.size(); ++k)
        if (kinds[k] == contour) return int32_t(k);
    kinds.push_back(contour);
    return int32_t(kinds.size() - 1);
}

// The form a copy of shape alone inside the region (holes) or alone (cells)
// takes through the polygon library, about the cell centre; none when the
// shape is not one contour within its zone.
int32_t InfillBase::loneKind(const Paths& shape, bool holes) {
    if (shape.size() != 1 || period_ <= 0 || !withinZone(pathsBox(shape), 0)) return noKind;
    const Paths big = centredSquare(2 * period_);
    const Paths lone = holes ? differencePaths(big, shape) : intersectPaths(big, shape);
    int32_t kind = noKind;
    for (const Path& c : lone) {
        if (!withinZone(pathBox(c), 0)) continue;
        if (kind != noKind) return noKind;
        kind = kindOf(c);
    }
    return kind;
}

// The hollow of one inside cell, from a lone cell in the same state: the
// region around it hollow (holes) or not (cells), the upper hollow around it
// or not (covered) with its own contour there, the cell's full and core
// contours. It fits when nothing of it reaches out of the cell's zone, so
// that no neighbour could meet it.
const CellHollow& InfillBase::cellHollow(const std::array<int64_t, 6>& key) {
    auto found = roof_.cellKinds.hollows.find(key);
    if (found != roof_.cellKinds.hollows.end()) return found->second;
    const bool holes = key[0] != 0, covered = key[3] != 0;
    const int32_t d = int32_t(key[1]), upperKind = int32_t(key[2]), full = int32_t(key[4]),
                  core = int32_t(key[5]);
    const std::vector<Path> kinds = roof_.cellKinds.contours; // kindOf below may grow the list
    const Paths big = centredSquare(2 * period_);
    Paths upper = covered ? centredSquare(3 * period_) : Paths();
    if (upperKind != noKind) upper.push_back(kinds[size_t(upperKind)]);
    Paths inherited = upper;
    if (d != 0 && !upper.empty()) {
        inherited = offsetPathsSharp(upper, d);
        cleanPaths(inherited, precision_, minArea_);
    }
    Paths cells = holes ? big : Paths(), cores = holes ? big : Paths();
    cells.push_back(kinds[size_t(full)]);
    if (core != noKind) cores.push_back(kinds[size_t(core)]);
    CellHollow result;
    // Alone, a clockwise contour above would turn the offset round: in a
    // layer the outline around it decides, so only a covered one is known.
    result.fits = covered || upperKind == noKind || pathsArea({kinds[size_t(upperKind)]}) >= 0;
    for (const Path& c : inherited)
        if (pathBox(c).maxX < period_ && !withinZone(pathBox(c), 0)) result.fits = false;
    for (const Path& c : intersectPaths(cells, unionPaths(inherited, cores))) {
        const IntBox b = pathBox(c);
        if (withinZone(b, 0))
            result.kinds.push_back(kindOf(c));
        else if (b.maxX < period_)
            result.fits = false; // neither the cell's own nor the surrounding contour
    }
    return roof_.cellKinds.hollows[key] = result;
}

// The hollow of the island as the pipeline makes it (slot 6 cut by the
// inherited hollow and the cores), clipping only what lies along an outline:
// the fill area's, or an upper hollow's that does not come as lone cell
// contours. False when the layer's patterns are not lattices of lone cells.
bool InfillBase::hollowByCells(const SliceConfig& s, const IslandRef& i, const std::vector<HollowItem>& upper,
                               int32_t upperLayer, const Region& cells, Region& out) {
    if (clipWhole_ || job_.generators.wholeLattice) return false;
    const LatticeCut fullCut = cut(s, i.layer, false, true), coreCut = cut(s, i.layer, true, true);
    const bool holes = fullCut.op == LatticeCut::Op::holes;
    if (!holes && (fullCut.op != LatticeCut::Op::cells || cellsRoofWhole_)) return false;
    if (coreCut.op != fullCut.op) return false;
    const int32_t full = loneKind(*fullCut.shape, holes);
    const int32_t core = coreCut.shape->empty() ? noKind : loneKind(*coreCut.shape, holes);
    if (full == noKind || (core == noKind && !coreCut.shape->empty())) return false;

    const Lattice l = lattice();
    const int32_t d = clampUnits(int64_t(upperLayer - i.layer) * roofStep_);
    const std::vector<IslandRef> links = window_.links(i);
    std::vector<CellPlace> places;
    CellRange r;
    {
        const Paths& fill = window_.fillArea(i).paths;
        r = tilingRange(l, pathsBox(fill));
        if (r.empty()) return false;
        places = placeCells(l, r, fill, 0);
    }
    const Paths& coreSlot = patternSlot(i, slotCores, s).paths;
    const std::vector<Path>& kinds = roof_.cellKinds.contours;
    const std::vector<int64_t> fullAt = findCopies(l, r, places, cells.paths, kinds[size_t(full)]);
    const std::vector<int64_t> coreAt =
        core == noKind ? std::vector<int64_t>() : findCopies(l, r, places, coreSlot, kinds[size_t(core)]);

    // The upper items the inherited hollow takes, and their lone cell contours.
    std::vector<const HollowItem*> items;
    for (const HollowItem& item : upper) {
        if (!std::binary_search(links.begin(), links.end(), item.island)) continue;
        if (boxesOverlap(d == 0 ? item.box : grownBox(item.box, d), cells.box)) items.push_back(&item);
    }
    std::vector<int64_t> upperAt(r.size(), -1); // item * 2^32 + path, or -2 for two
    std::vector<int32_t> upperKind(r.size(), noKind);
    std::vector<std::vector<uint8_t>> taken(items.size());
    // Offsetting grows an outer contour by d and shrinks a hole: a kind is
    // known above when what it becomes stays in its zone.
    std::vector<uint8_t> known(kinds.size());
    for (size_t k = 0; k < kinds.size(); ++k)
        known[k] = withinZone(pathBox(kinds[k]), pathsArea({kinds[k]}) < 0 ? 0 : d);
    Paths outline;
    for (size_t n = 0; n < items.size(); ++n) {
        taken[n].assign(items[n]->paths.size(), 0);
        // The item's offset turns on its lowest path: that path stays with the
        // outline, and an item turned round keeps every path there.
        const size_t low = lowestPath(items[n]->paths);
        const bool turned = low < items[n]->paths.size() && pathsArea({items[n]->paths[low]}) < 0;
        for (size_t p = 0; p < items[n]->paths.size(); ++p) {
            const Path& path = items[n]->paths[p];
            int64_t ci = 0, cj = 0;
            int32_t kind = noKind;
            for (size_t k = 0; k < kinds.size() && kind == noKind && !turned && p != low; ++k)
                if (known[k] && isCellCopy(l, path, kinds[k], ci, cj) && r.contains(ci, cj))
                    kind = int32_t(k);
            if (kind == noKind) {
                outline.push_back(path);
                continue;
            }
            const size_t c = r.index(ci, cj);
            upperAt[c] = upperAt[c] == -1 ? int64_t(n << 32 | p) : -2;
            upperKind[c] = kind;
        }
    }
    const std::vector<CellPlace> above = placeCells(l, r, outline, d);

    std::vector<uint8_t> fullTaken(cells.paths.size(), 0), coreTaken(coreSlot.size(), 0);
    Paths lone;
    for (int64_t ci = r.i0; ci <= r.i1; ++ci)
        for (int64_t cj = r.j0; cj <= r.j1; ++cj) {
            const size_t c = r.index(ci, cj);
            if (fullAt[c] < 0 || (core != noKind && coreAt[c] < 0)) continue;
            if (above[c] == CellPlace::touched || upperAt[c] == -2) continue;
            const int32_t kind = upperAt[c] >= 0 ? upperKind[c] : noKind;
            const CellHollow& h = cellHollow({holes, d, kind, above[c] == CellPlace::inside, full, core});
            if (!h.fits) continue;
            fullTaken[size_t(fullAt[c])] = 1;
            if (core != noKind) coreTaken[size_t(coreAt[c])] = 1;
            if (upperAt[c] >= 0) taken[size_t(upperAt[c] >> 32)][size_t(upperAt[c] & 0xffffffff)] = 1;
            for (int32_t k : h.kinds) appendMoved(kinds[size_t(k)], cellCentre(l, ci, cj), lone);
        }

    Paths inherited;
    for (size_t n = 0; n < items.size(); ++n) {
        Paths rest = without(items[n]->paths, taken[n]);
        if (d != 0 && !rest.empty()) rest = roof_.clips.offsetSharpClean(rest, d, precision_, minArea_);
        inherited.insert(inherited.end(), rest.begin(), rest.end());
    }
    Paths work = roof_.clips.intersection(without(cells.paths, fullTaken),
                                          roof_.clips.unite(inherited, without(coreSlot, coreTaken)));
    work.insert(work.end(), std::make_move_iterator(lone.begin()), std::make_move_iterator(lone.end()));
    out = Region(std::move(work));
    return true;
}

} // namespace Voxmill
