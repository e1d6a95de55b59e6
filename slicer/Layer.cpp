#include "slicer/Layer.h"

namespace Voxmill {

void collectSlot(const Island& island, slot_t slot, bool reversed, Paths& out) {
    auto it = island.slots.find(slot);
    if (it == island.slots.end()) return;
    for (const Path& p : it->second.paths) {
        out.push_back(p);
        if (reversed) std::reverse(out.back().begin(), out.back().end());
    }
}

} // namespace Voxmill
