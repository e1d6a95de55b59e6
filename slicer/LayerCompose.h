#pragma once
// Adding sliced contours to layers, and carrying walls into the raft.

#include <cstdint>

#include "slicer/SliceJob.h"

namespace Voxmill {

// Appends a part of type t to layer n holding the islands of paths in slot s;
// a model part widens the job's model box. An empty path set still adds a part.
void addPart(SliceJob& job, int32_t n, const Paths& paths, part_type_t t, slot_t slot);

// Layers 0..F-1 take layer F's thickness and a copy of each of its wall parts.
void extendRaftLayers(SliceJob& job, int32_t firstModelLayer);

} // namespace Voxmill
