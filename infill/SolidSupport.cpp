#include "infill/SolidSupport.h"

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

} // namespace Voxmill
