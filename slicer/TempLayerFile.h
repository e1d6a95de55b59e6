#pragma once
// The islands of one layer as the bytes of its temporary file: per part an
// island count, per island slots 0 to 8, per slot a path count, the region's
// box and the paths; all integers 32-bit little-endian. Part types and boxes
// stay in memory and are not written.

#include "slicer/Layer.h"
#include "slicer/LayerFileBuffer.h"

namespace Voxmill {

// Fills buf with the islands of every part and frees them, leaving each part
// without islands. A layer without parts gives no bytes.
void storeLayerIslands(Layer& layer, LayerFileBuffer& buf);

// Gives every part of the layer the islands read from buf. Slots come back
// only when they held paths; links do not come back. Throws
// "load buffer out of range." when buf ends early or a count cannot fit in it.
void loadLayerIslands(Layer& layer, LayerFileBuffer& buf);

} // namespace Voxmill
