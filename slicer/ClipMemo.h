#pragma once
// Results of polygon operations, found again when a later layer hands in the
// same inputs. Support under a flat part repeats its layers with the
// lattice's period: the same region, the same cells along its outline, the
// same roof offset. The polygon library is deterministic, so a result kept
// for inputs equal point for point is the result, and costs a copy instead of
// a clipping pass over the outline. Kept in the job, oldest dropped first.

#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>

#include "slicer/Geometry.h"

namespace Voxmill {

class ClipMemo {
public:
    Paths difference(const Paths& a, const Paths& b);
    Paths intersection(const Paths& a, const Paths& b);
    Paths unite(const Paths& a, const Paths& b);
    // offsetPathsSharp, then cleanPaths.
    Paths offsetSharpClean(const Paths& a, int32_t delta, int32_t tolerance, double minArea);

    // Disabled, every call clips afresh and nothing is kept.
    void setEnabled(bool on) { enabled_ = on; }
    size_t hits() const { return hits_; }
    size_t keptPoints() const { return points_; }

private:
    using Params = std::array<int64_t, 4>; // operation, offset, tolerance, minimum area bits
    struct Entry {
        size_t hash;
        Params params;
        Paths a, b, result;
        size_t points;
    };
    Paths recall(const Params& params, const Paths& a, const Paths& b, const std::function<Paths()>& make);
    void dropOldest();

    std::list<Entry> entries_; // oldest first
    std::unordered_multimap<size_t, std::list<Entry>::iterator> byHash_;
    size_t points_ = 0;
    size_t hits_ = 0;
    bool enabled_ = true;
};

} // namespace Voxmill
