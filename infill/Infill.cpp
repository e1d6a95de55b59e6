#include "infill/Infill.h"

#include <cmath>

namespace Voxmill {

Infill::Infill(SliceJob& job) : InfillBase(job, job.generators.infillRoof, part_type_t::model) {}

void Infill::run(const SliceConfig& s, int32_t layer) {
    if (s.infill.enable) runPipeline(s, layer);
}

void Infill::setup(const SliceConfig& s) {
    const auto& f = s.infill;
    const LatticeLayers g = infillLattice(s);
    const int32_t general = mmToUnits(s.precision.general);
    setupLattice(s, f, g, f.rectSize + f.rectSpace,
                 {general, general, mmToUnits(s.precision.infill), g.zStep, mmToUnits(f.shellThickness),
                  g.topLayers, g.bottomLayers, part_type_t::model});
    fillType_ = f.fillType;
    // With supportGrid the support image unites the model's cells with its
    // fill area, which cells cut by the shell touch.
    clipWhole_ = fillType_ == FillType::supportGrid;
    cellPattern_ = centredSquare(int64_t(std::round(f.rectSize * 0.5f * 10000.0f)));
    corePattern_ = cellCore(cellPattern_, mmToUnits(f.rectSize), roofStep_);
}

LatticeCut Infill::cut(const SliceConfig&, int32_t layer, bool core, bool) {
    if (isInsideSolid(layer)) return {LatticeCut::Op::solid};
    if (fillType_ == FillType::support) return {LatticeCut::Op::open};
    return {LatticeCut::Op::cells, core ? &corePattern_ : &cellPattern_};
}

} // namespace Voxmill
