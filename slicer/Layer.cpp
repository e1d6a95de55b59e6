#include "slicer/Layer.h"

namespace Voxmill {

void collectSlot(const Island&, int32_t, bool, Paths&) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
