#include "infill/SupportBase.h"

#include <algorithm>

namespace Voxmill {

SupportBase::SupportBase(SliceJob& job)
    : InfillBase(job, job.generators.supportRoof, part_type_t::support), record_(job.generators.cleanSolid) {}

void SupportBase::setup(const SliceConfig& s) {
    drawModelWall_ = s.raft.drawModelWall;
    extraRaftLayers_ = extraRaftLayers(s);
    cleanSolidEnable_ = s.supportCleanSolid.enable;
    // Square units, in double from the single-precision setting.
    cleanSolidAmount_ = double(s.supportCleanSolid.interval) * 1e6 * 1e8;
    cleanSolidLayers_ = cleanSolidLayers(s);
    fillType_ = s.infill.fillType;
}

void SupportBase::setupFromPostSettings(const SliceConfig& s, int32_t bottomLayers) {
    const auto& p = s.postSupport;
    const LatticeLayers g = postLattice(s);
    setupLattice(s, p, g, p.postSize + p.postSpace,
                 {mmToUnits(s.precision.general), mmToUnits(s.precision.support),
                  mmToUnits(s.precision.hollow), g.zStep, mmToUnits(p.shellThickness), g.topLayers,
                  bottomLayers, part_type_t::support});
}

void SupportBase::runLattice(bool enabled, const SliceConfig& s, int32_t layer, bool& cleanSolidStart) {
    if (!enabled) {
        cleanSolidStart = isCleanSolidStart(layer);
        return;
    }
    setup(s);
    // Every layer joins the record as it is generated, while it is still in
    // memory; the pipeline below may extend it further up.
    if (cleanSolidEnable_) extendRecord(layer);
    hollowLayer(s, layer);
    cleanSolidStart = isCleanSolidStart(layer);
}

bool SupportBase::isCleanSolidStart(int32_t layer) const {
    return std::binary_search(record_.starts.begin(), record_.starts.end(), layer);
}

bool SupportBase::isCleanSolidLayer(const SliceConfig&, int32_t layer) {
    if (!cleanSolidEnable_) return false;
    extendRecord(layer);
    // The last band starting at or below the layer.
    auto it = std::upper_bound(record_.starts.begin(), record_.starts.end(), layer);
    return it != record_.starts.begin() && layer <= *(it - 1) + cleanSolidLayers_;
}

bool SupportBase::cleanSolidBand(const SliceConfig& s, int32_t layer, bool peek, bool& band) {
    if (!peek || !cleanSolidEnable_) {
        band = isCleanSolidLayer(s, layer);
        return true;
    }
    if (layer < 0 || size_t(layer) >= record_.areas.size()) return false;
    auto it = std::upper_bound(record_.starts.begin(), record_.starts.end(), layer);
    band = it != record_.starts.begin() && layer <= *(it - 1) + cleanSolidLayers_;
    return true;
}

void SupportBase::extendRecord(int32_t layer) {
    for (int32_t n = int32_t(record_.areas.size()); n <= layer; ++n) {
        double total = modelArea(job_.layers.layer(n), n);
        if (!record_.areas.empty()) total += record_.areas.back();
        record_.areas.push_back(total);
        if (total >= cleanSolidAmount_) {
            record_.starts.push_back(n);
            record_.areas.back() = 0; // the next band counts from the next layer
        }
    }
}

// The printed area of the layer's model and model-wall parts: slot 0 less
// the hollow (slot 8 for rectGrid, else the fill area, slot 5, which is not
// printed in model material); a model wall on the first layer also prints
// on the raft copies under it.
double SupportBase::modelArea(const Layer& layer, int32_t n) const {
    const slot_t hollow = fillType_ == FillType::rectGrid ? slotHollow : slotFill;
    double total = 0;
    for (const LayerPart& part : layer.parts) {
        if (part.type != part_type_t::model && part.type != part_type_t::modelWall) continue;
        double sum = 0;
        for (const Island& island : part.islands) {
            sum += pathsArea(island.slots.at(slotArea).paths);
            if (auto it = island.slots.find(hollow); it != island.slots.end())
                sum -= pathsArea(it->second.paths);
        }
        if (drawModelWall_ && n == 0 && part.type == part_type_t::modelWall)
            sum *= double(extraRaftLayers_ + 1);
        total += sum;
    }
    return total;
}

} // namespace Voxmill
