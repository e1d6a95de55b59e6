#pragma once
// The context of one job: settings, layers and the model box. Images belong
// to the image thread, which alone draws into them.

#include <cstdint>

#include "config/SliceConfig.h"
#include "slicer/GeneratorState.h"
#include "slicer/Geometry.h"
#include "slicer/LayerStore.h"

namespace Voxmill {

struct SliceJob {
    SliceConfig settings;
    LayerStore layers;
    IntBox modelBox;           // widened by every model part added
    GeneratorState generators; // what the generators carry from layer to layer
    int32_t workers = 1;       // threads the slice and image stages may keep busy
};

} // namespace Voxmill
