#include "infill/SupportProjector.h"

#include <cmath>

#include "infill/LayerWindow.h"

namespace Voxmill {

namespace {

int64_t roundHalfAway(double v) { return int64_t(std::round(v)); }

} // namespace

SupportProjector::SupportProjector(SliceJob& job, const SliceConfig& s)
    : job_(job), precision_(mmToUnits(s.precision.support)),
      minArea_(minAreaOf(mmToUnits(s.precision.general))), overlayEnable_(s.supportOverlay.enable),
      margin_(mmToUnits(s.supportOverlay.margin)) {}

// Every point (x, y) becomes y' = round(y / cos a), then x' = round(x - y' sin a):
// the layer leans by the angle, rows stretched to keep their slope length.
void SupportProjector::preOffset(const SliceConfig& s, int32_t l) {
    if (!s.prepOfs.enable || s.prepOfs.angle == 0.0f) return;
    const float a = s.prepOfs.angle * 3.1415927f / 180.0f;
    const double sine = std::sin(double(a)), cosine = std::cos(double(a));
    for (LayerPart& part : job_.layers.layer(l).parts) {
        if (part.type != part_type_t::model) continue;
        part.box = IntBox();
        for (Island& island : part.islands) {
            Region& area = island.slots.at(slotArea);
            for (Path& path : area.paths)
                for (IntPoint& p : path) {
                    p.Y = roundHalfAway(double(p.Y) / cosine);
                    p.X = roundHalfAway(double(p.X) - double(p.Y) * sine);
                }
            area.box = pathsBox(area.paths);
            // The part's box follows its islands: the window's overlap tests
            // would otherwise miss a sheared island.
            part.box = boxUnion(part.box, area.box);
        }
    }
}

void SupportProjector::project(const SliceConfig&, int32_t l) {
    const int32_t last = job_.layers.layerCount() - 1;
    if (!overlayEnable_ && l == last) return;
    Layer& layer = job_.layers.layer(l);
    Paths collected;
    for (const Region& r : state_) collected.insert(collected.end(), r.paths.begin(), r.paths.end());
    for (const LayerPart& part : layer.parts) {
        if (part.type != part_type_t::model) continue;
        for (const Island& island : part.islands) {
            const Paths& area = island.slots.at(slotArea).paths;
            const Paths ring = overlayEnable_ ? offsetClean(area, margin_, precision_, minArea_) : Paths();
            const Paths& add = overlayEnable_ ? ring : area;
            collected.insert(collected.end(), add.begin(), add.end());
        }
    }
    state_.clear();
    for (Paths& island : splitIslands(collected)) {
        cleanPaths(island, precision_, minArea_);
        if (!island.empty()) state_.emplace_back(std::move(island));
    }
    LayerPart support;
    support.type = part_type_t::support;
    support.islands.resize(state_.size());
    for (size_t k = 0; k < state_.size(); ++k) {
        support.islands[k].slots.set(slotSupportSource, state_[k]);
        support.box = boxUnion(support.box, state_[k].box);
    }
    layer.parts.push_back(std::move(support));
}

} // namespace Voxmill
