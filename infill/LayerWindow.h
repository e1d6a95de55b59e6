#pragma once
// The derived areas of an island that decide where a hollow may go, each
// computed on first demand and kept in the island's slots:
//
//   slot 2  supportArea   a support island's area with the model cut away
//                         (a model island's area is its slot 0)
//   slot 3  innerArea     the area inset by the shell
//   slot 4  coveredAbove  the part of the inner area that the inner areas of
//                         the overlapping islands of the next step layer
//                         above cover; finds those islands (the links)
//   slot 5  fillArea      slot 4 further cut to what every step layer within
//                         the top skin above and the bottom skin below
//                         covers, following the links up and down
//
// Step layers are the multiples of zStep: the hollow structure is compared
// with its neighbours only there. Layers are read through the layer store;
// every layer the walks reach must be inside its window.
//
// A returned region lives in its island's slot map: it stays valid until
// another slot of the same island is inserted, so callers look a slot up
// again after computing another one.

#include <cstdint>
#include <vector>

#include "slicer/Layer.h"
#include "slicer/LayerStore.h"

namespace Voxmill {

struct LayerWindowParams {
    int32_t precision;      // units: cleaning of the support area
    int32_t precisionOuter; // units: cleaning against the model
    int32_t innerPrecision; // units: cleaning of the inner areas
    int32_t zStep;          // layers, at least 1
    int32_t shell;          // units
    int32_t topLayers, bottomLayers;
    part_type_t partType; // the islands it links and walks
};

class LayerWindow {
public:
    explicit LayerWindow(LayerStore& store) : store_(store) {}
    void init(const LayerWindowParams& p);

    const Region& supportArea(const IslandRef& i);
    const Region& innerArea(const IslandRef& i);
    const Region& coveredAbove(const IslandRef& i);
    const Region& fillArea(const IslandRef& i);

    // The island's links, found first when they are not known (after the
    // layer store read the island back, its slot 4 is there but its links are not).
    const std::vector<IslandRef>& links(const IslandRef& i);

    Island& island(const IslandRef& i);
    LayerStore& store() { return store_; }
    const LayerWindowParams& params() const { return p_; }

private:
    using Level = std::vector<IslandRef>;

    void findCoveredAbove(const IslandRef& i, bool keepSlot);
    Paths narrowToSkins(const IslandRef& i, Paths fill);
    Level linksOf(const Level& level);
    Level linkedFrom(int32_t layer, const Level& level);
    Paths holdFromBelow(const IslandRef& i, int32_t below, const Paths& fill, Level& level0);
    bool cutByLevel(const Level& level, Paths& fill);
    Paths cleanedInner(Paths paths) const;

    LayerStore& store_;
    LayerWindowParams p_{};
    double minArea_ = 0, innerMinArea_ = 0;
};

// (p * p) / 2 in integers: the smallest area kept when cleaning with precision p.
inline double minAreaOf(int32_t p) { return double((int64_t(p) * p) / 2); }

} // namespace Voxmill
