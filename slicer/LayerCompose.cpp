#include "slicer/LayerCompose.h"

#include <stdexcept>

namespace Voxmill {

void addPart(SliceJob&, int32_t, const Paths&, part_type_t, int32_t) { throw std::runtime_error("not implemented yet"); }
void extendRaftLayers(SliceJob&, int32_t) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
