#include "infill/GridSupport.h"

#include <cmath>

namespace Voxmill {

void GridSupport::setup(const SliceConfig& s) {
    const auto& g = s.gridSupport;
    const LatticeLayers layers = gridLattice(s);
    setupLattice(s, g, layers, g.rectSize + g.rectSpace,
                 {mmToUnits(s.precision.general), mmToUnits(s.precision.support),
                  mmToUnits(s.precision.hollow), layers.zStep, mmToUnits(g.shellThickness), layers.topLayers,
                  layers.bottomLayers, part_type_t::support});
    cellPattern_ = centredSquare(int64_t(std::round(g.rectSize * 0.5f * 10000.0f)));
    corePattern_ = cellCore(cellPattern_, mmToUnits(g.rectSize), roofStep_);
    cellsRoofWhole_ = s.infill.enable && s.infill.fillType != FillType::rectGrid;
    SupportBase::setup(s);
}

void GridSupport::run(const SliceConfig& s, int32_t layer, bool& cleanSolidStart) {
    runLattice(s.gridSupport.enable, s, layer, cleanSolidStart);
}

LatticeCut GridSupport::cut(const SliceConfig& s, int32_t layer, bool core, bool peek) {
    bool band = false;
    if (!cleanSolidBand(s, layer, peek, band)) return {};
    if (band || isInsideSolid(layer)) return {LatticeCut::Op::solid};
    return {LatticeCut::Op::cells, core ? &corePattern_ : &cellPattern_};
}

} // namespace Voxmill
