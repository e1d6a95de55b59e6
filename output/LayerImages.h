#pragma once
// The model and support images of one layer, as the fill mode asks:
//
//   infill off or rectGrid  model: model parts         support: support parts
//   support                 model: model parts         support: support parts
//                                                      and the model's slot 6
//   supportGrid             model: slot 0 minus slot 5 support: support parts
//                                                      and slot 5 minus slot 8
//
// A part's area is its islands' slot 0 with slot 8 cut out; "minus" is a
// reversed slot that becomes a hole under the non-zero union.

#include <cstdint>

#include <QImage>

#include "config/SliceConfig.h"
#include "output/Poly2Img.h"
#include "slicer/Layer.h"

namespace Voxmill {

struct ImageRows {
    RowSpan model, support; // rows that may hold non-zero bytes
};

// Paints layer k into both images, which the caller has cleared; returns
// the rows painted.
ImageRows drawLayerImages(const SliceConfig& s, Poly2Img& painter, const Layer& layer, int32_t k,
                          QImage& model, QImage& support);

} // namespace Voxmill
