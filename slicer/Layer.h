#pragma once
// Layer records: a layer is a stack of parts, a part a list of islands, an
// island a sorted map of numbered slot regions (slot 0 is the sliced area).

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "model/ModelSpec.h"
#include "slicer/Geometry.h"

namespace Voxmill {

struct Region {
    Paths paths;
    IntBox box;
    Region() = default;
    explicit Region(Paths p) : paths(std::move(p)), box(pathsBox(paths)) {}
    void setPaths(Paths p) {
        paths = std::move(p);
        box = pathsBox(paths);
    }
};

// A small map kept as a vector sorted by key (few entries, binary search).
template <class K, class T> class FlatMap {
public:
    using value_type = std::pair<K, T>;
    using iterator = typename std::vector<value_type>::iterator;
    using const_iterator = typename std::vector<value_type>::const_iterator;

    const_iterator find(const K& k) const {
        auto it = lowerBound(k);
        return it != items_.end() && it->first == k ? it : items_.end();
    }
    iterator find(const K& k) {
        auto it = lowerBound(k);
        return it != items_.end() && it->first == k ? it : items_.end();
    }
    bool contains(const K& k) const { return find(k) != items_.end(); }
    T& at(const K& k) {
        auto it = find(k);
        if (it == items_.end()) throw std::runtime_error("invalid FlatMap<K, T> key.");
        return it->second;
    }
    const T& at(const K& k) const {
        auto it = find(k);
        if (it == items_.end()) throw std::runtime_error("invalid FlatMap<K, T> key.");
        return it->second;
    }
    // Inserts or replaces.
    T& set(const K& k, T value) {
        auto it = lowerBound(k);
        if (it != items_.end() && it->first == k) {
            it->second = std::move(value);
            return it->second;
        }
        return items_.insert(it, value_type(k, std::move(value)))->second;
    }
    void erase(const K& k) {
        auto it = find(k);
        if (it != items_.end()) items_.erase(it);
    }
    void clear() { items_.clear(); }
    size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

private:
    iterator lowerBound(const K& k) {
        return std::lower_bound(items_.begin(), items_.end(), k,
                                [](const value_type& a, const K& key) { return a.first < key; });
    }
    const_iterator lowerBound(const K& k) const {
        return std::lower_bound(items_.begin(), items_.end(), k,
                                [](const value_type& a, const K& key) { return a.first < key; });
    }
    std::vector<value_type> items_;
};

// An island by its place in the job: layer, part of the layer, island of the
// part. Islands keep their place while the layer store writes them out and
// reads them back (a part's island list is never resized once made), so a
// reference stays good where an address would not; and ordering by place
// makes every walk over islands, and so every Clipper input, the same in
// every run.
struct IslandRef {
    int32_t layer, part, island;
    bool operator==(const IslandRef& o) const {
        return layer == o.layer && part == o.part && island == o.island;
    }
    bool operator<(const IslandRef& o) const {
        if (layer != o.layer) return layer < o.layer;
        return part != o.part ? part < o.part : island < o.island;
    }
};

// The numbered slots of an island. Slot 0 is what the slicer (or, for support
// islands, the support generator) made; the others are derived areas the
// infill and support generators compute once and keep. Only these nine
// survive the layer store.
enum slot_t : int32_t {
    slotArea = 0,          // the island's area as sliced; a support island's printed support
    slotSupportSource = 1, // a support island's projected area
    slotSupportArea = 2,   // a support island's area with the model cut away
    slotInner = 3,         // the area inset by the shell
    slotCoveredAbove = 4,  // the inner area that the next step layer above covers
    slotFill = 5,          // the covered area within the top and bottom skins
    slotCells = 6,         // full lattice cells inside the fill area
    slotCores = 7,         // core cells inside the fill area
    slotHollow = 8,        // what is left unprinted: cut out of slot 0 when drawn
};
constexpr int32_t storedSlotCount = 9;

struct Island {
    FlatMap<int32_t, Region> slots;
    // The islands of the next step layer above that overlap this one, sorted
    // and without repeats. Not kept by the layer store: linksKnown tells
    // whether they were found since the island was (re)loaded.
    std::vector<IslandRef> links;
    bool linksKnown = false;
};

struct LayerPart {
    part_type_t type = part_type_t::model;
    std::vector<Island> islands;
    IntBox box;
};

struct Layer {
    int64_t thickness = 0;
    std::vector<LayerPart> parts;
};

// Appends a copy of each path of the island's slot (point order reversed when
// asked) to out; nothing when the island has no such slot.
void collectSlot(const Island& island, slot_t slot, bool reversed, Paths& out);

} // namespace Voxmill
