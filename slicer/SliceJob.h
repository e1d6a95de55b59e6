#pragma once
// The context of one job: settings, layers, images and the model box.

#include <QImage>

#include "config/SliceConfig.h"
#include "slicer/Geometry.h"
#include "slicer/LayerStore.h"

namespace Voxmill {

struct SliceJob {
    SliceConfig settings;
    LayerStore layers;
    QImage modelImage;    // 8-bit, current layer's model pixels
    QImage supportImage;  // 8-bit, current layer's support pixels
    QImage bitImage;      // 1-bit packing buffer for layer files
    QImage combinedImage; // wait time: model or support
    QImage combinedCopy;  // wait time: copy read while growing
    IntBox modelBox;      // widened by every model part added
};

} // namespace Voxmill
