#pragma once
// Where support is needed. Walking the layers from the top down, the
// projector first shears the layer's model islands by prepOfs.angle (the
// pre-offset), then carries everything above straight down: every point
// under some model area on this layer or above gets support on this layer
// (slot 1 of a new support part, type 3), except where the model itself is,
// which the support generators cut away later. With supportOverlay the
// model is also ringed on every layer by support of the margin's width.

#include <cstdint>
#include <vector>

#include "slicer/SliceJob.h"

namespace Voxmill {

class SupportProjector {
public:
    SupportProjector(SliceJob& job, const SliceConfig& s);
    // The pre-offset of layer l; nothing unless prepOfs.enable is set and the angle is not 0.
    void preOffset(const SliceConfig& s, int32_t l);
    // Adds the support part of layer l; layers in descending order, from the last.
    void project(const SliceConfig& s, int32_t l);

private:
    SliceJob& job_;
    int32_t precision_;
    double minArea_;
    bool overlayEnable_;
    int32_t margin_;
    std::vector<Region> state_; // the support islands of the layer above
};

} // namespace Voxmill
