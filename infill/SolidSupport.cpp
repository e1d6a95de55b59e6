#include "infill/SolidSupport.h"

#include <algorithm>

namespace Voxmill {

void SolidSupport::setup(const SliceConfig& s) {
    setupFromPostSettings(s, 0);
    SupportBase::setup(s);
}

void SolidSupport::run(const SliceConfig& s, int32_t layer, bool& cleanSolidStart) {
    if (s.solidSupport.enable) {
        setup(s);
        for (const IslandRef& i : islandsOf(layer)) ensureArea(i);
    }
    cleanSolidStart = isCleanSolidStart(layer);
}

void SolidSupport::prepareAreas(const SliceConfig& s, int32_t first, int32_t end) {
    setup(s);
    for (int32_t l = std::max(first, 0); l < std::min(end, job_.layers.layerCount()); ++l)
        for (const IslandRef& i : islandsOf(l)) window_.supportArea(i);
}

} // namespace Voxmill
