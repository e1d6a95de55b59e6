#pragma once
// Adding sliced contours to layers, and carrying walls into the raft.

#include <cstdint>

#include "slicer/SliceJob.h"

namespace Voxmill {

// A part of type t holding the islands of paths in slot s; an empty path set
// still makes a part. It touches nothing else, so any thread may make one.
LayerPart makePart(const Paths& paths, part_type_t t, slot_t slot);
// Appends part to layer n; a model part widens the job's model box.
void addPart(SliceJob& job, int32_t n, LayerPart&& part);
// Both of the above.
void addPart(SliceJob& job, int32_t n, const Paths& paths, part_type_t t, slot_t slot);

// Layers 0..F-1 take layer F's thickness and a copy of each of its wall parts.
void extendRaftLayers(SliceJob& job, int32_t firstModelLayer);

} // namespace Voxmill
