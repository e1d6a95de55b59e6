#pragma once
// The layer counts of the three lattice generators (model infill, post and
// grid support), derived once from the settings in single precision. The
// generators' set-up and the window plan of the job read the same numbers.

#include <cstdint>

#include "config/SliceConfig.h"

namespace Voxmill {

struct LatticeLayers {
    int32_t zStep;          // layer step of the hollow structure, at least 1
    int32_t topLayers;      // solid skin under a roof
    int32_t bottomLayers;   // solid skin over a floor
    int32_t roofLayers;     // layers over which a cell closes under a roof; 0 turns the gradient off
    int32_t roofPreCalcCnt; // warm-up layers of the roof cache
};

LatticeLayers infillLattice(const SliceConfig& c);
LatticeLayers postLattice(const SliceConfig& c);
LatticeLayers gridLattice(const SliceConfig& c);

// truncate(max(1, z / layerHeight)): the step of a structure whose z
// precision is z millimetres.
int32_t stepLayers(float zMm, float layerHeight);

} // namespace Voxmill
