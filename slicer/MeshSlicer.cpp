#include "slicer/MeshSlicer.h"

#include <stdexcept>

namespace Voxmill {

void scaleModels(LoadedModels&, const SliceConfig&) { throw std::runtime_error("not implemented yet"); }
int32_t stackHeight(const LoadedModels&) { throw std::runtime_error("not implemented yet"); }
LayerHeights buildLayerHeights(const SliceConfig&, int32_t) { throw std::runtime_error("not implemented yet"); }
void sliceBatch(SliceJob&, const LoadedModels&, const LayerHeights&, int32_t, int32_t) { throw std::runtime_error("not implemented yet"); }
void importSlcLayer(SliceJob&, const LoadedModels&, const LayerHeights&, int32_t) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
