#include "infill/LayerWindow.h"

#include <algorithm>

namespace Voxmill {

namespace {

// The smallest step layer above l, and the largest below it.
int32_t stepAbove(int32_t l, int32_t z) { return l + z - ((l + z) % z); }
int32_t stepBelow(int32_t l, int32_t z) { return l - ((l - 1 + z) % z) - 1; }

bool linksAny(const std::vector<IslandRef>& links, const std::vector<IslandRef>& targets) {
    for (const IslandRef& l : links)
        if (std::binary_search(targets.begin(), targets.end(), l)) return true;
    return false;
}

void append(Paths& to, const Paths& from) { to.insert(to.end(), from.begin(), from.end()); }

} // namespace

void LayerWindow::init(const LayerWindowParams& p) {
    p_ = p;
    minArea_ = minAreaOf(p.precision);
    innerMinArea_ = minAreaOf(p.innerPrecision);
}

Island& LayerWindow::island(const IslandRef& i) {
    return store_.layer(i.layer).parts.at(size_t(i.part)).islands.at(size_t(i.island));
}

Paths LayerWindow::cleanedInner(Paths paths) const {
    cleanPaths(paths, p_.innerPrecision, innerMinArea_);
    return paths;
}

const Region& LayerWindow::supportArea(const IslandRef& i) {
    Island& self = island(i);
    if (!self.slots.contains(slotSupportSource)) return self.slots.at(slotArea);
    if (auto it = self.slots.find(slotSupportArea); it != self.slots.end()) return it->second;
    Region area = self.slots.at(slotSupportSource);
    if (area.paths.empty()) return self.slots.set(slotSupportArea, std::move(area));

    Paths model;
    int32_t partsCut = 0;
    for (const LayerPart& part : store_.layer(i.layer).parts) {
        if (part.type != part_type_t::model || !boxesOverlap(part.box, area.box)) continue;
        bool cut = false;
        for (const Island& m : part.islands) {
            const Region& a = m.slots.at(slotArea);
            if (!boxesOverlap(a.box, area.box)) continue;
            append(model, a.paths);
            cut = true;
        }
        partsCut += cut ? 1 : 0;
    }
    cleanPaths(model, p_.precisionOuter, minArea_);
    // Models may overlap one another: cut by their union, or the even-odd
    // difference would leave support where two models overlap.
    if (partsCut > 1) model = unionPaths(model);
    Paths cut = differencePaths(area.paths, model);
    cut = offsetIslands(cut, -(p_.precision / 4), p_.precision, minArea_);
    cut = offsetClean(cut, p_.precisionOuter / 2, p_.precisionOuter, minArea_);
    return island(i).slots.set(slotSupportArea, Region(std::move(cut)));
}

const Region& LayerWindow::innerArea(const IslandRef& i) {
    {
        Island& self = island(i);
        if (auto it = self.slots.find(slotInner); it != self.slots.end()) return it->second;
    }
    Paths inner = supportArea(i).paths;
    if (!inner.empty())
        inner = offsetIslands(cleanedInner(std::move(inner)), -p_.shell, p_.innerPrecision, innerMinArea_);
    return island(i).slots.set(slotInner, Region(std::move(inner)));
}

const Region& LayerWindow::coveredAbove(const IslandRef& i) {
    Island& self = island(i);
    const bool stored = self.slots.contains(slotCoveredAbove);
    if (!stored || !self.linksKnown) findCoveredAbove(i, !stored);
    return island(i).slots.at(slotCoveredAbove);
}

const std::vector<IslandRef>& LayerWindow::links(const IslandRef& i) {
    if (!island(i).linksKnown) coveredAbove(i);
    return island(i).links;
}

// Links i to every island of its type on the next step layer above whose
// inner area overlaps i's; with keepSlot, slot 4 becomes the union of the
// overlaps (empty for a model island in the bottom skin of the job, and for
// any island in its top skin).
void LayerWindow::findCoveredAbove(const IslandRef& i, bool keepSlot) {
    const int32_t count = store_.layerCount();
    const int32_t up = stepAbove(i.layer, p_.zStep);
    std::vector<IslandRef> links;
    Paths pieces;
    const Region& inner = innerArea(i); // only other islands' slots are added below
    if (up < count && !inner.paths.empty()) {
        const Layer& above = store_.layer(up);
        for (int32_t p = 0; p < int32_t(above.parts.size()); ++p) {
            const LayerPart& part = above.parts[size_t(p)];
            if (part.type != p_.partType || !boxesOverlap(part.box, inner.box)) continue;
            for (int32_t k = 0; k < int32_t(part.islands.size()); ++k) {
                const IslandRef j{up, p, k};
                const Region& other = innerArea(j);
                if (!boxesOverlap(other.box, inner.box)) continue;
                Paths piece = cleanedInner(intersectPaths(inner.paths, other.paths));
                if (piece.empty()) continue;
                append(pieces, piece);
                links.push_back(j); // parts and islands in order: sorted
            }
        }
    }
    Island& self = island(i);
    self.links = std::move(links);
    self.linksKnown = true;
    if (!keepSlot) return;
    const bool inSkin =
        (p_.partType != part_type_t::support && i.layer < p_.bottomLayers) || i.layer + p_.topLayers >= count;
    self.slots.set(slotCoveredAbove, Region(inSkin || pieces.empty() ? Paths() : unionPaths(pieces)));
}

const Region& LayerWindow::fillArea(const IslandRef& i) {
    {
        Island& self = island(i);
        if (auto it = self.slots.find(slotFill); it != self.slots.end()) return it->second;
    }
    Paths fill = coveredAbove(i).paths;
    if (!fill.empty()) fill = narrowToSkins(i, std::move(fill));
    return island(i).slots.set(slotFill, Region(std::move(fill)));
}

Paths LayerWindow::narrowToSkins(const IslandRef& i, Paths fill) {
    const int32_t l = i.layer, z = p_.zStep, count = store_.layerCount();

    // Up the links through the top skin: every step layer there must cover.
    std::vector<Level> up{links(i)};
    const int32_t upCount = (z / 2 - l + std::min(count - 1, l + p_.topLayers)) / z;
    while (int32_t(up.size()) < upCount) up.push_back(linksOf(up.back()));
    for (size_t n = up.size(); n-- > 1;)
        if (!cutByLevel(up[n], fill)) return {};

    if (p_.bottomLayers == 0 || (p_.partType != part_type_t::support && l < p_.bottomLayers)) return fill;
    const int32_t below = stepBelow(l, z);
    if (below < 0) return fill;

    // The step layer below: the islands that link to this one (or to the
    // same islands above it) and the part of the fill area they hold.
    std::vector<Level> down(1);
    fill = holdFromBelow(i, below, fill, down[0]);
    if (fill.empty()) return fill;

    // Further down through the bottom skin, along the links.
    const int32_t downCount = (z / 2 - std::max(0, l - p_.bottomLayers) + l) / z;
    for (int32_t layer = below; int32_t(down.size()) < downCount; layer -= z) {
        if (down.back().empty() || layer < z) break;
        down.push_back(linkedFrom(layer - z, down.back()));
    }
    for (size_t n = down.size(); n-- > 1;)
        if (!cutByLevel(down[n], fill)) return {};
    return fill;
}

LayerWindow::Level LayerWindow::linksOf(const Level& level) {
    Level next;
    for (const IslandRef& j : level) {
        const std::vector<IslandRef>& l = links(j);
        next.insert(next.end(), l.begin(), l.end());
    }
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    return next;
}

LayerWindow::Level LayerWindow::linkedFrom(int32_t layer, const Level& level) {
    Level next;
    const Layer& l = store_.layer(layer);
    for (int32_t p = 0; p < int32_t(l.parts.size()); ++p) {
        if (l.parts[size_t(p)].type != p_.partType) continue;
        for (int32_t k = 0; k < int32_t(l.parts[size_t(p)].islands.size()); ++k) {
            const IslandRef j{layer, p, k};
            if (linksAny(links(j), level)) next.push_back(j);
        }
    }
    return next;
}

Paths LayerWindow::holdFromBelow(const IslandRef& i, int32_t below, const Paths& fill, Level& level0) {
    // On a step layer the islands below link to this island itself;
    // between step layers they link to the islands this one links to.
    const std::vector<IslandRef> own = links(i);
    const Level targets = !own.empty() && own.front().layer == i.layer + p_.zStep ? Level{i} : own;
    const IntBox fillBox = pathsBox(fill);
    Paths pieces;
    const Layer& l = store_.layer(below);
    for (int32_t p = 0; p < int32_t(l.parts.size()); ++p) {
        if (l.parts[size_t(p)].type != p_.partType) continue;
        for (int32_t k = 0; k < int32_t(l.parts[size_t(p)].islands.size()); ++k) {
            const IslandRef j{below, p, k};
            const bool takesPart =
                targets.empty() ? boxesOverlap(innerArea(j).box, fillBox) : linksAny(links(j), targets);
            if (!takesPart) continue;
            Paths piece = cleanedInner(intersectPaths(innerArea(j).paths, fill));
            if (piece.empty()) continue;
            append(pieces, piece);
            level0.push_back(j);
        }
    }
    return pieces.empty() ? Paths() : unionPaths(pieces);
}

// Cuts fill to the inner areas of the level's islands that reach its box;
// false when nothing is left.
bool LayerWindow::cutByLevel(const Level& level, Paths& fill) {
    const IntBox fillBox = pathsBox(fill);
    Paths cover;
    int32_t parts = 0, lastPart = -1;
    for (const IslandRef& j : level) {
        const Region& inner = innerArea(j);
        if (!boxesOverlap(inner.box, fillBox)) continue;
        append(cover, inner.paths);
        if (j.part != lastPart) ++parts;
        lastPart = j.part;
    }
    if (cover.empty()) {
        fill.clear();
        return false;
    }
    // Islands of different parts (overlapping models) must not cancel in
    // the even-odd intersection.
    if (parts > 1) cover = unionPaths(cover);
    fill = cleanedInner(intersectPaths(fill, cover));
    return !fill.empty();
}

} // namespace Voxmill
