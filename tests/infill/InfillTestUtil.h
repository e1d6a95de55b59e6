#pragma once
// A job whose layers hold given model shapes, all resident, for the generator tests.

#include <functional>
#include <memory>

#include "output/OutputTestUtil.h"
#include "slicer/LayerCompose.h"
#include "slicer/SliceJob.h"

namespace Voxmill::Test {

inline Path rect(double x0, double y0, double x1, double y1) {
    return {{mm(x0), mm(y0)}, {mm(x1), mm(y0)}, {mm(x1), mm(y1)}, {mm(x0), mm(y1)}};
}

// layers layers of the settings' height; shapes(k) gives the model paths of layer k (one part).
inline std::unique_ptr<SliceJob> modelJob(const SliceConfig& s, int32_t layers,
                                          const std::function<Paths(int32_t)>& shapes) {
    auto job = std::make_unique<SliceJob>();
    job->settings = s;
    job->layers.initLayers(layers);
    for (int32_t k = 0; k < layers; ++k) addPart(*job, k, shapes(k), part_type_t::model, slotArea);
    return job;
}

inline const Paths& slotOf(SliceJob& job, int32_t layer, slot_t slot, int32_t part = 0, int32_t island = 0) {
    static const Paths none;
    const Island& i = job.layers.layer(layer).parts.at(size_t(part)).islands.at(size_t(island));
    auto it = i.slots.find(slot);
    return it == i.slots.end() ? none : it->second.paths;
}

} // namespace Voxmill::Test
